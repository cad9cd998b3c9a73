#include "host/scene.h"

#include <algorithm>
#include <stdexcept>
#include <type_traits>

#include "host/json_layout.h"
#include "host/param_assignment.h"
#include "host/scene_names.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

template <typename T, std::size_t N>
const char* nameOf(T value, const Named<T> (&table)[N])
{
    for (const Named<T>& row : table) {
        if (row.value == value) {
            return row.name;
        }
    }
    throw std::logic_error("a value without a name in scene files");
}

// A value as a scene writes it: colours as [red, green, blue] (scenes give colours opaque), or
// for a control as #RRGGBB where that is exact; a choice by its text, unless an earlier choice
// has that text too, which would be read instead.
Json valueJson(const ParamValue& value, const RegisteredParam* control)
{
    return std::visit(
        [&](const auto& v) -> Json {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, double>) {
                return numberJson(v);
            } else if constexpr (std::is_same_v<T, Choice>) {
                const std::vector<std::string_view> choices =
                    control != nullptr ? control->choiceList() : std::vector<std::string_view>{};
                const auto index = static_cast<std::size_t>(v.number - 1);
                const bool byText =
                    index < choices.size() &&
                    std::find(choices.begin(), choices.end(), choices[index]) ==
                        choices.begin() + static_cast<std::ptrdiff_t>(index);
                return byText ? Json(choices[index]) : Json(v.number);
            } else if constexpr (std::is_same_v<T, Color>) {
                const PF_Pixel pixel = v.toPixel();
                return control != nullptr && Color::fromPixel(pixel) == v
                           ? Json(colorText(pixel))
                           : Json::array({numberJson(v.red), numberJson(v.green),
                                          numberJson(v.blue)});
            } else if constexpr (std::is_same_v<T, LayerPoint>) {
                return Json::array({numberJson(v.x), numberJson(v.y)});
            } else if constexpr (std::is_same_v<T, SpacePoint>) {
                return Json::array({numberJson(v.x), numberJson(v.y), numberJson(v.z)});
            } else {
                return nullptr;
            }
        },
        value);
}

// A constant, or keyframes as animated() reads them; one keyframe holds at every time, so it is
// written as a constant.
Json animatedJson(const AnimatedValue& value, const RegisteredParam* control = nullptr)
{
    const std::vector<Keyframe>& keyframes = value.keyframes();
    if (keyframes.size() == 1) {
        return valueJson(keyframes.front().value, control);
    }
    Json list = Json::array();
    for (const Keyframe& k : keyframes) {
        list.push_back(Json::array({numberJson(k.seconds), valueJson(k.value, control)}));
    }
    return {{"keyframes", std::move(list)},
            {"interpolation", nameOf(value.interpolation(), kInterpolations)}};
}

Json compositionJson(const Composition& c)
{
    return {
        {"width", c.width},
        {"height", c.height},
        {"pixel_aspect", numberJson(static_cast<double>(c.pixelAspect.num) / c.pixelAspect.den)},
        {"fps", numberJson(static_cast<double>(c.timeScale) / c.timeStep)},
        {"duration", numberJson(c.seconds(c.duration))},
        {"bits_per_channel", c.bitsPerChannel},
    };
}

// The properties the scene gives: one left out follows the composition's size, as the default
// camera does, rather than freeze the size the scene was written at.
Json cameraJson(const Camera& camera)
{
    Json json = {{"type", nameOf(camera.type, kCameraTypes)}};
    const std::pair<const char*, const std::optional<AnimatedValue>&> properties[] = {
        {"position", camera.position}, {"point_of_interest", camera.pointOfInterest}, {"zoom", camera.zoom}};
    for (const auto& [key, value] : properties) {
        if (value) {
            json[key] = animatedJson(*value);
        }
    }
    return json;
}

// Every property, but those that follow the composition where the scene leaves them out: the
// position and point of interest (the default camera's, the centre) and the duration.
Json lightJson(const Light& light)
{
    Json json = {
        {"type", nameOf(light.type, kLightTypes)},
        {"color", animatedJson(light.color)},
        {"intensity", animatedJson(light.intensity)},
        {"cone_angle", animatedJson(light.coneAngle)},
        {"cone_feather", animatedJson(light.coneFeather)},
    };
    if (light.position) {
        json["position"] = animatedJson(*light.position);
    }
    if (light.pointOfInterest) {
        json["point_of_interest"] = animatedJson(*light.pointOfInterest);
    }
    json["in_point"] = numberJson(light.inPoint);
    if (light.duration) {
        json["duration"] = numberJson(*light.duration);
    }
    json["enabled"] = light.enabled;
    return json;
}

}  // namespace

Json sceneJson(const Scene& scene, const ParamStore& store)
{
    const Composition& c = scene.composition;
    Json lights = Json::array();
    for (const Light& light : c.lights) {
        lights.push_back(lightJson(light));
    }
    Json layers = Json::object();
    for (const LayerKey& layer : kLayerKeys) {
        if (const fs::path* file = layerFile(scene, layer)) {
            layers[layer.key] = fs::absolute(*file).lexically_normal().string();
        }
    }
    Json controls = Json::object();
    for (const RegisteredParam& p : store.all()) {
        const PF_ParamType type = p.type();
        const bool holdsValue = type == PF_Param_FLOAT_SLIDER || type == PF_Param_POPUP ||
                                type == PF_Param_COLOR || type == PF_Param_POINT;
        // Of two controls with one name, the name reaches the first.
        if (const std::string name(p.name()); holdsValue && !controls.contains(name)) {
            controls[name] = animatedJson(p.value, &p);
        }
    }
    Json json = {{"composition", compositionJson(c)}};
    if (c.camera) {
        json["camera"] = cameraJson(*c.camera);
    }
    json["lights"] = std::move(lights);
    json["layers"] = std::move(layers);
    if (const auto* color = std::get_if<Color>(&scene.background)) {
        json["background"] = valueJson(*color, nullptr);
    } else if (const auto* file = std::get_if<fs::path>(&scene.background)) {
        json["background"] = fs::absolute(*file).lexically_normal().string();
    }
    json["controls"] = std::move(controls);
    return json;
}

}  // namespace zelrender
