#include "apps/zel-render/scene.h"

#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <numeric>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <type_traits>

#include "apps/zel-render/image_files.h"
#include "apps/zel-render/json_layout.h"
#include "apps/zel-render/message_text.h"
#include "apps/zel-render/number_text.h"
#include "apps/zel-render/param_assignment.h"
#include "apps/zel-render/whole_files.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

constexpr double kDefaultSeconds = 10;
constexpr double kMaxFps = 1000;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The layer controls a scene names by key.
struct LayerKey {
    const char* key;
    const char* control;
};
constexpr LayerKey kLayerKeys[] = {
    {"texture_layer", "Texture Layer"},
    {"amplitude_layer", "Amplitude Layer"},
};

template <typename T>
struct Named {
    const char* name;
    T value;
};

constexpr Named<AEGP_CameraType> kCameraTypes[] = {
    {"perspective", AEGP_CameraType_PERSPECTIVE},
    {"orthographic", AEGP_CameraType_ORTHOGRAPHIC},
};
constexpr Named<AEGP_LightType> kLightTypes[] = {
    {"parallel", AEGP_LightType_PARALLEL},
    {"spot", AEGP_LightType_SPOT},
    {"point", AEGP_LightType_POINT},
    {"ambient", AEGP_LightType_AMBIENT},
};
constexpr Named<Interpolation> kInterpolations[] = {
    {"linear", Interpolation::Linear},
    {"hold", Interpolation::Hold},
    {"smooth", Interpolation::Smooth},
};

[[noreturn]] void refuse(const std::string& where, const std::string& accepted, const Json* got)
{
    throw std::invalid_argument(
        where + (got == nullptr ? " is missing; it takes " + accepted
                                : " takes " + accepted + "; got " +
                                      got->dump(-1, ' ', false, Json::error_handler_t::replace)));
}

[[noreturn]] void refuse(const std::string& where, const std::string& accepted, const Json& got)
{
    refuse(where, accepted, &got);
}

// "a, b or c"; `last` joins the last two.
std::string listed(const std::vector<std::string>& words, const char* last = " or ")
{
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == words.size() ? last : ", ") + words[i];
    }
    return text;
}

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
            std::vector<std::string> known;
            for (const char* k : asked_) {
                known.push_back(inQuotes(k));
            }
            throw std::invalid_argument(at(oneLine(key)) + " is not a key here; the keys are " +
                                        listed(known, " and "));
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
    std::vector<std::string> names;
    for (const Named<T>& row : table) {
        if (v != nullptr && v->is_string() && v->get<std::string>() == row.name) {
            return row.value;
        }
        names.push_back(inQuotes(row.name));
    }
    refuse(where, listed(names), v);
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
    const auto p = numbers(v, where, 3, "a point [x, y, z] in pixels", -kInfinity, kInfinity);
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
        camera.zoom = animatedNumber(*zoom, fields.at("zoom"), 1, kInfinity);
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
        {"intensity", light.intensity, -kInfinity, kInfinity},
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
            if (!file->is_string() || file->get<std::string>().empty()) {
                refuse(fields.at(layer.key), "the path of an image file", *file);
            }
            layers.emplace_back(layer.control, base / file->get<std::string>());
        }
    }
    fields.refuseOthers();
    return layers;
}

// A control's value as a scene gives it: --set's text, or a JSON number or array.
ParamValue controlValue(const RegisteredParam& param, const Json& v, const std::string& where)
{
    const PF_ParamType type = param.type();
    if (type == PF_Param_LAYER) {
        throw std::invalid_argument(where + ": " + inQuotes(param.name()) +
                                    " is a layer; its image goes under \"layers\"");
    }
    try {
        if (v.is_string()) {
            return parseValue(param, v.get<std::string>());
        }
        if (v.is_number() && (type == PF_Param_FLOAT_SLIDER || type == PF_Param_POPUP)) {
            return parseValue(param, formatNumber(v.get<double>()));
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

std::string fileText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf())) {
        throw std::runtime_error(file.string() + ": cannot be read");
    }
    return text.str();
}

// The indentation of the first indented line: its run of spaces or tabs. Nothing for text on one
// line, which is written back on one line; two spaces when no line is indented.
std::optional<std::string> indentationOf(const std::string& text)
{
    const std::size_t newline = text.find('\n');
    if (newline == std::string::npos) {
        return std::nullopt;
    }
    for (std::size_t at = newline; at != std::string::npos; at = text.find('\n', at + 1)) {
        const char c = at + 1 < text.size() ? text[at + 1] : '\n';
        if (c == ' ' || c == '\t') {
            const std::size_t end = text.find_first_not_of(c, at + 1);
            return std::string((end == std::string::npos ? text.size() : end) - at - 1, c);
        }
    }
    return "  ";
}

