// Routing of host commands to the effect's handlers.
#pragma once

#include "plugin/host/PluginHost_API.h"
#include "sdk/pf_effect.h"

namespace zel {

using CommandHandler = PF_Err (*)(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*);
using UpdateHandler = void (*)(PF_InData*, PF_OutData*, PF_ParamDef**, unsigned char flag,
                               PF_UserChangedParamExtra*);
using PreRenderHandler = PF_Err (*)(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*,
                                    PF_PreRenderExtra*);
using RenderHandler = PF_Err (*)(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*,
                                 void* extra, PluginHost_API* host);

// The handlers of the effect's commands. A null handler has not been written yet; its command
// answers 0 and does nothing.
struct CommandHandlers {
    CommandHandler about = nullptr;
    CommandHandler globalSetup = nullptr;
    CommandHandler globalSetdown = nullptr;
    CommandHandler paramsSetup = nullptr;
    UpdateHandler updateECW = nullptr;
    PreRenderHandler smartPreRender = nullptr;
    RenderHandler render = nullptr;
};

// One command as the host handed it over.
struct Command {
    PF_InData* in_data;
    PF_OutData* out_data;
    PF_ParamDef** params;
    PF_LayerDef* output;
    void* extra;
};

// Runs the handler of `cmd` and returns the host error code to answer with. Commands the effect
// does not handle answer 0 untouched; any exception becomes PF_Err_INTERNAL_STRUCT_DAMAGED.
PF_Err dispatchCommand(const CommandHandlers& handlers, PF_Cmd cmd, const Command& command) noexcept;

}  // namespace zel
