// What is checked before a scene is read: its text, for what the JSON parser would let through,
// and its files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

#include "host/scene.h"

namespace zelrender {

// Throws std::invalid_argument, naming `source`, for text that is not JSON ("scene.json:12:5: not
// JSON: ..."), or that gives a key twice in one object, whose first value the parser would drop
// unnoticed.
void checkSceneText(const std::string& text, const std::string& source);

// Why a file cannot be read: it is missing, out of reach or a directory; empty when it is none.
std::string whyUnreadable(const std::filesystem::path& file);

// The width and height of `file` as a layer's image. Throws std::runtime_error with whyUnreadable,
// or why openLayerImage refuses it.
std::pair<std::int32_t, std::int32_t> layerImageSize(const std::filesystem::path& file);

// Why `file` cannot be a layer's image, as layerImageSize throws it; empty when it can.
std::string whyNotAnImage(const std::filesystem::path& file);

// Refuses, before the module is set up, an image that is missing or that openLayerImage refuses.
void checkLayerImages(const Scene& scene);

}  // namespace zelrender
