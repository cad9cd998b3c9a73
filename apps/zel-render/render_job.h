// A render from the command line: which frames, where they go, and the loop that renders them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "host/zel_host.h"

namespace zelrender {

// Frames first, first + step, ... up to last.
struct FrameRange {
    std::int32_t first = 0;
    std::int32_t last = 0;
    std::int32_t step = 1;

    std::int32_t count() const { return (last - first) / step + 1; }
    std::int32_t at(std::int32_t index) const { return first + index * step; }
    // What worker `worker` of `workers` renders: every workers-th frame from the worker-th.
    FrameRange share(std::int32_t worker, std::int32_t workers) const;
};

struct RenderJob {
    // An image file, where a run of '#' in the file name becomes the frame number, zero-padded to
    // the run's length; or a video (isVideoFile).
    std::filesystem::path output = "zel.png";
    FrameRange frames;
    EffectHost::RenderPath path = EffectHost::RenderPath::Smart;
    int jobs = 1;  // worker processes
    Background background;  // what each frame is composited over
};

// A time as typed: a whole frame number ("48", or "48f" to say so) or seconds ("2.5s"); what a
// bare number is depends on the option. Nothing for other text.
struct TypedTime {
    double number;  // from 0
    bool seconds;
};
std::optional<TypedTime> parseTime(std::string_view text, bool bareSeconds);

// --frames: a frame "A", a range "A-B", "A-" to the end of the composition or "all", each frame a
// number or a time in seconds ("2.5s": the frame that shows then; a time ending a range ends it
// with the frame before that time, so 0s-4s is 4 seconds of frames), then "xSTEP" for every
// STEP-th frame. Throws std::invalid_argument saying what is accepted, and for a range that runs
// backwards or past the composition's end.
FrameRange parseFrames(std::string_view text, const Composition& composition);

// --size: "WxH". Throws std::invalid_argument saying what is accepted.
std::pair<std::int32_t, std::int32_t> parseSize(std::string_view text);

// Refuses, before anything is rendered: with std::invalid_argument, several frames of images
// without a '#' run to number their files, more than one run, or an image format that does not
// hold the composition's depth; with EncoderUnavailable, a video without ffmpeg; with
// OutputFailed, an output whose directory is missing or not writable, or a path that is a
// directory.
void checkJob(const RenderJob& job, const Composition& composition);

// The output path of one frame.
std::filesystem::path framePath(const std::filesystem::path& pattern, std::int32_t frame);

// Where each rendered frame goes, while the world holding it lives, with a warning for the run to
// give once (transparentFrameWarning), or none.
using FrameDelivery =
    std::function<void(std::int32_t frame, const WorldView& world, const std::string& warning)>;

// The value of the control named `name` at `seconds`; none when the module has no such control.
std::optional<ParamValue> controlValue(const ParamStore& store, std::string_view name,
                                       double seconds);

// Reads the scene's layer images into their controls, then renders each of `frames` and hands it
// to `deliver`, the first with no alpha in any pixel with the warning saying why. Before the
// first frame that sends more than a hundred million vertices, warns once with their count.
// Throws CommandFailed, naming the frame (and its size, when the driver could not allocate it),
// when the module fails one; no frame after it is rendered.
void renderScene(EffectHost& host, const Scene& scene, EffectHost::RenderPath path,
                 const FrameRange& frames, const FrameDelivery& deliver);

}  // namespace zelrender
