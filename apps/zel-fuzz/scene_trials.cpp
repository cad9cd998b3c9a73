#include "apps/zel-fuzz/scene_trials.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <variant>

#include "host/number_text.h"
#include "host/scene.h"

namespace zelfuzz {
namespace {

using namespace zelrender;

// The first value out of its range at any time, smooth curves included: sliders within their
// valid range, light colours within 0 to 1 and other light and camera values within theirs; or "".
std::string outOfRange(const Scene& scene, const ParamStore& store)
{
    for (const double t : {-1.0, 0.0, 0.3, 0.7, 1.0, 1.5, 2.9, 1e6}) {
        const std::string at = " at " + formatNumber(t) + " s";
        for (const RegisteredParam& p : store.all()) {
            if (p.type() != PF_Param_FLOAT_SLIDER) {
                continue;
            }
            const double v = std::get<double>(p.value.at(t));
            if (!(v >= p.def.u.fs_d.valid_min && v <= p.def.u.fs_d.valid_max)) {
                return std::string(p.name()) + at + " is " + std::to_string(v);
            }
        }
        for (const Light& light : scene.composition.lights) {
            const Color c = std::get<Color>(light.color.at(t));
            const double angle = std::get<double>(light.coneAngle.at(t));
            const double feather = std::get<double>(light.coneFeather.at(t));
            if (!(std::min({c.red, c.green, c.blue}) >= 0 &&
                  std::max({c.red, c.green, c.blue}) <= 1 && angle >= 0 && angle <= 180 &&
                  feather >= 0 && feather <= 100 &&
                  std::isfinite(std::get<double>(light.intensity.at(t))))) {
                return "a light" + at + " is out of range";
            }
        }
        const auto& camera = scene.composition.camera;
        if (camera && camera->zoom && !(std::get<double>(camera->zoom->at(t)) >= 1.0)) {
            return "the camera's zoom" + at + " is below 1";
        }
    }
    return "";
}

}  // namespace

SceneOutcome tryScene(const std::string& text, const ParamStore& controls)
{
    try {
        const Scene scene = parseSceneText(text, "fuzz.json", "/nonexistent");
        ParamStore store = controls;
        applyControls(scene, store);
        if (std::string wrong = outOfRange(scene, store); !wrong.empty()) {
            return {true, "taken with " + wrong};
        }
        const nlohmann::ordered_json dumped = sceneJson(scene, store);
        const Scene again = parseScene(dumped, "dumped.json", "/");
        ParamStore storeAgain = controls;
        applyControls(again, storeAgain);
        if (sceneJson(again, storeAgain) != dumped) {
            return {true, "taken, but its dump reads back to another scene"};
        }
        return {true, ""};
    } catch (const std::invalid_argument& e) {
        const std::string message = e.what();
        const bool oneLine = message.find('\n') == std::string::npos;
        return {false, oneLine && message.starts_with("fuzz.json")
                           ? ""
                           : "refused without one line naming the file: " + message};
    } catch (const std::exception& e) {
        return {false, std::string("refused with an exception of another kind: ") + e.what()};
    }
}

}  // namespace zelfuzz
