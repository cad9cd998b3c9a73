#include "plugin/params/params_setup.h"

#include "plugin/host/host_text.h"
#include "plugin/params/param_table.h"

namespace zel {
namespace {

using params::Kind;
using params::ParamSpec;

constexpr PF_Pixel kOpaqueWhite = {PF_MAX_CHAN8, PF_MAX_CHAN8, PF_MAX_CHAN8, PF_MAX_CHAN8};
constexpr PF_Fixed kLayerCentrePercent = 50 * PF_FIXED_ONE;

PF_ParamType paramType(Kind kind)
{
    switch (kind) {
    case Kind::GroupStart: return PF_Param_GROUP_START;
    case Kind::GroupEnd: return PF_Param_GROUP_END;
    case Kind::FloatSlider: return PF_Param_FLOAT_SLIDER;
    case Kind::Popup: return PF_Param_POPUP;
    case Kind::Color: return PF_Param_COLOR;
    case Kind::Point: return PF_Param_POINT;
    case Kind::Layer: return PF_Param_LAYER;
    case Kind::Button: return PF_Param_BUTTON;
    }
    return PF_Param_LAYER;
}

// Every group opens collapsed, every slider's twirl starts closed, and only the controls whose
// changes the effect acts on are supervised.
std::int32_t paramFlags(const ParamSpec& p)
{
    std::int32_t flags = PF_ParamFlag_NONE;
    if (p.kind == Kind::GroupStart) {
        flags |= PF_ParamFlag_START_COLLAPSED;
    }
    if (p.kind == Kind::FloatSlider) {
        flags |= PF_ParamFlag_COLLAPSE_TWIRLY;
    }
    if (p.supervised) {
        flags |= PF_ParamFlag_SUPERVISE;
    }
    return flags;
}

void describe(const PF_InData* in_data, const ParamSpec& p, PF_ParamDef& def)
{
    def.uu.id = p.diskId;
    def.param_type = paramType(p.kind);
    def.flags = paramFlags(p);
    if (p.name != nullptr) {
        copyHostText(in_data, def.name, sizeof def.name, p.name);
    }
    switch (p.kind) {
    case Kind::FloatSlider:
        def.u.fs_d.value = p.defaultValue;
        def.u.fs_d.default_value = p.defaultValue;
        def.u.fs_d.valid_min = p.validMin;
        def.u.fs_d.valid_max = p.validMax;
        def.u.fs_d.slider_min = p.sliderMin;
        def.u.fs_d.slider_max = p.sliderMax;
        def.u.fs_d.precision = p.precision;
        break;
    case Kind::Popup:
        def.u.pd.value = static_cast<std::int32_t>(p.defaultValue);
        def.u.pd.default_value = static_cast<std::int16_t>(p.defaultValue);
        def.u.pd.num_choices = static_cast<std::int16_t>(params::choiceCount(p.choices));
        def.u.pd.choices = p.choices;
        break;
    case Kind::Color:
        def.u.cd.value = kOpaqueWhite;
        def.u.cd.default_value = kOpaqueWhite;
        break;
    case Kind::Point:
        def.u.td.x_value = def.u.td.x_default = kLayerCentrePercent;
        def.u.td.y_value = def.u.td.y_default = kLayerCentrePercent;
        def.u.td.restrict_bounds = 0;
        break;
    case Kind::Button:
        def.u.button_d.label = p.label;
        break;
    case Kind::GroupStart:
    case Kind::GroupEnd:
    case Kind::Layer:
        break;
    }
}

}  // namespace

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** /*params*/,
                   PF_LayerDef* /*output*/)
{
    if (in_data->inter.add_param == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    for (const ParamSpec& p : params::table()) {
        PF_ParamDef def{};
        describe(in_data, p, def);
        if (const PF_Err err = in_data->inter.add_param(in_data->effect_ref, -1, &def)) {
            return err;
        }
    }
    out_data->num_params = params::kParamCount;
    return PF_Err_NONE;
}

}  // namespace zel
