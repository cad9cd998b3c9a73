#include "apps/zel-render/render_job.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

#include "apps/zel-render/empty_frame.h"
#include "apps/zel-render/image_files.h"
#include "apps/zel-render/video_encoder.h"
#include "host/message_text.h"
#include "host/number_text.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;

// A whole number from `low` to `high` filling all of `text`.
std::optional<std::int32_t> wholeNumber(std::string_view text, std::int32_t low, std::int32_t high)
{
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// Splits "A<separator>B".
std::optional<std::pair<std::int32_t, std::int32_t>> numberPair(std::string_view text,
                                                                char separator, std::int32_t high)
{
    const std::size_t at = text.find(separator);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const auto a = wholeNumber(text.substr(0, at), 0, high);
    const auto b = wholeNumber(text.substr(at + 1), 0, high);
    return a && b ? std::optional(std::pair(*a, *b)) : std::nullopt;
}

// The runs of '#' in the file name, and where the first lies in the whole path.
struct HashRuns {
    std::size_t start = std::string::npos;
    std::size_t length = 0;
    int count = 0;
};

HashRuns hashRuns(const fs::path& pattern)
{
    const std::string path = pattern.string();
    HashRuns runs;
    for (std::size_t i = path.size() - pattern.filename().string().size(); i < path.size();) {
        if (path[i] != '#') {
            ++i;
            continue;
        }
        const std::size_t end = std::min(path.find_first_not_of('#', i), path.size());
        if (runs.count++ == 0) {
            runs.start = i;
            runs.length = end - i;
        }
        i = end;
    }
    return runs;
}

// Makes the output's directory when it is missing; refuses, naming the path and the reason, an
// output whose directory cannot be made or is not writable, or a file that would replace a
// directory: better now than after the first frame, or the last.
void checkWritable(const RenderJob& job)
{
    const fs::path& output = job.output;
    const fs::path directory = output.parent_path().empty() ? fs::path(".") : output.parent_path();
    const auto refuse = [](const fs::path& file, const std::string& reason) {
        throw OutputFailed(file.string() + ": cannot be written: " + reason);
    };
    std::error_code error;
    if (fs::status(directory, error).type() == fs::file_type::not_found &&
        !fs::create_directories(directory, error) && error) {
        refuse(output, "the directory " + directory.string() + " cannot be made (" +
                           error.message() + ")");
    }
    const fs::file_status status = fs::status(directory, error);
    if (error) {
        refuse(output, directory.string() + ": " + error.message());
    }
    if (!fs::is_directory(status)) {
        refuse(output, directory.string() + " is not a directory");
    }
    if (::access(directory.c_str(), W_OK | X_OK) != 0) {
        refuse(output, "the directory " + directory.string() + " is not writable (" +
                           std::strerror(errno) + ")");
    }
    const bool video = isVideoFile(output);
    for (std::int32_t i = 0; i < (video ? 1 : job.frames.count()); ++i) {
        const fs::path file = video ? output : framePath(output, job.frames.at(i));
        if (fs::is_directory(file, error)) {
            refuse(file, "it is a directory");
        }
    }
}

// The module's words when the driver refused to allocate a frame's targets, which it reports
// without the size that is the cause.
constexpr std::string_view kAllocationFailures[] = {"glCheckFramebufferStatusEXT failed",
                                                    "Could not allocate"};

std::string causeOf(std::string_view failure, const Composition& composition)
{
    if (std::ranges::none_of(kAllocationFailures, [&](std::string_view words) {
            return failure.find(words) != std::string_view::npos;
        })) {
        return "";
    }
    return "; this machine's OpenGL driver cannot hold a frame of " +
           std::to_string(downsampled(composition.width, composition.downsampleX)) + " x " +
           std::to_string(downsampled(composition.height, composition.downsampleY)) +
           " pixels: choose a smaller size, or render at 1/N of it with --downsample N";
}

// Beyond this many vertices a frame takes minutes to hours to draw, and shows nothing meanwhile.
constexpr double kManyVertices = 1e8;

// About as many vertices as the module sends for the frame at `seconds`: each instance's grid,
// reduced and stepped, walked as strips of two vertices per point (four per cell when columns are
// stepped), twice with a wireframe second pass; 0 for a module without these controls.
double verticesSent(const ParamStore& store, const Composition& composition, double seconds)
{
    const auto value = [&](std::string_view name) -> std::optional<double> {
        const std::optional<ParamValue> v = controlValue(store, name, seconds);
        if (const auto* number = v ? std::get_if<double>(&*v) : nullptr) {
            return std::floor(*number + 0.5);
        }
        if (const auto* choice = v ? std::get_if<Choice>(&*v) : nullptr) {
            return choice->number;
        }
        return std::nullopt;
    };
    const auto vx = value("Vertices X"), vy = value("Vertices Y"), stepX = value("X Step"),
               stepY = value("Y Step"), reduce = value("Reduce Geometry"),
               instances = value("Instances"), secondPass = value("Second Pass");
    if (!vx || !vy || !stepX || !stepY || !reduce || !instances || !secondPass) {
        return 0;
    }
    const auto walked = [&](double count, PF_RationalScale downsample, double step) {
        // Off, Auto (the resolution's factor), 2x, 4x, 16x.
        const double factors[] = {1.0, factorOf(downsample), 0.5, 0.25, 1.0 / 16};
        const double factor = factors[std::clamp(static_cast<int>(*reduce), 1, 5) - 1];
        return std::ceil((std::max(std::floor(count * factor), 2.0) - 1) / std::max(step, 1.0));
    };
    const double columns = walked(*vx, composition.downsampleX, *stepX);
    const double rows = walked(*vy, composition.downsampleY, *stepY);
    return rows * (*stepX >= 2 ? 4 * columns : 2 * (columns + 1)) * *instances *
           (*secondPass == 2 ? 2 : 1);
}

}  // namespace

