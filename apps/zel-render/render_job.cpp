#include "apps/zel-render/render_job.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

#include "apps/zel-render/image_files.h"
#include "apps/zel-render/param_assignment.h"

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

}  // namespace

std::pair<std::int32_t, std::int32_t> parseFrames(std::string_view text)
{
    const auto frames = numberPair(text, '-', true, std::numeric_limits<std::int32_t>::max());
    if (!frames || frames->first > frames->second) {
        throw std::invalid_argument("--frames takes a frame A or a range A-B (A <= B) of frame "
                                    "numbers from 0, such as 0-23; got \"" + std::string(text) +
                                    "\"");
    }
    return *frames;
}

std::pair<std::int32_t, std::int32_t> parseSize(std::string_view text)
{
    const auto size = numberPair(text, 'x', false, kMaxLayerSide);
    if (!size || size->first < 1 || size->second < 1) {
        throw std::invalid_argument("--size takes WIDTHxHEIGHT in pixels, each from 1 to " +
                                    std::to_string(kMaxLayerSide) + ", such as 1280x720; got \"" +
                                    std::string(text) + "\"");
    }
    return *size;
}

void checkJob(const RenderJob& job, const Composition& composition)
{
    const std::int32_t frames = composition.frameCount();
    if (job.last >= frames) {
        throw std::invalid_argument("--frames: the composition has frames 0 to " +
                                    std::to_string(frames - 1) + ", so not " +
                                    std::to_string(job.last));
    }
    const HashRuns runs = hashRuns(job.output);
    if (runs.count > 1) {
        throw std::invalid_argument(job.output.string() +
                                    ": the file name holds more than one run of '#'; the one "
                                    "run, such as ####, becomes the frame number");
    }
    if (job.first != job.last && runs.count == 0) {
        throw std::invalid_argument(
            "frames " + std::to_string(job.first) + "-" + std::to_string(job.last) +
            " need a file each: put #### in the output file name, such as -o zel-####.png, and "
            "it becomes each frame's number");
    }
    checkImageFile(job.output, composition.bitsPerChannel);
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

void renderScene(EffectHost& host, const Scene& scene, const RenderJob& job)
{
    const Composition& composition = host.composition();
    for (const auto& [control, file] : scene.layers) {
        try {
            const int index = findControl(host.params(), control);
            const OIIO::ImageBuf image =
                readLayerImage(file, composition.downsampleX, composition.downsampleY);
            storeImage(image, host.attachLayer(index, image.roi().width(), image.roi().height()));
        } catch (const std::exception& e) {
            throw std::invalid_argument(scene.source + ": the image of \"" + control +
                                        "\": " + e.what());
        }
    }
    for (std::int32_t frame = job.first; frame <= job.last; ++frame) {
        const fs::path file = framePath(job.output, frame);
        try {
            host.render(frame, job.path,
                        [&file](const WorldView& world) { writeImage(world, file); });
        } catch (const CommandFailed& e) {
            throw CommandFailed("frame " + std::to_string(frame) + ": " + e.what());
        }
        std::fprintf(stderr, "zel-render: frame %d written to %s\n", frame, file.string().c_str());
    }
}

}  // namespace zelrender
