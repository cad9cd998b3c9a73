#include "host/param_store.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace zelrender {
namespace {

struct ParamTypeName {
    PF_ParamType type;
    std::string_view name;
};

constexpr ParamTypeName kParamTypeNames[] = {
    {PF_Param_GROUP_START, "group_start"},
    {PF_Param_GROUP_END, "group_end"},
    {PF_Param_FLOAT_SLIDER, "float_slider"},
    {PF_Param_POPUP, "popup"},
    {PF_Param_COLOR, "color"},
    {PF_Param_POINT, "point"},
    {PF_Param_LAYER, "layer"},
    {PF_Param_BUTTON, "button"},
};

constexpr double kFixedOne = PF_FIXED_ONE;

// A checked-out colour at full precision, kept after the colour record in the union.
struct ColorStamp {
    std::uint64_t tag;
    Color color;
};
constexpr std::uint64_t kColorStampTag = 0x7A656C2D636F6C72;  // "zel-colr"
constexpr std::size_t kColorStampOffset = sizeof(PF_ColorDef);
static_assert(kColorStampOffset + sizeof(ColorStamp) <= sizeof(PF_ParamDefUnion),
              "the stamp fits in the union beside the colour record");

void stampColor(PF_ParamDef& def, const Color& color)
{
    const ColorStamp stamp{kColorStampTag, color};
    std::memcpy(reinterpret_cast<unsigned char*>(&def.u) + kColorStampOffset, &stamp,
                sizeof stamp);
}

// A 16.16 number, held at the limits of the type rather than wrapped around.
PF_Fixed toFixed(double value)
{
    constexpr double lowest = std::numeric_limits<PF_Fixed>::min();
    constexpr double highest = std::numeric_limits<PF_Fixed>::max();
    return static_cast<PF_Fixed>(std::clamp(std::round(value * kFixedOne), lowest, highest));
}

std::string describe(std::int32_t index, const PF_ParamDef& def)
{
    return "parameter " + std::to_string(index) + " (\"" + def.name + "\")";
}

int countChoices(std::string_view choices)
{
    return 1 + static_cast<int>(std::count(choices.begin(), choices.end(), '|'));
}

void checkFloatSlider(const PF_FloatSliderDef& s, const std::string& who)
{
    for (double limit : {s.valid_min, s.valid_max, s.slider_min, s.slider_max, s.default_value}) {
        if (!std::isfinite(limit)) {
            throw std::invalid_argument(who + " has a limit or default that is not a number");
        }
    }
    if (!(s.valid_min <= s.default_value && s.default_value <= s.valid_max)) {
        throw std::invalid_argument(who + " has a default outside its valid range");
    }
}

void checkPopup(const PF_PopupDef& p, const std::string& who)
{
    if (p.choices == nullptr) {
        throw std::invalid_argument(who + " is a popup without choices");
    }
    const int listed = countChoices(p.choices);
    if (listed != p.num_choices) {
        throw std::invalid_argument(who + " lists " + std::to_string(listed) +
                                    " choices but says " + std::to_string(p.num_choices));
    }
    if (p.default_value < 1 || p.default_value > p.num_choices) {
        throw std::invalid_argument(who + " has a default choice outside 1 to " +
                                    std::to_string(p.num_choices));
    }
}

}  // namespace

std::vector<std::string_view> RegisteredParam::choiceList() const
{
    std::vector<std::string_view> list;
    if (def.param_type == PF_Param_POPUP) {
        std::string_view rest = choices;
        for (std::size_t bar = rest.find('|'); bar != std::string_view::npos;
             bar = rest.find('|')) {
            list.push_back(rest.substr(0, bar));
            rest.remove_prefix(bar + 1);
        }
        list.push_back(rest);
    }
    return list;
}

std::string_view paramTypeName(PF_ParamType type)
{
    for (const ParamTypeName& row : kParamTypeNames) {
        if (row.type == type) {
            return row.name;
        }
    }
    return {};
}

ParamStore::ParamStore(const Composition& composition) : composition_(composition)
{
    PF_ParamDef input{};
    input.param_type = PF_Param_LAYER;
    params_.push_back({input, {}, {}, AnimatedValue(std::monostate{}), {}});
}

void ParamStore::add(std::int32_t index, const PF_ParamDef& def)
{
    const std::int32_t next = size();
    if (index != -1 && index != next) {
        throw std::invalid_argument("parameters are added in order: the next is " +
                                    std::to_string(next) + " (or -1), not " +
                                    std::to_string(index));
    }
    RegisteredParam param{def, {}, {}, AnimatedValue(std::monostate{}), {}};
    param.def.name[sizeof param.def.name - 1] = '\0';
    const std::string who = describe(next, param.def);
    if (paramTypeName(def.param_type).empty()) {
        throw std::invalid_argument(who + " has type " + std::to_string(def.param_type) +
                                    ", which this host does not handle");
    }
    ParamValue initial;
    switch (def.param_type) {
    case PF_Param_FLOAT_SLIDER:
        checkFloatSlider(def.u.fs_d, who);
        initial = def.u.fs_d.default_value;
        break;
    case PF_Param_POPUP:
        checkPopup(def.u.pd, who);
        param.choices = def.u.pd.choices;
        param.def.u.pd.choices = nullptr;
        initial = Choice{def.u.pd.default_value};
        break;
    case PF_Param_COLOR:
        initial = Color::fromPixel(def.u.cd.default_value);
        break;
    case PF_Param_POINT:
        // Defaults are percent of the full-size layer.
        initial = LayerPoint{def.u.td.x_default / kFixedOne / 100 * composition_.width,
                             def.u.td.y_default / kFixedOne / 100 * composition_.height};
        break;
    case PF_Param_BUTTON:
        param.label = def.u.button_d.label != nullptr ? def.u.button_d.label : "";
        param.def.u.button_d.label = nullptr;
        break;
    default:
        break;
    }
    param.value = AnimatedValue(initial);
    params_.push_back(std::move(param));
}

