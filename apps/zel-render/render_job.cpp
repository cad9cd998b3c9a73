#include "apps/zel-render/render_job.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

#include "apps/zel-render/image_files.h"
#include "apps/zel-render/video_encoder.h"
#include "host/message_text.h"

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

// Splits "A<separator>B", or gives "A" twice when there is no separator and `single` allows it.
std::optional<std::pair<std::int32_t, std::int32_t>> numberPair(std::string_view text,
                                                                char separator, bool single,
                                                                std::int32_t high)
{
    const std::size_t at = text.find(separator);
    if (at == std::string_view::npos) {
        const auto only = wholeNumber(text, 0, high);
        return single && only ? std::optional(std::pair(*only, *only)) : std::nullopt;
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

// Refuses, naming the path and the reason, an output whose directory is missing or not
// writable, or a file that would replace a directory: better now than after the first frame, or
// the last.
void checkWritable(const RenderJob& job)
{
    const fs::path& output = job.output;
    const fs::path directory = output.parent_path().empty() ? fs::path(".") : output.parent_path();
    const auto refuse = [](const fs::path& file, const std::string& reason) {
        throw OutputFailed(file.string() + ": cannot be written: " + reason);
    };
    std::error_code error;
    const fs::file_status status = fs::status(directory, error);
    if (status.type() == fs::file_type::not_found) {
        refuse(output, "the directory " + directory.string() + " does not exist");
    }
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

}  // namespace

FrameRange FrameRange::share(std::int32_t worker, std::int32_t workers) const
{
    // A step beyond the range takes its first frame only, however much beyond.
    const std::int64_t shareStep = std::min<std::int64_t>(std::int64_t{step} * workers,
                                                          std::numeric_limits<std::int32_t>::max());
    return {at(worker), last, static_cast<std::int32_t>(shareStep)};
}

FrameRange parseFrames(std::string_view text)
{
    constexpr std::int32_t kHigh = std::numeric_limits<std::int32_t>::max();
    const std::size_t x = text.find('x');
    const auto step = x == std::string_view::npos ? std::optional<std::int32_t>(1)
                                                  : wholeNumber(text.substr(x + 1), 1, kHigh);
    const auto frames = numberPair(text.substr(0, x), '-', x == std::string_view::npos, kHigh);
    // 0 to the largest frame number is one frame more than a count can hold.
    if (!frames || !step || frames->first > frames->second ||
        (frames->second - frames->first) / *step == kHigh) {
        throw std::invalid_argument(
            "--frames takes a frame A, a range A-B, or every STEP-th frame of a range from A, "
            "A-BxSTEP (A <= B, STEP >= 1), in frame numbers from 0, such as 12, 0-23 or 0-239x2; "
            "got " + inQuotes(text));
    }
    return {frames->first, frames->second, *step};
}

std::pair<std::int32_t, std::int32_t> parseSize(std::string_view text)
{
    const auto size = numberPair(text, 'x', false, kMaxLayerSide);
    if (!size || size->first < 1 || size->second < 1) {
        throw std::invalid_argument("--size takes WIDTHxHEIGHT in pixels, each from 1 to " +
                                    std::to_string(kMaxLayerSide) + ", such as 1280x720; got " +
                                    inQuotes(text));
    }
    return *size;
}

void checkJob(const RenderJob& job, const Composition& composition)
{
    const std::int32_t frames = composition.frameCount();
    if (job.frames.last >= frames) {
        throw std::invalid_argument("--frames: the composition has frames 0 to " +
                                    std::to_string(frames - 1) + ", so not " +
                                    std::to_string(job.frames.last));
    }
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
    for (std::int32_t i = 0; i < frames.count(); ++i) {
        const std::int32_t frame = frames.at(i);
        try {
            host.render(frame, path, [&](const WorldView& world) { deliver(frame, world); });
        } catch (const CommandFailed& e) {
            throw CommandFailed("frame " + std::to_string(frame) + ": " + e.what());
        }
    }
}

}  // namespace zelrender
