#include "host/scene.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <optional>
#include <stdexcept>

#include "host/message_text.h"
#include "host/number_text.h"
#include "host/param_assignment.h"
#include "host/scene_check.h"
#include "host/scene_names.h"
#include "host/whole_files.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

constexpr double kDefaultSeconds = 10;
constexpr double kMaxFps = 1000;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Camera and light positions, zooms and intensities lie within this, far beyond any use: so the
// lengths, directions and matrices made from them stay finite, in floats as well.
constexpr double kLargestSpace = 1e9;

[[noreturn]] void refuse(const std::string& where, const std::string& accepted, const Json* got)
{
    throw std::invalid_argument(
        where + (got == nullptr ? " is missing; it takes " + accepted
                                : " takes " + accepted + "; got " +
                                      abridged(got->dump(-1, ' ', false,
                                                         Json::error_handler_t::replace))));
}

[[noreturn]] void refuse(const std::string& where, const std::string& accepted, const Json& got)
{
    refuse(where, accepted, &got);
}

// "a, b or c"; `last` joins the last two.
// One object of the scene, read key by key; a key nobody asked for is refused at the end.
class Fields {
public:
    Fields(const Json& value, std::string where) : value_(value), where_(std::move(where))
    {
        if (!value_.is_object()) {
            refuse(where_.empty() ? "the scene" : where_, "an object ({...})", value_);
        }
    }

    const Json* find(const char* key)
    {
        asked_.push_back(key);
        const auto found = value_.find(key);
        return found != value_.end() ? &*found : nullptr;
    }

    std::string at(const std::string& key) const
    {
        return where_.empty() ? key : where_ + "." + key;
    }

    void refuseOthers() const
    {
        for (const auto& [key, unused] : value_.items()) {
            if (std::find(asked_.begin(), asked_.end(), key) != asked_.end()) {
                continue;
            }
            const std::vector<std::string_view> keys(asked_.begin(), asked_.end());
            if (const std::optional<std::string_view> close = closestName(key, keys)) {
                throw std::invalid_argument(at(oneLine(key)) + " is not a key here; did you mean " +
                                            inQuotes(*close) + "?");
            }
            throw std::invalid_argument(at(oneLine(key)) + " is not a key here; the keys are " +
                                        quotedList(keys, " and "));
        }
    }

private:
    const Json& value_;
    std::string where_;
    std::vector<const char*> asked_;
};

// A number from `low` to `high`, both included; an infinite bound is none.
double number(const Json& v, const std::string& where, double low, double high)
{
    if (!v.is_number() || !(v.get<double>() >= low && v.get<double>() <= high)) {
        const std::string from = std::isinf(low) ? "" : " from " + formatNumber(low);
        const std::string to =
            std::isinf(high) ? (from.empty() ? "" : " up") : " to " + formatNumber(high);
        refuse(where, "a number" + from + to, v);
    }
    return v.get<double>();
}

std::int32_t integer(const Json& v, const std::string& where, std::int32_t low, std::int32_t high)
{
    if (!v.is_number_integer() || v.get<std::int64_t>() < low || v.get<std::int64_t>() > high) {
        refuse(where, "a whole number from " + std::to_string(low) + " to " + std::to_string(high),
               v);
    }
    return static_cast<std::int32_t>(v.get<std::int64_t>());
}

template <typename T, std::size_t N>
T named(const Json* v, const std::string& where, const Named<T> (&table)[N])
{
    std::vector<std::string_view> names;
    for (const Named<T>& row : table) {
        if (v != nullptr && v->is_string() && v->get<std::string>() == row.name) {
            return row.value;
        }
        names.push_back(row.name);
    }
    refuse(where, quotedList(names), v);
}

// `count` finite numbers from `low` to `high`.
std::vector<double> numbers(const Json& v, const std::string& where, std::size_t count,
                            const std::string& accepted, double low, double high)
{
    std::vector<double> values;
    if (v.is_array() && v.size() == count) {
        for (const Json& item : v) {
            if (!item.is_number() || !(item.get<double>() >= low && item.get<double>() <= high)) {
                break;
            }
            values.push_back(item.get<double>());
        }
    }
    if (values.size() != count) {
        refuse(where, accepted, v);
    }
    return values;
}

ParamValue spacePoint(const Json& v, const std::string& where)
{
    const auto p = numbers(v, where, 3,
                           "a point [x, y, z] in pixels, each from -1000000000 to 1000000000",
                           -kLargestSpace, kLargestSpace);
    return SpacePoint{p[0], p[1], p[2]};
}

