// The end of a frame: the samples resolved, one full-screen pass into the host's pixel layout
// (with ambient occlusion when it is on), and the result read straight into the output world.
#pragma once

#include "plugin/render/frame_context.h"

namespace zel {

// Expects the surface drawn into the multisample framebuffer. GL failures end the frame with
// their message and 512, leaving the output as it was. Pixels are only written inside the output
// world: a world smaller than the frame receives the part that fits.
PF_Err resolvePostProcessAndTransfer(FrameContext& frame);

}  // namespace zel
