#include "apps/zel-fuzz/random_scenes.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "host/scene_names.h"

namespace zelfuzz {
namespace {

using Json = nlohmann::ordered_json;
using zelrender::RegisteredParam;

constexpr double kFps = 24;

class Draw {
public:
    explicit Draw(std::mt19937& random) : random_(random) {}

    double uniform(double low, double high)
    {
        return std::uniform_real_distribution<double>(low, high)(random_);
    }
    std::size_t below(std::size_t n)
    {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }
    bool chance(double p) { return uniform(0, 1) < p; }

    // Mostly within the slider's range, where people work; sometimes anywhere in the valid range,
    // at either end of it, at the default, or of any magnitude up to the range's.
    double slider(const PF_FloatSliderDef& s)
    {
        switch (below(10)) {
        case 0:
            return uniform(s.valid_min, s.valid_max);
        case 1:
            return chance(0.5) ? s.valid_min : s.valid_max;
        case 2:
            return s.default_value;
        case 3: {
            const double largest = std::max(std::abs(s.valid_min), std::abs(s.valid_max));
            const double magnitude = std::pow(10.0, uniform(-4, std::log10(largest)));
            return std::clamp(chance(0.5) ? magnitude : -magnitude, s.valid_min, s.valid_max);
        }
        default:
            return uniform(s.slider_min, s.slider_max);
        }
    }

    Json colour() { return Json::array({uniform(0, 1), uniform(0, 1), uniform(0, 1)}); }

    // Somewhere within three frames around the layer, z from far behind the viewer to beyond it.
    Json place(const SceneShape& shape)
    {
        return Json::array({uniform(-shape.width, 2 * shape.width),
                            uniform(-shape.height, 2 * shape.height),
                            uniform(-10 * shape.width, 2 * shape.width)});
    }

    template <typename T>
    const char* name(const T& table)
    {
        return std::begin(table)[below(std::size(table))].name;
    }

private:
    std::mt19937& random_;
};

// One hold keyframe per frame: frame k's value holds from half a frame before it, so that every
// frame lies between two keyframes rather than on one.
Json held(int frames, const std::function<Json()>& value)
{
    Json keys = Json::array();
    for (int k = 0; k < frames; ++k) {
        keys.push_back(Json::array({k == 0 ? 0.0 : (k - 0.5) / kFps, value()}));
    }
    return {{"keyframes", keys}, {"interpolation", "hold"}};
}

Json controlValue(Draw& draw, const RegisteredParam& param, const SceneShape& shape)
{
    switch (param.type()) {
    case PF_Param_FLOAT_SLIDER:
        return draw.slider(param.def.u.fs_d);
    case PF_Param_POPUP: {
        const auto choices = param.choiceList();
        return std::string(choices[draw.below(choices.size())]);
    }
    case PF_Param_COLOR:
        return draw.colour();
    case PF_Param_POINT:
        return Json::array({draw.uniform(-shape.width, 2 * shape.width),
                            draw.uniform(-shape.height, 2 * shape.height)});
    default:
        return nullptr;  // layers, buttons and groups hold no value
    }
}

// Fewer vertices and instances, in proportion, where a set asks for more than the shape allows.
void limitVertices(Json& controls, double maxVertices)
{
    if (!controls.contains("Vertices X") || !controls.contains("Vertices Y") ||
        !controls.contains("Instances")) {
        return;
    }
    double x = controls["Vertices X"], y = controls["Vertices Y"],
           instances = controls["Instances"];
    instances = std::max(1.0, std::min(instances, std::floor(maxVertices / (x * y))));
    if (const double f = std::sqrt(maxVertices / (x * y * instances)); f < 1) {
        x = std::max(2.0, std::floor(x * f));
        y = std::max(2.0, std::floor(y * f));
    }
    controls["Vertices X"] = x;
    controls["Vertices Y"] = y;
    controls["Instances"] = instances;
}

Json lightOf(Draw& draw, const SceneShape& shape)
{
    const int n = shape.frames;
    return {{"type", draw.name(zelrender::kLightTypes)},
            {"color", held(n, [&] { return draw.colour(); })},
            {"intensity", held(n,
                               [&] {
                                   return draw.chance(0.9) ? draw.uniform(0, 300)
                                                           : std::pow(10.0, draw.uniform(2, 6));
                               })},
            {"cone_angle", held(n, [&] { return draw.uniform(0, 180); })},
            {"cone_feather", held(n, [&] { return draw.uniform(0, 100); })},
            {"position", held(n, [&] { return draw.place(shape); })},
            {"point_of_interest", held(n, [&] { return draw.place(shape); })},
            {"enabled", draw.chance(0.85)}};
}

}  // namespace

Json randomScene(std::mt19937& random, const zelrender::ParamStore& controls,
                 const SceneShape& shape)
{
    Draw draw(random);
    std::vector<Json> frames(static_cast<std::size_t>(shape.frames), Json::object());
    for (Json& frame : frames) {
        for (const RegisteredParam& param : controls.all().subspan(1)) {
            if (Json value = controlValue(draw, param, shape); !value.is_null()) {
                frame[std::string(param.name())] = std::move(value);
            }
        }
        limitVertices(frame, shape.maxVertices);
    }
    Json scene = {{"composition",
                   {{"width", shape.width},
                    {"height", shape.height},
                    {"fps", kFps},
                    {"duration", shape.frames / kFps + 1},
                    {"bits_per_channel", 32}}}};
    if (draw.chance(0.6)) {
        const int n = shape.frames;
        scene["camera"] = {{"type", draw.name(zelrender::kCameraTypes)},
                           {"position", held(n, [&] { return draw.place(shape); })},
                           {"point_of_interest", held(n, [&] { return draw.place(shape); })},
                           {"zoom", held(n, [&] { return draw.uniform(1, 5.0 * shape.width); })}};
    }
    scene["lights"] = Json::array();
    for (std::size_t lights = draw.below(4); lights > 0; --lights) {
        scene["lights"].push_back(lightOf(draw, shape));
    }
    if (!shape.images.empty()) {
        scene["layers"] = Json::object();
        for (const zelrender::LayerKey& layer : zelrender::kLayerKeys) {
            if (draw.chance(0.4)) {
                scene["layers"][layer.key] =
                    std::filesystem::absolute(shape.images[draw.below(shape.images.size())]);
            }
        }
    }
    scene["controls"] = Json::object();
    for (const auto& [name, first] : frames.front().items()) {
        std::size_t k = 0;
        scene["controls"][name] = held(shape.frames, [&] { return frames[k++][name]; });
    }
    return scene;
}

Json frameOf(const Json& scene, int frame)
{
    if (scene.is_object() && scene.contains("keyframes")) {
        return scene["keyframes"][static_cast<std::size_t>(frame)][1];
    }
    Json copy = scene;
    if (copy.is_structured()) {
        for (Json& child : copy) {
            child = frameOf(child, frame);
        }
    }
    return copy;
}

}  // namespace zelfuzz
