// Scenes rendered by zel-render, as a user runs it, one process per scene: what went wrong with
// their frames, and the smallest scene that still goes wrong the same way.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace zelfuzz {

struct RenderTrials {
    std::filesystem::path zelRender;
    std::filesystem::path folder;  // scenes, frames and zel-render's messages go here
    // A run longer than this for each frame and one more for starting counts as a hang.
    double secondsPerFrame = 30;
    // Added to every command line, such as --set for controls that must stay cheap.
    std::vector<std::string> extraArguments;
};

struct RenderFault {
    std::string
        kind;  // "signal 11 (Segmentation fault)", "exit status 3", "hang", "non-finite pixels"
    std::string detail;  // zel-render's last line, or the first non-finite pixel
    int frame = 0;       // the first frame not written or not finite
};

// Writes `scene` to `name`.json and renders frames 0 to `frames` - 1 as 32-bit EXR files, which
// must all be written and hold only finite values; the frames are removed afterwards, and the
// scene and zel-render's messages too when nothing went wrong. A refusal
// of the scene in one line (exit status 1) is not a fault when `refusalAllowed`.
std::optional<RenderFault> renderScene(const RenderTrials& trials,
                                       const nlohmann::ordered_json& scene, int frames,
                                       const std::string& name, bool refusalAllowed = false);

// Frame `fault.frame` of `scene` alone, less every control, light, camera and layer image it can
// do without and still fail as `fault` did; written to `name`.json, whose path it returns.
std::filesystem::path minimise(const RenderTrials& trials, const nlohmann::ordered_json& scene,
                               const RenderFault& fault, const std::string& name);

}  // namespace zelfuzz
