#include "host/param_assignment.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <iterator>
#include <optional>
#include <regex>
#include <stdexcept>
#include <utility>
#include <vector>

#include "host/message_text.h"
#include "host/number_text.h"
#include "host/scene_check.h"

namespace zelrender {
namespace {

[[noreturn]] void refuse(const RegisteredParam& param, const std::string& accepted,
                         std::string_view text)
{
    throw std::invalid_argument(inQuotes(param.name()) + " takes " + accepted + "; got " +
                                inQuotes(text));
}

bool isControl(const RegisteredParam& param)
{
    return param.type() != PF_Param_GROUP_START && param.type() != PF_Param_GROUP_END;
}

std::string unknownControl(const ParamStore& store, std::string_view name)
{
    std::vector<std::string_view> names;
    for (const RegisteredParam& param : store.all()) {
        if (isControl(param)) {
            names.push_back(param.name());
        }
    }
    // A slip of a few letters suggests the name meant, and a word of a few names, such as
    // "Bend", suggests them all; past a few, the list is the better guide.
    const std::optional<std::string_view> closest = closestName(name, names);
    std::vector<std::string_view> suggested;
    if (closest) {
        suggested.push_back(*closest);
    }
    const auto lower = [](std::string_view text) {
        std::string lowered(text);
        std::ranges::transform(lowered, lowered.begin(),
                               [](unsigned char c) { return std::tolower(c); });
        return lowered;
    };
    for (std::string_view control : names) {
        if (!name.empty() && lower(control).find(lower(name)) != std::string::npos &&
            std::ranges::find(suggested, control) == suggested.end()) {
            suggested.push_back(control);
        }
    }
    constexpr std::size_t kMostSuggested = 8;
    if (suggested.size() > kMostSuggested) {
        suggested.resize(closest ? 1 : 0);
    }
    if (suggested.empty()) {
        return inQuotes(name) + ": no such control; --list-params shows them all";
    }
    return inQuotes(name) + ": no such control; did you mean " + quotedList(suggested) + "?";
}

double parseSlider(const RegisteredParam& param, std::string_view text)
{
    const PF_FloatSliderDef& slider = param.def.u.fs_d;
    const std::optional<double> number = parseNumber(text);
    if (!number || *number < slider.valid_min || *number > slider.valid_max) {
        refuse(param,
               "a number from " + formatNumber(slider.valid_min) + " to " +
                   formatNumber(slider.valid_max),
               text);
    }
    return *number;
}

Choice parseChoice(const RegisteredParam& param, std::string_view text)
{
    const std::vector<std::string_view> choices = param.choiceList();
    const auto byText = std::find(choices.begin(), choices.end(), text);
    if (byText != choices.end()) {
        return Choice{static_cast<std::int32_t>(byText - choices.begin()) + 1};
    }
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error == std::errc{} && end == text.data() + text.size() && number >= 1 &&
        number <= static_cast<std::int32_t>(choices.size())) {
        return Choice{number};
    }
    refuse(param,
           quotedList(choices) + ", or a number from 1 to " + std::to_string(choices.size()),
           text);
}

std::optional<std::uint8_t> hexByte(std::string_view digits)
{
    std::uint8_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (error != std::errc{} || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

Color parseColor(const RegisteredParam& param, std::string_view text)
{
    if (const std::optional<Color> color = colorFromText(text)) {
        return *color;
    }
    refuse(param, "a colour as #RRGGBB (hexadecimal)", text);
}

// Pixels, or percent of `size` ("50%").
std::optional<double> coordinate(std::string_view text, double size)
{
    const std::size_t last = text.find_last_not_of(' ');
    if (last != std::string_view::npos && text[last] == '%') {
        const std::optional<double> percent = parseNumber(text.substr(0, last));
        return percent ? std::optional(*percent / 100 * size) : std::nullopt;
    }
    return parseNumber(text);
}

LayerPoint parsePoint(const RegisteredParam& param, std::string_view text, const Composition& layer)
{
    const std::size_t comma = text.find(',');
    if (comma != std::string_view::npos) {
        const auto x = coordinate(text.substr(0, comma), layer.width);
        const auto y = coordinate(text.substr(comma + 1), layer.height);
        if (x && y) {
            return LayerPoint{*x, *y};
        }
    }
    refuse(param, "a point as X,Y in pixels of the full-size layer, or in percent of it (50%,50%)",
           text);
}

// Keyframes as applyAssignments takes them. A value may hold commas (a point, some choices), so a
// keyframe starts only where a time and a colon follow a comma.
AnimatedValue parseKeyframes(const RegisteredParam& param, std::string_view text,
                             const Composition& layer)
{
    const std::string_view typed = text;
    Interpolation interpolation = Interpolation::Linear;
    const std::size_t space = text.rfind(' ');
    const auto named = std::ranges::find_if(kInterpolations, [&](const auto& kind) {
        return space != std::string_view::npos && text.substr(space + 1) == kind.name;
    });
    if (named != std::end(kInterpolations)) {
        interpolation = named->value;
        text = text.substr(0, space);
    }
    static const std::regex start(R"((^|,) *(-?[0-9]+(\.[0-9]+)?)s *:)");
    const std::string all(text);
    const std::vector<std::smatch> starts(std::sregex_iterator(all.begin(), all.end(), start),
                                          std::sregex_iterator());
    std::vector<Keyframe> keyframes;
    for (std::size_t i = 0; i < starts.size() && starts.front().position() == 0; ++i) {
        const std::string time = starts[i][2].str();
        const std::optional<double> seconds = parseNumber(time);
        if (!seconds) {
            break;
        }
        const auto from = static_cast<std::size_t>(starts[i].position() + starts[i].length());
        const std::size_t to =
            i + 1 < starts.size() ? static_cast<std::size_t>(starts[i + 1].position()) : all.size();
        try {
            keyframes.push_back({*seconds, parseValue(param, all.substr(from, to - from), layer)});
        } catch (const std::invalid_argument& e) {
            throw std::invalid_argument("at " + time + "s, " + e.what());
        }
    }
    if (keyframes.size() != starts.size() || keyframes.empty()) {
        refuse(param,
               "keyframes as TIMEs:VALUE,... with TIME in seconds, in order of time, then "
               "\"linear\", \"hold\" or \"smooth\" after a space (linear when left out), such "
               "as \"0s:0,4s:360 hold\"",
               typed);
    }
    try {
        return AnimatedValue(std::move(keyframes), interpolation);
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument(inQuotes(param.name()) + ": " + e.what());
    }
}

}  // namespace

const LayerKey* layerNamed(std::string_view assignment)
{
    const std::size_t equals = assignment.find('=');
    for (const LayerKey& layer : kLayerKeys) {
        if (equals != std::string_view::npos && assignment.substr(0, equals) == layer.control) {
            return &layer;
        }
    }
    return nullptr;
}

ParamValue parseValue(const RegisteredParam& param, std::string_view text,
                      const Composition& layer)
{
    switch (param.type()) {
    case PF_Param_FLOAT_SLIDER:
        return parseSlider(param, text);
    case PF_Param_POPUP:
        return parseChoice(param, text);
    case PF_Param_COLOR:
        return parseColor(param, text);
    case PF_Param_POINT:
        return parsePoint(param, text, layer);
    default:
        throw std::invalid_argument(inQuotes(param.name()) + " takes no value on the command line");
    }
}

std::optional<Color> colorFromText(std::string_view text)
{
    if (text.size() == 7 && text[0] == '#') {
        const auto red = hexByte(text.substr(1, 2));
        const auto green = hexByte(text.substr(3, 2));
        const auto blue = hexByte(text.substr(5, 2));
        if (red && green && blue) {
            return Color::fromPixel(PF_Pixel{PF_MAX_CHAN8, *red, *green, *blue});
        }
    }
    return std::nullopt;
}

std::string colorText(const PF_Pixel& pixel)
{
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "#%02X%02X%02X", pixel.red, pixel.green, pixel.blue);
    return text.data();
}

// Where a group and a control share a name, the control is meant: groups hold no value.
int findControl(const ParamStore& store, std::string_view name)
{
    bool namesGroup = false;
    for (std::int32_t i = 1; i < store.size(); ++i) {
        if (store.at(i).name() == name) {
            if (isControl(store.at(i))) {
                return i;
            }
            // A group's end has no name of its own.
            namesGroup = namesGroup || store.at(i).type() == PF_Param_GROUP_START;
        }
    }
    if (namesGroup) {
        throw std::invalid_argument(inQuotes(name) +
                                    " is a group of controls, which takes no value");
    }
    throw std::invalid_argument(unknownControl(store, name));
}

void applyAssignments(ParamStore& store, std::span<const std::string> assignments)
{
    std::vector<std::pair<int, AnimatedValue>> values;
    for (const std::string& assignment : assignments) {
        const std::size_t equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0) {
            throw std::invalid_argument("--set takes NAME=VALUE, such as \"Vertices X=200\"; got " +
                                        inQuotes(assignment));
        }
        const int index = findControl(store, std::string_view(assignment).substr(0, equals));
        const RegisteredParam& param = store.at(index);
        const std::string_view text = std::string_view(assignment).substr(equals + 1);
        values.emplace_back(index, text.find(':') != std::string_view::npos
                                       ? parseKeyframes(param, text, store.composition())
                                       : AnimatedValue(parseValue(param, text, store.composition())));
    }
    for (auto& [index, value] : values) {
        store.animate(index, std::move(value));
    }
}

void assignLayers(Scene& scene, std::span<const std::string> assignments)
{
    for (const std::string& assignment : assignments) {
        const LayerKey* layer = layerNamed(assignment);
        if (layer == nullptr) {
            continue;
        }
        const std::filesystem::path file = assignment.substr(assignment.find('=') + 1);
        if (!file.empty()) {
            if (const std::string why = whyNotAnImage(file); !why.empty()) {
                throw std::invalid_argument(inQuotes(layer->control) + ": cannot read the image " +
                                            file.string() + ": " + oneLine(why));
            }
        }
        std::erase_if(scene.layers, [&](const auto& given) { return given.first == layer->control; });
        if (!file.empty()) {
            scene.layers.emplace_back(layer->control, file);
        }
    }
}

std::vector<std::string> controlAssignments(std::span<const std::string> assignments)
{
    std::vector<std::string> controls;
    std::ranges::copy_if(assignments, std::back_inserter(controls),
                         [](const std::string& assignment) { return layerNamed(assignment) == nullptr; });
    return controls;
}

}  // namespace zelrender
