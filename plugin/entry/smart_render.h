// The smart-render protocol: what the effect asks of the host before a frame, and the checkout of
// every parameter so that a smart render hands the renderer the same array as a classic one.
#pragma once

#include "plugin/entry/command_dispatch.h"

namespace zel {

// Always asks for, and answers with, the whole downsampled layer frame, whatever the host
// requested. Returns the input checkout's error; the answer is written in any case.
PF_Err SmartPreRender(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** params,
                      PF_LayerDef* output, PF_PreRenderExtra* extra);

// Checks out parameters 1 to 114 at the current time and the input and output worlds, runs
// `render` (when there is one) over them, and checks every parameter back in, once each and in
// index order, on every path.
PF_Err SmartRender(RenderHandler render, PF_InData* in_data, PF_OutData* out_data,
                   PF_SmartRenderExtra* extra);

}  // namespace zel
