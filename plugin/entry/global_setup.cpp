#include "plugin/entry/global_setup.h"

#include <cstdio>

#include "plugin/entry/persistent_mp.h"
#include "plugin/host/host_identity.h"
#include "plugin/render/shared_gl_state.h"

namespace zel {

PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** /*params*/,
                   PF_LayerDef* /*output*/)
{
    if (isHost(in_data, PF_APPL_ID_EDITOR)) {
        return PF_Interrupt_CANCEL;
    }
    out_data->my_version = kZelVersion;
    // Asking for interface updates lets the controls grey out as the user changes choices.
    out_data->out_flags |= PF_OutFlag_DEEP_COLOR_AWARE | PF_OutFlag_SEND_UPDATE_PARAMS_UI;
    // Not thread-safe on purpose: every frame renders on the one shared GL context.
    out_data->out_flags2 |= PF_OutFlag2_I_USE_3D_CAMERA | PF_OutFlag2_I_USE_3D_LIGHTS |
                            PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE;
    std::printf("global setup\n");
    AEGP_SetPersistentMP(in_data, kMatchName, 0);
    sharedGL().initialize(defaultOpenGLSetupEnvironment());
    return PF_Err_NONE;
}

PF_Err GlobalSetdown(PF_InData* in_data, PF_OutData* /*out_data*/, PF_ParamDef** /*params*/,
                     PF_LayerDef* /*output*/)
{
    if (isHost(in_data, PF_APPL_ID_EDITOR)) {
        return PF_Interrupt_CANCEL;
    }
    sharedGL().shutdown(platform::eglContextPlatform());
    return PF_Err_NONE;
}

}  // namespace zel
