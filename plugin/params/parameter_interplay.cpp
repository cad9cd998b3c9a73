#include "plugin/params/parameter_interplay.h"

#include "plugin/host/aefx_suites.h"
#include "plugin/params/choices.h"
#include "plugin/params/param_table.h"

namespace zel {
namespace {

using namespace params;

// A control is enabled exactly when its controlling pop-up's choice makes it matter.
struct EnableRule {
    int index;
    int controllingPopup;
    bool (*enabledFor)(int choice);
};

constexpr bool isDensity(int shader) { return shader == number(Shader::Density); }
constexpr bool isLit(int shader) { return !isDensity(shader); }
constexpr bool drawsLines(int draw)
{
    return draw == number(Draw::Wireframe) || draw == number(Draw::FrontFillBackWire);
}
constexpr bool drawsPoints(int draw) { return draw == number(Draw::Points); }
constexpr bool occludes(int ao) { return ao != number(AmbientOcclusion::Off); }
constexpr bool fallsOff(int falloff) { return falloff != number(Falloff::None); }
constexpr bool rampsSmoothly(int falloff) { return falloff == number(Falloff::Smooth); }
constexpr bool limitsZ(int range) { return range != number(ZRange::Unlimited); }

constexpr EnableRule kEnableRules[] = {
    {kDensityAffect, kShader, isDensity},
    {kNormalAffect, kShader, isDensity},
    {kSpecular, kShader, isLit},
    {kSpecularShininess, kShader, isLit},
    {kLineSize, kDraw, drawsLines},
    {kPointSize, kDraw, drawsPoints},
    {kAOIntensity, kAmbientOcclusion, occludes},
    {kAORadius, kAmbientOcclusion, occludes},
    {kAOLift, kAmbientOcclusion, occludes},
    {kAOScale, kAmbientOcclusion, occludes},
    {kRadius, kFalloff, fallsOff},
    {kDistance, kFalloff, rampsSmoothly},
    {kZMin, kZRange, limitsZ},
    {kZMax, kZRange, limitsZ},
};

void updateEnabledControls(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** params)
{
    const PF_ParamUtilsSuite2* suite = nullptr;
    const PF_Err err = acquireSuite(in_data, out_data, "Failed to acquire suite.", &suite);
    if (suite != nullptr) {
        if (err == PF_Err_NONE) {
            for (const EnableRule& rule : kEnableRules) {
                PF_ParamDef scratch = *params[rule.index];
                scratch.ui_flags =
                    rule.enabledFor(params[rule.controllingPopup]->u.pd.value) ? 0 : PF_PUI_DISABLED;
                suite->PF_UpdateParamUI(in_data->effect_ref, rule.index, &scratch);
            }
        }
        out_data->out_flags |= PF_OutFlag_REFRESH_UI;
    }
    releaseSuite<PF_ParamUtilsSuite2>(in_data, out_data, "Failed to release suite.");
}

// Offsets and evolution at time 0, read in the order offset X, scroll X, offset Y, scroll Y,
// offset Z, evolution. False when the host could not provide one: the loop values are then left
// as they were rather than filled from a record the host never wrote.
struct LoopStart {
    double x = 0, y = 0, z = 0, evolution = 0;
};

bool readAtTimeZero(PF_InData* in_data, LoopStart& start)
{
    const struct {
        int index;
        double LoopStart::*sum;
    } reads[] = {{kOffsetX, &LoopStart::x}, {kScrollX, &LoopStart::x},
                 {kOffsetY, &LoopStart::y}, {kScrollY, &LoopStart::y},
                 {kOffsetZ, &LoopStart::z}, {kEvolution, &LoopStart::evolution}};
    for (const auto& read : reads) {
        PF_ParamDef scratch{};
        if (in_data->inter.checkout_param(in_data->effect_ref, read.index, 0, in_data->time_step,
                                          in_data->time_scale, &scratch) != PF_Err_NONE) {
            return false;
        }
        start.*read.sum += scratch.u.fs_d.value;
        in_data->inter.checkin_param(in_data->effect_ref, &scratch);
    }
    return true;
}

void setEndFrame(PF_InData* in_data, PF_ParamDef** params)
{
    const auto value = [params](int index) { return params[index]->u.fs_d.value; };
    const double xEnd = value(kOffsetX) + value(kScrollX);
    const double yEnd = value(kOffsetY) + value(kScrollY);
    const double zEnd = value(kOffsetZ);
    const double evolutionEnd = value(kEvolution);

    LoopStart start;
    if (!readAtTimeZero(in_data, start)) {
        return;
    }
    params[kLoopX]->u.fs_d.value = xEnd - start.x;
    params[kLoopY]->u.fs_d.value = yEnd - start.y;
    params[kLoopZ]->u.fs_d.value = zEnd - start.z;
    params[kLoopEvolution]->u.fs_d.value = evolutionEnd - start.evolution;
    for (int index : {kLoopX, kLoopY, kLoopZ, kLoopEvolution}) {
        params[index]->uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;
    }
}

}  // namespace

void UpdateECW(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** params, unsigned char flag,
               PF_UserChangedParamExtra* extra)
{
    if (params == nullptr) {
        return;
    }
    if (flag == 0) {
        updateEnabledControls(in_data, out_data, params);
    } else if (extra != nullptr && extra->param_index == kLoopSetupHelper &&
               in_data->inter.checkout_param != nullptr && in_data->inter.checkin_param != nullptr) {
        setEndFrame(in_data, params);
    }
}

}  // namespace zel