std::optional<ParamValue> controlValue(const ParamStore& store, std::string_view name,
                                       double seconds)
{
    for (std::int32_t i = 1; i < store.size(); ++i) {
        if (store.at(i).name() == name) {
            return store.at(i).value.at(seconds);
        }
    }
    return std::nullopt;
}

FrameRange FrameRange::share(std::int32_t worker, std::int32_t workers) const
{
    // A step beyond the range takes its first frame only, however much beyond.
    const std::int64_t shareStep = std::min<std::int64_t>(std::int64_t{step} * workers,
                                                          std::numeric_limits<std::int32_t>::max());
    return {at(worker), last, static_cast<std::int32_t>(shareStep)};
}

std::optional<TypedTime> parseTime(std::string_view text, bool bareSeconds)
{
    bool seconds = bareSeconds;
    if (text.ends_with('s') || text.ends_with('f')) {
        seconds = text.back() == 's';
        text.remove_suffix(1);
    }
    // No sign, as a '-' joins a range, and no "inf" or "nan".
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front()))) {
        return std::nullopt;
    }
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number,
                                              std::chars_format::fixed);
    if (error != std::errc{} || end != text.data() + text.size() ||
        (!seconds && (text.find('.') != std::string_view::npos ||
                      number > std::numeric_limits<std::int32_t>::max()))) {
        return std::nullopt;
    }
    return TypedTime{number, seconds};
}

FrameRange parseFrames(std::string_view text, const Composition& composition)
{
    constexpr std::int32_t kHigh = std::numeric_limits<std::int32_t>::max();
    const std::int64_t frames = composition.frameCount();
    const std::size_t x = text.find('x');
    const std::string_view range = text.substr(0, x);
    const std::size_t dash = range.find('-');
    const std::string_view firstText = range.substr(0, dash);
    const std::string_view lastText =
        dash == std::string_view::npos ? firstText : range.substr(dash + 1);
    const auto step = x == std::string_view::npos ? std::optional<std::int32_t>(1)
                                                  : wholeNumber(text.substr(x + 1), 1, kHigh);
    const bool all = range == "all";
    const auto first = all ? TypedTime{0, false} : parseTime(firstText, false);
    const auto last = all || lastText.empty() ? TypedTime{static_cast<double>(frames - 1), false}
                                              : parseTime(lastText, false);
    if (!first || !last || !step) {
        throw std::invalid_argument(
            "--frames takes a frame A, a range A-B, A- to the end or \"all\", A and B each a frame "
            "number from 0 or a time in seconds such as 2.5s, then xSTEP for every STEP-th frame: "
            "such as 12, 0-23, 10-, 0s-4s or 0-239x2; got " + inQuotes(text));
    }
    // The frame that shows at a time, or for a range's end the last one before it; a time a
    // millionth of a frame short of where a frame starts is taken as that start, since decimal
    // seconds seldom land on it exactly (0.29 s at 100 fps is 28.999... frames).
    const auto frameOf = [&](const TypedTime& time, bool ending) -> std::int64_t {
        if (!time.seconds) {
            return static_cast<std::int64_t>(time.number);
        }
        const double at =
            std::min(time.number * composition.timeScale / composition.timeStep, 1e15);
        return ending ? static_cast<std::int64_t>(std::ceil(at - 1e-6)) - 1
                      : static_cast<std::int64_t>(std::floor(at + 1e-6));
    };
    const std::int64_t a = frameOf(*first, false);
    const std::int64_t b = frameOf(*last, dash != std::string_view::npos);
    const auto named = [](std::string_view typed, const TypedTime& time, std::int64_t frame) {
        return std::string(typed) + (time.seconds ? " (frame " + std::to_string(frame) + ")" : "");
    };
    if (a >= frames || b >= frames) {
        throw std::invalid_argument(
            "--frames: the composition has frames 0 to " + std::to_string(frames - 1) + " (" +
            formatNumber(composition.seconds(composition.duration)) + " s at " +
            formatNumber(static_cast<double>(composition.timeScale) / composition.timeStep) +
            " fps), so not " +
            (a >= frames ? named(firstText, *first, a) : named(lastText, *last, b)));
    }
    if (a > b) {
        throw std::invalid_argument(
            "--frames: " + inQuotes(range) + " runs backwards, from frame " + std::to_string(a) +
            " to frame " + std::to_string(b) +
            (last->seconds ? ", a time B ending a range with the frame before B" : ""));
    }
    return {static_cast<std::int32_t>(a), static_cast<std::int32_t>(b), *step};
}