// Whole numbers as integers, so that 100 is written 100 rather than 100.0.
Json numberJson(double value)
{
    constexpr double kExactInteger = 9007199254740992.0;  // 2^53
    if (std::trunc(value) == value && std::abs(value) < kExactInteger) {
        return static_cast<std::int64_t>(value);
    }
    return value;
}

// Line and column, from 1, of byte `offset` of `text`; columns count characters, not bytes.
std::string lineAndColumn(std::string_view text, std::size_t offset)
{
    const std::string_view before = text.substr(0, offset);
    const std::size_t lineStart = before.rfind('\n') + 1;  // 0 on the first line
    const auto line = 1 + std::count(before.begin(), before.end(), '\n');
    const auto column = 1 + std::count_if(before.begin() + static_cast<std::ptrdiff_t>(lineStart),
                                          before.end(), [](char c) {
                                              // Every byte but those that continue a UTF-8 one.
                                              return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
                                          });
    return std::to_string(line) + ":" + std::to_string(column);
}

// The parser's message without its identifier and its own count of lines and columns.
std::string reasonOf(const std::string& what)
{
    const std::size_t id = what.find("] ");
    std::string reason = id == std::string::npos ? what : what.substr(id + 2);
    if (reason.starts_with("parse error")) {
        reason.erase(0, std::min(reason.size(), reason.find(": ") + 2));
    }
    return reason;
}

// Reads a text as JSON for what the parser would let through: where the text stops being JSON,
// and a key given twice in one object, whose first value the parser would drop unnoticed.
class JsonCheck : public nlohmann::json_sax<Json> {
public:
    bool null() override { return element(); }
    bool boolean(bool) override { return element(); }
    bool number_integer(number_integer_t) override { return element(); }
    bool number_unsigned(number_unsigned_t) override { return element(); }
    bool number_float(number_float_t, const string_t&) override { return element(); }
    bool string(string_t&) override { return element(); }
    bool binary(binary_t&) override { return element(); }
    bool start_object(std::size_t) override { return open(false); }
    bool start_array(std::size_t) override { return open(true); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }

    bool key(string_t& key) override
    {
        Level& object = levels_.back();
        // Controls go by name, quoted as everything else says them.
        object.next =
            object.place.empty()
                ? oneLine(key)
                : object.place + "." + (object.place == "controls" ? inQuotes(key) : oneLine(key));
        if (!object.keys.insert(key).second) {
            fault_ = object.next + " is given twice; each key goes once in its object";
            return false;
        }
        return true;
    }

    bool parse_error(std::size_t position, const std::string&, const Json::exception& e) override
    {
        // The parser counts the bytes read, the faulty one included.
        position_ = position > 0 ? position - 1 : 0;
        fault_ = "not JSON: " + reasonOf(e.what());
        return false;
    }

    // Where the text went wrong, in bytes; none for a key given twice.
    std::optional<std::size_t> position() const { return position_; }
    const std::string& fault() const { return fault_; }

private:
    struct Level {
        std::string place;
        bool array = false;
        std::size_t count = 0;  // the elements read, in an array
        std::string next;       // the place of the value after the last key, in an object
        std::set<std::string> keys;
    };

    // The place of the value about to be read.
    std::string upcoming() const
    {
        if (levels_.empty()) {
            return "";
        }
        const Level& level = levels_.back();
        return level.array ? level.place + "[" + std::to_string(level.count) + "]" : level.next;
    }

    bool open(bool array)
    {
        levels_.push_back({upcoming(), array, 0, "", {}});
        return true;
    }

    bool close()
    {
        levels_.pop_back();
        return element();
    }

    bool element()
    {
        if (!levels_.empty() && levels_.back().array) {
            ++levels_.back().count;
        }
        return true;
    }

    std::vector<Level> levels_;
    std::optional<std::size_t> position_;
    std::string fault_;
};

// Why a file cannot be read: it is missing, out of reach or a directory; empty when it is none.
std::string whyUnreadable(const fs::path& file)
{
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    return error ? error.message() : fs::is_directory(status) ? "it is a directory" : "";
}

const fs::path* layerFile(const Scene& scene, const LayerKey& layer)
{
    const auto found = std::find_if(scene.layers.begin(), scene.layers.end(),
                                    [&](const auto& l) { return l.first == layer.control; });
    return found != scene.layers.end() ? &found->second : nullptr;
}