ParamValue colour(const Json& v, const std::string& where)
{
    const auto c = numbers(v, where, 3, "a colour [red, green, blue], each from 0 to 1", 0, 1);
    return Color{1, c[0], c[1], c[2]};
}

using ValueReader = std::function<ParamValue(const Json&, const std::string&)>;

// A constant, or {"keyframes": [[seconds, value], ...], "interpolation": "linear" | "hold" |
// "smooth"}, the keyframes in order of time.
AnimatedValue animated(const Json& v, const std::string& where, const ValueReader& read)
{
    if (!v.is_object()) {
        return AnimatedValue(read(v, where));
    }
    Fields fields(v, where);
    const Json* keyframes = fields.find("keyframes");
    const Json* interpolation = fields.find("interpolation");
    fields.refuseOthers();
    const std::string keyframesAt = fields.at("keyframes");
    if (keyframes == nullptr || !keyframes->is_array() || keyframes->empty()) {
        refuse(keyframesAt, "a list of one or more [seconds, value]", keyframes);
    }
    std::vector<Keyframe> list;
    for (std::size_t i = 0; i < keyframes->size(); ++i) {
        const Json& k = (*keyframes)[i];
        const std::string at = keyframesAt + "[" + std::to_string(i) + "]";
        if (!k.is_array() || k.size() != 2) {
            refuse(at, "[seconds, value]", k);
        }
        list.push_back({number(k[0], at + "[0]", -kInfinity, kInfinity), read(k[1], at + "[1]")});
    }
    const Interpolation how =
        interpolation != nullptr ? named(interpolation, fields.at("interpolation"), kInterpolations)
                                 : Interpolation::Linear;
    try {
        return AnimatedValue(std::move(list), how);
    } catch (const std::invalid_argument& e) {
        // Such as "keyframes[2] is at 1 s, not after keyframes[1] at 2 s".
        throw std::invalid_argument(where + "." + e.what());
    }
}

// A number from `low` to `high`, or keyframes of them, held there between keyframes too.
AnimatedValue animatedNumber(const Json& v, const std::string& where, double low, double high)
{
    AnimatedValue value = animated(v, where, [low, high](const Json& n, const std::string& at) {
        return ParamValue(number(n, at, low, high));
    });
    value.holdWithin(low, high);
    return value;
}

std::optional<AnimatedValue> optionalAnimated(Fields& fields, const char* key,
                                              const ValueReader& read)
{
    const Json* v = fields.find(key);
    return v != nullptr ? std::optional(animated(*v, fields.at(key), read)) : std::nullopt;
}

// The longest time, in seconds, that the host's 32-bit times hold at the composition's rate.
double maxSeconds(const Composition& c)
{
    return std::floor(std::numeric_limits<std::int32_t>::max() / static_cast<double>(c.timeScale));
}

// A decimal ratio as a fraction with `denominator`, reduced.
PF_RationalScale rational(double value, std::int64_t denominator)
{
    const auto numerator = static_cast<std::int64_t>(std::llround(value * denominator));
    const std::int64_t common = std::gcd(numerator, denominator);
    return {static_cast<std::int32_t>(numerator / common),
            static_cast<std::uint32_t>(denominator / common)};
}

void readComposition(const Json& v, Composition& c)
{
    Fields fields(v, "composition");
    if (const Json* w = fields.find("width")) {
        c.width = integer(*w, fields.at("width"), 1, kMaxLayerSide);
    }
    if (const Json* h = fields.find("height")) {
        c.height = integer(*h, fields.at("height"), 1, kMaxLayerSide);
    }
    if (const Json* a = fields.find("pixel_aspect")) {
        c.pixelAspect = rational(number(*a, fields.at("pixel_aspect"), 0.1, 10), 10000);
    }
    double fps = static_cast<double>(c.timeScale) / c.timeStep;
    if (const Json* f = fields.find("fps")) {
        fps = number(*f, fields.at("fps"), 0.01, kMaxFps);
        const PF_RationalScale rate = rational(fps, 1000);
        c.timeScale = static_cast<std::uint32_t>(rate.num);
        c.timeStep = static_cast<std::int32_t>(rate.den);
    }
    // Whole frames, in time units that must fit the host's 32 bits.
    const Json* d = fields.find("duration");
    const double seconds =
        d != nullptr ? number(*d, fields.at("duration"), 0, maxSeconds(c)) : kDefaultSeconds;
    const std::int64_t frames = std::clamp<std::int64_t>(
        std::llround(seconds * fps), 1, std::numeric_limits<std::int32_t>::max() / c.timeStep);
    c.duration = static_cast<std::int32_t>(frames * c.timeStep);
    if (const Json* b = fields.find("bits_per_channel")) {
        if (!b->is_number_integer() || (*b != 8 && *b != 16 && *b != 32)) {
            refuse(fields.at("bits_per_channel"), "8, 16 or 32", *b);
        }
        c.bitsPerChannel = b->get<int>();
    }
    fields.refuseOthers();
}