std::pair<std::int32_t, std::int32_t> parseSize(std::string_view text)
{
    const auto size = numberPair(text, 'x', kMaxLayerSide);
    if (!size || size->first < 1 || size->second < 1) {
        throw std::invalid_argument("--size takes WIDTHxHEIGHT in pixels, each from 1 to " +
                                    std::to_string(kMaxLayerSide) + ", such as 1280x720; got " +
                                    inQuotes(text));
    }
    return *size;
}

void checkJob(const RenderJob& job, const Composition& composition)
{
    const bool video = isVideoFile(job.output);
    if (!video) {
        const HashRuns runs = hashRuns(job.output);
        if (runs.count > 1) {
            throw std::invalid_argument(job.output.string() +
                                        ": the file name holds more than one run of '#'; the one "
                                        "run, such as ####, becomes the frame number");
        }
        if (job.frames.count() > 1 && runs.count == 0) {
            throw std::invalid_argument(
                "frames " + std::to_string(job.frames.first) + "-" +
                std::to_string(job.frames.last) +
                " need a file each: put #### in the output file name, such as -o zel-####.png, "
                "and it becomes each frame's number; or write a video, such as -o zel.mp4");
        }
        checkImageFile(job.output, composition.bitsPerChannel);
    }
    checkWritable(job);
    if (video) {
        requireEncoder();
    }
}

fs::path framePath(const fs::path& pattern, std::int32_t frame)
{
    const HashRuns runs = hashRuns(pattern);
    if (runs.count == 0) {
        return pattern;
    }
    std::string number = std::to_string(frame);
    if (number.size() < runs.length) {
        number.insert(0, runs.length - number.size(), '0');
    }
    return fs::path(pattern.string().replace(runs.start, runs.length, number));
}

void renderScene(EffectHost& host, const Scene& scene, EffectHost::RenderPath path,
                 const FrameRange& frames, const FrameDelivery& deliver)
{
    attachLayerImages(host, scene);
    const Composition& composition = host.composition();
    bool warned = false;
    bool transparentTold = false;
    for (std::int32_t i = 0; i < frames.count(); ++i) {
        const std::int32_t frame = frames.at(i);
        const double seconds = composition.seconds(std::int64_t{frame} * composition.timeStep);
        const double vertices = verticesSent(host.params(), composition, seconds);
        if (!warned && vertices > kManyVertices) {
            warned = true;
            char count[32];
            std::snprintf(count, sizeof count, "%.0f", vertices);
            EffectHost::tell("warning: frame " + std::to_string(frame) + " sends about " + count +
                             " vertices and may take hours to draw; \"Reduce Geometry\", or a "
                             "larger \"X Step\" and \"Y Step\", send fewer");
        }
        try {
            host.render(frame, path, [&](const WorldView& world) {
                const bool tell = !transparentTold && fullyTransparent(world);
                transparentTold = transparentTold || tell;
                deliver(frame, world,
                        tell ? transparentFrameWarning(host.params(), composition, frame) : "");
            });
        } catch (const CommandFailed& e) {
            throw CommandFailed("frame " + std::to_string(frame) + ": " + e.what() +
                                causeOf(e.what(), composition));
        }
    }
}

}  // namespace zelrender
