// Scene files: what the host renders, as JSON. A scene holds the composition (size, pixel
// aspect, frame rate, duration, depth), its camera and lights, images for the layer controls and
// control values; every key is optional, and an empty object is the built-in default scene.
//
//   {
//     "composition": {"width": 1920, "height": 1080, "pixel_aspect": 1, "fps": 24,
//                     "duration": 10, "bits_per_channel": 8},
//     "camera": {"type": "perspective", "position": [960, 540, -2666.7],
//                "point_of_interest": [960, 540, 0], "zoom": 2666.7},
//     "lights": [{"type": "spot", "color": [1, 0.9, 0.8], "intensity": 100, "cone_angle": 90,
//                 "cone_feather": 50, "position": [0, 0, -1000],
//                 "point_of_interest": [960, 540, 0], "in_point": 0, "duration": 10,
//                 "enabled": true}],
//     "layers": {"texture_layer": "wood.png", "amplitude_layer": "mask.exr"},
//     "background": "#202020",
//     "controls": {"Draw": "Wireframe", "Color": "#FF8000", "Position XY": [960, 540],
//                  "Rotate X": {"keyframes": [[0, 0], [4, 90], [10, 360]],
//                               "interpolation": "smooth"}}
//   }
//
// Camera and light properties other than the types, in point, duration and on/off may be
// keyframed like controls. Keyframes go in order of time, each later than the one before; between
// them a value moves in a straight line ("linear", the default), stays until the next ("hold"),
// or follows a curve through them that eases in at the first and out at the last ("smooth"),
// held within the control's or property's range and colours within 0 to 1. Choices always hold.
// Positions are in pixels of the full-size layer, y down, z away from the viewer; times in
// seconds; colours 0 to 1; intensity and cone feather in percent; cone angle in degrees. Image
// paths are relative to the scene file. A key may appear once in each object.
#pragma once

#include <cstddef>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "host/composition.h"
#include "host/param_store.h"

namespace zelrender {

// What frames are composited over when they are written: nothing (the effect's own frame, with
// its alpha), an opaque colour, or an image of the composition's size.
using Background = std::variant<std::monostate, Color, std::filesystem::path>;

struct Scene {
    Composition composition;
    // Layer control name and the image it shows.
    std::vector<std::pair<std::string, std::filesystem::path>> layers;
    Background background;
    // By control name, each a value or keyframes; applied once the module has registered them.
    nlohmann::ordered_json controls = nlohmann::ordered_json::object();
    std::string source = "the default scene";  // named in messages
};

// 1920 x 1080, square pixels, 24 fps, 10 s, 8 bits; the default camera; no lights, no layer
// images; every control at its default.
Scene defaultScene();

// Reads a scene; throws std::invalid_argument naming the file, the place in it (such as
// "lights[0].cone_angle") and what that place accepts, or the line and column where the text
// stops being JSON ("scene.json:12:5: not JSON: ..."). Keys that mean nothing are refused, with
// the key meant when one is close, so that a misspelt key never goes unnoticed; so is a layer
// image that is missing or that OpenImageIO cannot open, before anything is rendered.
Scene readScene(const std::filesystem::path& file);
// The same for the text of `file`, read already.
Scene readScene(const std::filesystem::path& file, const std::string& text);
// The most a scene file may hold: more than any scene needs, less than a device that never ends
// would fill memory with.
inline constexpr std::size_t kMaxSceneBytes = std::size_t{64} << 20;
// The whole text of a scene file, read once (a pipe cannot be read twice) and at most
// kMaxSceneBytes of it; "-" is standard input. Throws std::invalid_argument naming the file and
// why it cannot be read.
std::string readSceneText(const std::filesystem::path& file);
// Whether `file` is standard input ("-") or names an open descriptor (/dev/stdin, /dev/fd/N as a
// shell's <(...) gives, or anything under /proc) rather than a file in a folder: such a scene
// takes image paths from the current directory, and cannot be rewritten.
bool isStreamPath(const std::filesystem::path& file);
// The same for a scene's text, except that its images are not looked at; `source` names it in
// messages and image paths are taken relative to `base`.
Scene parseSceneText(const std::string& text, const std::string& source,
                     const std::filesystem::path& base);
// The same for a document already parsed.
Scene parseScene(const nlohmann::ordered_json& document, const std::string& source,
                 const std::filesystem::path& base);

// The scene, as readScene reads it back to the same scene: the composition; the camera, when the
// scene has one, with the properties it gives; its lights with every property but those that
// follow the composition where the scene leaves them out (position, point of interest,
// duration); its layer images and background image, by absolute path, or its background colour;
// and the value or keyframes of every control of `store` that holds a value, those of layers,
// buttons and groups being none. What is left out follows the size and duration the scene is
// rendered at.
nlohmann::ordered_json sceneJson(const Scene& scene, const ParamStore& store);

// A background as typed: "#RRGGBB" (hexadecimal) a colour, any other text the path of an image
// file, taken relative to `base`; none for empty text, or text that starts with '#' but is no
// colour.
std::optional<Background> parseBackground(const std::string& text,
                                          const std::filesystem::path& base);

// Gives the scene's controls their values or keyframes, as typed text (parseValue) or as JSON
// numbers and arrays ([red, green, blue] from 0 to 1, [x, y] in pixels of the full-size layer).
// Throws std::invalid_argument naming the scene, the control and what it takes, and then sets
// none of them.
void applyControls(const Scene& scene, ParamStore& store);

}  // namespace zelrender