const RegisteredParam& ParamStore::at(std::int32_t index) const
{
    if (index < 0 || index >= size()) {
        throw std::out_of_range("there is no parameter " + std::to_string(index) +
                                "; they are 0 to " + std::to_string(size() - 1));
    }
    return params_[static_cast<std::size_t>(index)];
}

void ParamStore::animate(int index, AnimatedValue value)
{
    const RegisteredParam& param = at(index);
    if (value.kind() != param.value.kind()) {
        throw std::invalid_argument(describe(index, param.def) +
                                    " cannot take a value of another kind");
    }
    // A smooth curve may overshoot its keyframes; the module is never handed more than the
    // slider's valid range.
    if (param.type() == PF_Param_FLOAT_SLIDER) {
        value.holdWithin(param.def.u.fs_d.valid_min, param.def.u.fs_d.valid_max);
    }
    params_[static_cast<std::size_t>(index)].value = std::move(value);
}

void ParamStore::attachLayer(std::int32_t index, const PF_LayerDef& world)
{
    const RegisteredParam& param = at(index);
    if (param.type() != PF_Param_LAYER) {
        throw std::invalid_argument(describe(index, param.def) + " is not a layer");
    }
    params_[static_cast<std::size_t>(index)].layer = world;
}

void ParamStore::checkout(std::int32_t index, double seconds, PF_ParamDef& def) const
{
    const RegisteredParam& param = at(index);
    def = param.def;
    switch (def.param_type) {
    case PF_Param_FLOAT_SLIDER:
        def.u.fs_d.value = std::get<double>(param.value.at(seconds));
        break;
    case PF_Param_POPUP:
        def.u.pd.value = std::get<Choice>(param.value.at(seconds)).number;
        def.u.pd.choices = param.choices.c_str();
        break;
    case PF_Param_COLOR: {
        const Color color = std::get<Color>(param.value.at(seconds));
        def.u.cd.value = color.toPixel();
        stampColor(def, color);
        break;
    }
    case PF_Param_POINT: {
        // Points travel in downsampled pixels; 16.16 cannot hold more than +-32768 of them.
        const LayerPoint point = std::get<LayerPoint>(param.value.at(seconds));
        def.u.td.x_value = toFixed(point.x * factorOf(composition_.downsampleX));
        def.u.td.y_value = toFixed(point.y * factorOf(composition_.downsampleY));
        break;
    }
    case PF_Param_BUTTON:
        def.u.button_d.label = param.label.c_str();
        break;
    case PF_Param_LAYER:
        def.u.ld = param.layer ? *param.layer : index == 0 ? inputWorld() : PF_LayerDef{};
        break;
    default:
        break;
    }
}

Color ParamStore::colorOf(const PF_ParamDef& def)
{
    if (def.param_type != PF_Param_COLOR) {
        throw std::invalid_argument("the definition is of type " +
                                    std::to_string(def.param_type) + ", not a colour");
    }
    ColorStamp stamp{};
    std::memcpy(&stamp, reinterpret_cast<const unsigned char*>(&def.u) + kColorStampOffset,
                sizeof stamp);
    const PF_Pixel& value = def.u.cd.value;
    const PF_Pixel stamped = stamp.color.toPixel();
    const bool unchanged = stamped.alpha == value.alpha && stamped.red == value.red &&
                           stamped.green == value.green && stamped.blue == value.blue;
    return stamp.tag == kColorStampTag && unchanged ? stamp.color : Color::fromPixel(value);
}

void ParamStore::updateUi(std::int32_t index, const PF_ParamDef& sent)
{
    if (index == 0) {
        throw std::invalid_argument("parameter 0 is the input layer, which has no control");
    }
    at(index);  // throws for an index that is not registered
    PF_ParamDef& def = params_[static_cast<std::size_t>(index)].def;
    if (sent.param_type != def.param_type) {
        throw std::invalid_argument(describe(index, def) + " has type " +
                                    std::to_string(def.param_type) +
                                    ", but the definition sent has type " +
                                    std::to_string(sent.param_type));
    }
    def.ui_flags = sent.ui_flags;
    std::memcpy(def.name, sent.name, sizeof def.name);
    def.name[sizeof def.name - 1] = '\0';
    def.flags = (def.flags & ~PF_ParamFlag_COLLAPSE_TWIRLY) |
                (sent.flags & PF_ParamFlag_COLLAPSE_TWIRLY);
}

PF_LayerDef ParamStore::inputWorld() const
{
    PF_LayerDef world{};
    world.width = downsampled(composition_.width, composition_.downsampleX);
    world.height = downsampled(composition_.height, composition_.downsampleY);
    world.extent_hint = {0, 0, world.width, world.height};
    world.world_flags = composition_.bitsPerChannel == 16 ? PF_WorldFlag_DEEP : 0;
    world.pix_aspect_ratio = composition_.pixelAspect;
    return world;
}

}  // namespace zelrender
