#include "hosts/frei0r/frei0r_params.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "host/control_descriptions.h"
#include "host/number_text.h"

namespace zelfrei0r {
namespace {

using zel::params::Kind;
using zel::params::ParamSpec;
using zelrender::formatNumber;

// What the module registers for every colour and point: opaque white, the centre of the layer.
constexpr f0r_param_color_t kDefaultColor = {1, 1, 1};
constexpr f0r_param_position_t kDefaultPosition = {0.5, 0.5};

std::vector<std::string_view> choicesOf(const ParamSpec& control)
{
    std::vector<std::string_view> choices;
    std::string_view rest = control.choices;
    for (std::size_t bar = rest.find('|'); bar != std::string_view::npos; bar = rest.find('|')) {
        choices.push_back(rest.substr(0, bar));
        rest.remove_prefix(bar + 1);
    }
    choices.push_back(rest);
    return choices;
}

// The frei0r value that stands for choice `number` (1-based) of `count`.
double choicePosition(int number, std::size_t count)
{
    return count > 1 ? (number - 1) / static_cast<double>(count - 1) : 0;
}

// Four decimals are plenty to read a position by, and to type one that lands where meant.
std::string shortNumber(double value)
{
    return formatNumber(std::round(value * 1e4) / 1e4);
}

double sliderPosition(const ParamSpec& control, double value)
{
    const double span = control.sliderMax - control.sliderMin;
    return span != 0 ? (value - control.sliderMin) / span : 0;
}

// How a host gives the control its value, with the range.
std::string valueText(const ParamSpec& control)
{
    switch (control.kind) {
    case Kind::FloatSlider:
        return "0 to 1 spans the slider, " + formatNumber(control.sliderMin) + " to " +
               formatNumber(control.sliderMax) +
               "; beyond 0 to 1, where the host allows it, the same scale goes on, held within " +
               formatNumber(control.validMin) + " to " + formatNumber(control.validMax) +
               ". Default " + formatNumber(control.defaultValue) + " (" +
               shortNumber(sliderPosition(control, control.defaultValue)) + ").";
    case Kind::Popup: {
        const std::vector<std::string_view> choices = choicesOf(control);
        std::string text = "A choice:";
        for (std::size_t i = 0; i < choices.size(); ++i) {
            text += std::string(i == 0 ? " " : "; ") + std::string(choices[i]) + " " +
                    shortNumber(choicePosition(static_cast<int>(i) + 1, choices.size()));
        }
        return text + "; a value between takes the nearest. Default " +
               std::string(choices[static_cast<std::size_t>(control.defaultValue) - 1]) + ".";
    }
    case Kind::Color:
        return "Red, green and blue from 0 to 1. Default white.";
    case Kind::Point:
        return "Here x and y are fractions of the frame's width and height from its top left. "
               "Default the centre, 0.5, 0.5.";
    case Kind::Layer:
        return "The path of an image file; empty: the scene's image, if it names one.";
    case Kind::GroupStart:
    case Kind::GroupEnd:
    case Kind::Button:
        break;
    }
    return {};
}

// What the control does, then how a host sets it.
std::string explanationOf(const ParamSpec& control)
{
    const std::string_view description = zelrender::controlDescription(control.name);
    return description.empty() ? valueText(control)
                               : std::string(description) + ". " + valueText(control);
}

int frei0rType(Kind kind)
{
    switch (kind) {
    case Kind::Color: return F0R_PARAM_COLOR;
    case Kind::Point: return F0R_PARAM_POSITION;
    case Kind::Layer: return F0R_PARAM_STRING;
    default: return F0R_PARAM_DOUBLE;
    }
}

std::vector<Frei0rParam> paramsOf(PluginKind kind)
{
    std::vector<Frei0rParam> params = {
        {"scene", F0R_PARAM_STRING,
         "The path of a zel-render scene file (JSON): composition, camera, lights, layer images "
         "and control values or keyframes; empty: the default scene. A control set here "
         "overrides the scene's value, unless set to its default. Past the scene's duration its "
         "last frame holds.",
         nullptr},
        {"time scale", F0R_PARAM_DOUBLE,
         "Seconds per unit of the host's time: 1 where it counts in seconds (GStreamer, MLT), "
         "0.001 for ffmpeg, which counts in milliseconds. Each frame is the scene's frame "
         "nearest that time. Default 1.",
         nullptr},
    };
    for (const ParamSpec& control : zel::params::table()) {
        const bool ownedByHost =
            kind == PluginKind::Texture && control.index == zel::params::kTextureLayer;
        if (control.kind == Kind::GroupStart || control.kind == Kind::GroupEnd ||
            control.kind == Kind::Button || ownedByHost) {
            continue;
        }
        params.push_back({control.name, frei0rType(control.kind), explanationOf(control),
                          &control});
    }
    return params;
}

}  // namespace

const std::vector<Frei0rParam>& frei0rParams(PluginKind kind)
{
    static const std::vector<Frei0rParam> source = paramsOf(PluginKind::Source);
    static const std::vector<Frei0rParam> texture = paramsOf(PluginKind::Texture);
    return kind == PluginKind::Source ? source : texture;
}

Frei0rValue defaultValue(const Frei0rParam& param)
{
    if (param.control == nullptr) {
        return param.type == F0R_PARAM_STRING ? Frei0rValue(std::string()) : Frei0rValue(1.0);
    }
    const ParamSpec& control = *param.control;
    switch (control.kind) {
    case Kind::FloatSlider:
        return sliderPosition(control, control.defaultValue);
    case Kind::Popup:
        return choicePosition(static_cast<int>(control.defaultValue), choicesOf(control).size());
    case Kind::Color:
        return kDefaultColor;
    case Kind::Point:
        return kDefaultPosition;
    default:
        return std::string();
    }
}

zelrender::ParamValue controlValue(const ParamSpec& control, const Frei0rValue& value, int width,
                                   int height)
{
    switch (control.kind) {
    case Kind::FloatSlider: {
        const double position = std::get<double>(value);
        return std::clamp(control.sliderMin + position * (control.sliderMax - control.sliderMin),
                          control.validMin, control.validMax);
    }
    case Kind::Popup: {
        const auto last = static_cast<double>(choicesOf(control).size() - 1);
        return zelrender::Choice{
            static_cast<std::int32_t>(std::lround(std::clamp(std::get<double>(value), 0.0, 1.0) *
                                                  last)) + 1};
    }
    case Kind::Color: {
        const auto [r, g, b] = std::get<f0r_param_color_t>(value);
        const auto unit = [](float channel) { return std::clamp<double>(channel, 0, 1); };
        return zelrender::Color{1, unit(r), unit(g), unit(b)};
    }
    case Kind::Point: {
        const auto [x, y] = std::get<f0r_param_position_t>(value);
        return zelrender::LayerPoint{x * width, y * height};
    }
    default:
        return std::monostate{};
    }
}

}  // namespace zelfrei0r