// Refuses, before the module is set up, an image that is missing or that OpenImageIO cannot open.
void checkLayerImages(const Scene& scene)
{
    for (const LayerKey& layer : kLayerKeys) {
        const fs::path* file = layerFile(scene, layer);
        if (file == nullptr) {
            continue;
        }
        std::string why = whyUnreadable(*file);
        if (why.empty() && !OIIO::ImageInput::open(file->string())) {
            why = OIIO::geterror();
            if (why.empty()) {
                why = "OpenImageIO cannot open it";
            }
        }
        if (!why.empty()) {
            throw std::invalid_argument(scene.source + ": layers." + layer.key +
                                        ": cannot read the image " + file->string() + ": " +
                                        oneLine(why));
        }
    }
}

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

// Every property, the default camera's where the scene leaves it out.
Json cameraJson(const Composition& c)
{
    const Camera camera = c.camera.value_or(Camera{});
    const AnimatedValue zoom = camera.zoom.value_or(AnimatedValue(c.defaultZoom()));
    // Left out, the position follows the zoom: a keyframe a zoom away for each of the zoom's.
    std::vector<Keyframe> standing;
    for (const Keyframe& k : zoom.keyframes()) {
        standing.push_back({k.seconds, c.defaultCameraPosition(std::get<double>(k.value))});
    }
    return {
        {"type", nameOf(camera.type, kCameraTypes)},
        {"position", animatedJson(camera.position.value_or(
                         AnimatedValue(std::move(standing), zoom.interpolation())))},
        {"point_of_interest",
         animatedJson(camera.pointOfInterest.value_or(AnimatedValue(c.centre())))},
        {"zoom", animatedJson(zoom)},
    };
}

Json lightJson(const Light& light, const Composition& c)
{
    const AnimatedValue position =
        light.position.value_or(AnimatedValue(c.defaultCameraPosition(c.defaultZoom())));
    const AnimatedValue pointOfInterest = light.pointOfInterest.value_or(AnimatedValue(c.centre()));
    return {
        {"type", nameOf(light.type, kLightTypes)},
        {"color", animatedJson(light.color)},
        {"intensity", animatedJson(light.intensity)},
        {"cone_angle", animatedJson(light.coneAngle)},
        {"cone_feather", animatedJson(light.coneFeather)},
        {"position", animatedJson(position)},
        {"point_of_interest", animatedJson(pointOfInterest)},
        {"in_point", numberJson(light.inPoint)},
        {"duration", numberJson(light.duration.value_or(c.seconds(c.duration)))},
        {"enabled", light.enabled},
    };
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

Scene parseSceneText(const std::string& text, const std::string& source, const fs::path& base)
{
    JsonCheck check;
    if (!Json::sax_parse(text, &check)) {
        const std::optional<std::size_t> at = check.position();
        throw std::invalid_argument(source + (at ? ":" + lineAndColumn(text, *at) : "") + ": " +
                                    check.fault());
    }
    return parseScene(Json::parse(text), source, base);
}

Scene readScene(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (const std::string why = whyUnreadable(file); !why.empty() || !in) {
        throw std::invalid_argument(file.string() + ": cannot be opened as a scene file" +
                                    (why.empty() ? "" : " (" + why + ")"));
    }
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    if (in.bad()) {
        throw std::invalid_argument(file.string() + ": cannot be read");
    }
    Scene scene = parseSceneText(text, file.string(), file.parent_path());
    checkLayerImages(scene);
    return scene;
}

Json sceneJson(const Scene& scene, const ParamStore& store)
{
    const Composition& c = scene.composition;
    Json lights = Json::array();
    for (const Light& light : c.lights) {
        lights.push_back(lightJson(light, c));
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
    return {
        {"composition", compositionJson(c)}, {"camera", cameraJson(c)},
        {"lights", std::move(lights)},       {"layers", std::move(layers)},
        {"controls", std::move(controls)},
    };
}

void writeControls(const fs::path& file,
                   const std::vector<std::pair<std::string, double>>& values)
{
    const std::string original = fileText(file);
    Json document;
    try {
        document = Json::parse(original);
    } catch (const Json::parse_error& e) {
        throw std::runtime_error(file.string() + ": is not JSON: " + e.what());
    }
    Json& controls = document["controls"];
    for (const auto& [name, value] : values) {
        controls[name] = numberJson(value);
    }
    const std::optional<std::string> indent = indentationOf(original);
    std::string text = indent ? sceneFileText(document, static_cast<int>(indent->size()),
                                              indent->front())
                              : document.dump();
    if (!original.empty() && original.back() == '\n') {
        text += '\n';
    }

    try {
        replaceWithText(file, text, file.parent_path() / ("." + file.filename().string() + ".new"));
    } catch (const std::runtime_error& e) {
        throw OutputFailed(file.string() + ": cannot be written (" + e.what() +
                           "); it is left as it was");
    }
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
                                                [&param](const Json& v, const std::string& where) {
                                                    return controlValue(param, v, where);
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
