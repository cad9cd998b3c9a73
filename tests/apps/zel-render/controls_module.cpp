// A loadable module with two controls, the second greyed out unless the first chooses "Square":
// what zel-render lists must follow what the module did to its controls.
#include <cstring>

#include "sdk/pf_suites.h"

namespace {

enum Index { kShape = 1, kCorner, kCount };

PF_Err addControls(PF_InData* in, PF_OutData* out)
{
    PF_ParamDef shape{};
    shape.param_type = PF_Param_POPUP;
    std::strcpy(shape.name, "Shape");
    shape.u.pd = {1, 2, 1, "Round|Square"};
    PF_ParamDef corner{};
    corner.param_type = PF_Param_FLOAT_SLIDER;
    std::strcpy(corner.name, "Corner");
    corner.u.fs_d = {0.5, 0, 1, 0, 1, 0.5, 2, 0, 0, 0};
    out->num_params = kCount;
    const PF_Err err = in->inter.add_param(in->effect_ref, -1, &shape);
    return err != PF_Err_NONE ? err : in->inter.add_param(in->effect_ref, -1, &corner);
}

PF_Err greyOutCorner(PF_InData* in, PF_ParamDef** params)
{
    const void* table = nullptr;
    if (in->pica_basicP->AcquireSuite(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion2, &table) !=
        kSPNoError) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    PF_ParamDef look = *params[kCorner];
    look.ui_flags = params[kShape]->u.pd.value == 2 ? PF_PUI_NONE : PF_PUI_DISABLED;
    const PF_Err err = static_cast<const PF_ParamUtilsSuite2*>(table)->PF_UpdateParamUI(
        in->effect_ref, kCorner, &look);
    in->pica_basicP->ReleaseSuite(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion2);
    return err;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) PF_Err EntryPointFunc(
    PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef** params, PF_LayerDef*, void*)
{
    switch (cmd) {
    case PF_Cmd_GLOBAL_SETUP:
        out->out_flags |= PF_OutFlag_SEND_UPDATE_PARAMS_UI;
        return PF_Err_NONE;
    case PF_Cmd_PARAMS_SETUP:
        return addControls(in, out);
    case PF_Cmd_UPDATE_PARAMS_UI:
        return greyOutCorner(in, params);
    default:
        return PF_Err_NONE;
    }
}