Camera readCamera(const Json& v)
{
    Fields fields(v, "camera");
    Camera camera;
    if (const Json* type = fields.find("type")) {
        camera.type = named(type, fields.at("type"), kCameraTypes);
    }
    camera.position = optionalAnimated(fields, "position", spacePoint);
    camera.pointOfInterest = optionalAnimated(fields, "point_of_interest", spacePoint);
    if (const Json* zoom = fields.find("zoom")) {
        camera.zoom = animatedNumber(*zoom, fields.at("zoom"), 1, kLargestSpace);
    }
    fields.refuseOthers();
    return camera;
}

Light readLight(const Json& v, const std::string& where, const Composition& composition)
{
    const double longest = maxSeconds(composition);
    Fields fields(v, where);
    Light light;
    const Json* type = fields.find("type");
    light.type = named(type, fields.at("type"), kLightTypes);
    if (const std::optional<AnimatedValue> color = optionalAnimated(fields, "color", colour)) {
        light.color = *color;
    }
    const struct {
        const char* key;
        AnimatedValue& value;
        double low;
        double high;
    } properties[] = {
        {"intensity", light.intensity, -kLargestSpace, kLargestSpace},
        {"cone_angle", light.coneAngle, 0, 180},
        {"cone_feather", light.coneFeather, 0, 100},
    };
    for (const auto& p : properties) {
        if (const Json* given = fields.find(p.key)) {
            p.value = animatedNumber(*given, fields.at(p.key), p.low, p.high);
        }
    }
    light.position = optionalAnimated(fields, "position", spacePoint);
    light.pointOfInterest = optionalAnimated(fields, "point_of_interest", spacePoint);
    if (const Json* in = fields.find("in_point")) {
        light.inPoint = number(*in, fields.at("in_point"), -longest, longest);
    }
    if (const Json* d = fields.find("duration")) {
        light.duration = number(*d, fields.at("duration"), 0, longest);
    }
    if (const Json* on = fields.find("enabled")) {
        if (!on->is_boolean()) {
            refuse(fields.at("enabled"), "true or false", *on);
        }
        light.enabled = on->get<bool>();
    }
    fields.refuseOthers();
    return light;
}

std::vector<std::pair<std::string, fs::path>> readLayers(const Json& v, const fs::path& base)
{
    Fields fields(v, "layers");
    std::vector<std::pair<std::string, fs::path>> layers;
    for (const LayerKey& layer : kLayerKeys) {
        if (const Json* file = fields.find(layer.key)) {
            // A NUL would end the path early, and another file would be read.
            if (!file->is_string() || file->get<std::string>().empty() ||
                file->get<std::string>().find('\0') != std::string::npos) {
                refuse(fields.at(layer.key), "the path of an image file", *file);
            }
            layers.emplace_back(layer.control, base / file->get<std::string>());
        }
    }
    fields.refuseOthers();
    return layers;
}

// A control's value as a scene gives it: typed text (parseValue), or a JSON number or array.
ParamValue controlValue(const RegisteredParam& param, const Json& v, const std::string& where,
                        const Composition& layer)
{
    const PF_ParamType type = param.type();
    if (type == PF_Param_LAYER) {
        throw std::invalid_argument(where + ": " + inQuotes(param.name()) +
                                    " is a layer; its image goes under \"layers\"");
    }
    try {
        if (v.is_string()) {
            return parseValue(param, v.get<std::string>(), layer);
        }
        if (v.is_number() && (type == PF_Param_FLOAT_SLIDER || type == PF_Param_POPUP)) {
            return parseValue(param, formatNumber(v.get<double>()), layer);
        }
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument(where + ": " + e.what());
    }
    switch (type) {
    case PF_Param_FLOAT_SLIDER:
        refuse(where, "a number", v);
    case PF_Param_POPUP:
        refuse(where, "a choice's text or number", v);
    case PF_Param_COLOR:
        if (v.is_array()) {
            return colour(v, where);
        }
        refuse(where, "\"#RRGGBB\" or [red, green, blue], each from 0 to 1", v);
    case PF_Param_POINT: {
        const auto p = numbers(v, where, 2, "[x, y] or \"x,y\" in pixels of the full-size layer",
                               -kInfinity, kInfinity);
        return LayerPoint{p[0], p[1]};
    }
    default:
        throw std::invalid_argument(where + ": " + inQuotes(param.name()) + " takes no value");
    }
}

