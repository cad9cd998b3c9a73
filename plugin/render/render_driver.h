// The frame render driver: turns the parameters at the current time into one rendered frame in
// the host's output world.
#pragma once

#include "plugin/host/PluginHost_API.h"
#include "sdk/pf_effect.h"

namespace zel {

// Renders the frame, turning any exception into a warning and result 1, and frees every GL object
// of the frame and leaves no context current on every path.
PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** params, PF_LayerDef* output,
              void* extra, PluginHost_API* host);

}  // namespace zel
