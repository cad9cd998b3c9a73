// A render from the command line: which frames, where they go, and the loop that renders them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <utility>

#include "apps/zel-render/effect_host.h"
#include "apps/zel-render/scene.h"

namespace zelrender {

struct RenderJob {
    // A run of '#' in the file name becomes the frame number, zero-padded to the run's length.
    std::filesystem::path output = "zel.png";
    std::int32_t first = 0;
    std::int32_t last = 0;
    EffectHost::RenderPath path = EffectHost::RenderPath::Smart;
};

// --frames: "A" or "A-B". Throws std::invalid_argument saying what is accepted.
std::pair<std::int32_t, std::int32_t> parseFrames(std::string_view text);

// --size: "WxH". Throws std::invalid_argument saying what is accepted.
std::pair<std::int32_t, std::int32_t> parseSize(std::string_view text);

// Throws std::invalid_argument, before anything is rendered, for frames outside the composition,
// several frames without a '#' run to number their files, more than one run, or a file format
// that does not hold the composition's depth.
void checkJob(const RenderJob& job, const Composition& composition);

// The output path of one frame.
std::filesystem::path framePath(const std::filesystem::path& pattern, std::int32_t frame);

// Reads the scene's layer images into their controls, then renders each frame of the job and
// writes it, telling each file written on stderr. Throws CommandFailed, naming the frame, when
// the module fails one; nothing is written for that frame or after it.
void renderScene(EffectHost& host, const Scene& scene, const RenderJob& job);

}  // namespace zelrender