std::string sourceName(const fs::path& file)
{
    return file == "-" ? "standard input" : file.string();
}

}  // namespace

Scene defaultScene()
{
    return Scene{};
}

Scene parseScene(const Json& document, const std::string& source, const fs::path& base)
{
    Scene scene;
    scene.source = source;
    try {
        Fields fields(document, "");
        if (const Json* c = fields.find("composition")) {
            readComposition(*c, scene.composition);
        }
        if (const Json* c = fields.find("camera")) {
            scene.composition.camera = readCamera(*c);
        }
        if (const Json* l = fields.find("lights")) {
            if (!l->is_array()) {
                refuse("lights", "a list of lights ([{...}, ...])", *l);
            }
            for (std::size_t i = 0; i < l->size(); ++i) {
                scene.composition.lights.push_back(
                    readLight((*l)[i], "lights[" + std::to_string(i) + "]", scene.composition));
            }
        }
        if (const Json* l = fields.find("layers")) {
            scene.layers = readLayers(*l, base);
        }
        if (const Json* b = fields.find("background")) {
            const auto given = b->is_string() ? parseBackground(b->get<std::string>(), base)
                                              : std::nullopt;
            if (!given && !b->is_array()) {
                refuse("background",
                       "a colour, \"#RRGGBB\" (hexadecimal) or [red, green, blue] each from 0 to "
                       "1, or the path of an image file",
                       *b);
            }
            scene.background = given ? *given : std::get<Color>(colour(*b, "background"));
        }
        if (const Json* c = fields.find("controls")) {
            if (!c->is_object()) {
                refuse("controls", "an object of control names and values", *c);
            }
            scene.controls = *c;
        }
        fields.refuseOthers();
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument(source + ": " + e.what());
    }
    return scene;
}

std::optional<Background> parseBackground(const std::string& text, const fs::path& base)
{
    // A NUL would end the path early, and another file would be read.
    if (text.empty() || text.find('\0') != std::string::npos || text.front() == '#') {
        return colorFromText(text);
    }
    return base / text;
}

Scene parseSceneText(const std::string& text, const std::string& source, const fs::path& base)
{
    checkSceneText(text, source);
    return parseScene(Json::parse(text), source, base);
}

bool isStreamPath(const fs::path& file)
{
    const std::string path = file.lexically_normal().string();
    return path == "-" || path == "/dev/stdin" || path.starts_with("/dev/fd/") ||
           path.starts_with("/proc/");
}

std::string readSceneText(const fs::path& file)
{
    try {
        return file == "-" ? readWhole(STDIN_FILENO, kMaxSceneBytes)
                           : readWhole(file, kMaxSceneBytes);
    } catch (const std::runtime_error& e) {
        throw std::invalid_argument(sourceName(file) + ": cannot be opened as a scene file (" +
                                    e.what() + ")");
    }
}

Scene readScene(const fs::path& file)
{
    return readScene(file, readSceneText(file));
}

Scene readScene(const fs::path& file, const std::string& text)
{
    // What comes through a stream has no folder of its own to find images in.
    Scene scene = parseSceneText(text, sourceName(file),
                                 isStreamPath(file) ? fs::path() : file.parent_path());
    checkLayerImages(scene);
    return scene;
}

void applyControls(const Scene& scene, ParamStore& store)
{
    std::vector<std::pair<int, AnimatedValue>> values;
    try {
        for (const auto& [name, value] : scene.controls.items()) {
            int index = 0;
            try {
                index = findControl(store, name);
            } catch (const std::invalid_argument& e) {
                throw std::invalid_argument(std::string("controls.") + e.what());
            }
            const RegisteredParam& param = store.at(index);
            values.emplace_back(index, animated(value, "controls." + inQuotes(name),
                                                [&](const Json& v, const std::string& where) {
                                                    return controlValue(param, v, where,
                                                                        store.composition());
                                                }));
        }
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument(scene.source + ": " + e.what());
    }
    for (auto& [index, value] : values) {
        store.animate(index, std::move(value));
    }
}

}  // namespace zelrender
