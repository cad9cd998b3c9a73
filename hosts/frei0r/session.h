// The process's one session with the module: loaded and set up on the first frame, one GL context
// for every instance and thread, set down at f0r_deinit. Frames render one at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/animated_value.h"

namespace zelfrei0r {

// What a host is set up for: instances that agree on it share it, and one that differs has the
// host set up anew (the module's global set-up and its GL context stay).
struct Setup {
    std::string scene;  // a scene file; empty: the default scene
    std::int32_t width = 0;
    std::int32_t height = 0;
    // Layer controls given an image by the host, by index, in place of the scene's.
    std::vector<std::pair<int, std::string>> layers;
    bool texture = false;  // the incoming frame is the "Texture Layer"
    bool operator==(const Setup&) const = default;
};

// The scene's frame rate and length, to name the frame at a time.
struct Timing {
    std::uint32_t timeScale = 0;
    std::int32_t timeStep = 1;
    std::int32_t frames = 0;
    // The frame nearest `seconds`, held within the scene: hosts that count in milliseconds hand
    // times rounded to one. 
    std::int32_t frameAt(double seconds) const;
};

struct Frame {
    Setup setup;
    // The controls the host set, by index, each overriding the scene's value or keyframes.
    std::vector<std::pair<int, zelrender::ParamValue>> values;
    double seconds = 0;
    const std::uint32_t* input = nullptr;  // RGBA, width x height, with `texture`
};

// Renders `frame` into `output` (RGBA, straight alpha, width x height), or copies it when one of
// the last frames rendered was the same. Throws std::exception with a message for a person when
// it cannot.
void renderFrame(const Frame& frame, std::uint32_t* output);

// Sets the module down and unloads it, for f0r_deinit.
void closeSession();

// Says `text` on stderr, once per process.
void tellOnce(const std::string& text);

}  // namespace zelfrei0r
