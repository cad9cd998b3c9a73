// The module's one exported symbol.
#include "plugin/about/about_command.h"
#include "plugin/entry/command_dispatch.h"
#include "plugin/entry/global_setup.h"
#include "plugin/entry/smart_render.h"
#include "plugin/params/parameter_interplay.h"
#include "plugin/params/params_setup.h"
#include "plugin/render/render_driver.h"

namespace {

constexpr zel::CommandHandlers kEffectHandlers = {
    .about = zel::About,
    .globalSetup = zel::GlobalSetup,
    .globalSetdown = zel::GlobalSetdown,
    .paramsSetup = zel::ParamsSetup,
    .updateECW = zel::UpdateECW,
    .smartPreRender = zel::SmartPreRender,
    .render = zel::Render,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) PF_Err EntryPointFunc(
    PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
    PF_LayerDef* output, void* extra)
{
    return zel::dispatchCommand(kEffectHandlers, cmd, {in_data, out_data, params, output, extra});
}
