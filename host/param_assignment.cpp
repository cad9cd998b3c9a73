#include "host/param_assignment.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "host/message_text.h"
#include "host/number_text.h"

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

LayerPoint parsePoint(const RegisteredParam& param, std::string_view text)
{
    const std::size_t comma = text.find(',');
    if (comma != std::string_view::npos) {
        const auto x = parseNumber(text.substr(0, comma));
        const auto y = parseNumber(text.substr(comma + 1));
        if (x && y) {
            return LayerPoint{*x, *y};
        }
    }
    refuse(param, "a point as X,Y in pixels of the full-size layer", text);
}

}  // namespace

ParamValue parseValue(const RegisteredParam& param, std::string_view text)
{
    switch (param.type()) {
    case PF_Param_FLOAT_SLIDER:
        return parseSlider(param, text);
    case PF_Param_POPUP:
        return parseChoice(param, text);
    case PF_Param_COLOR:
        return parseColor(param, text);
    case PF_Param_POINT:
        return parsePoint(param, text);
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
    std::vector<std::pair<int, ParamValue>> values;
    for (const std::string& assignment : assignments) {
        const std::size_t equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0) {
            throw std::invalid_argument("--set takes NAME=VALUE, such as \"Vertices X=200\"; got " +
                                        inQuotes(assignment));
        }
        const int index = findControl(store, std::string_view(assignment).substr(0, equals));
        values.emplace_back(index, parseValue(store.at(index), assignment.substr(equals + 1)));
    }
    for (auto& [index, value] : values) {
        store.animate(index, AnimatedValue(std::move(value)));
    }
}

}  // namespace zelrender
