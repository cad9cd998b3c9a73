// Scenes of random valid settings: every control, the camera and the lights take a new value at
// each frame and hold it until the next, so that one zel-render process renders many sets.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <random>
#include <vector>

#include "host/param_store.h"

namespace zelfuzz {

struct SceneShape {
    int width = 64;
    int height = 36;
    int frames = 12;
    // Vertices X x Vertices Y x Instances at most, so that a set renders in seconds on a CPU
    // driver; every other control ranges over all it accepts.
    double maxVertices = 40000;
    // Images the layer controls may show; none, and they show nothing.
    std::vector<std::filesystem::path> images;
};

// 32 bits per channel, 24 frames per second, frame k at k / 24 s.
nlohmann::ordered_json randomScene(std::mt19937& random, const zelrender::ParamStore& controls,
                                   const SceneShape& shape);

// The scene's settings of frame `frame`, without keyframes: one frame's parameter set alone.
nlohmann::ordered_json frameOf(const nlohmann::ordered_json& scene, int frame);

}  // namespace zelfuzz
