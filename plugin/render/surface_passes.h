// The surface drawn into the frame's targets: the main pass with the chosen program, then the
// wireframe second pass over it when one is asked for.
#pragma once

#include "plugin/render/frame_context.h"

namespace zel {

// Expects the multisample framebuffer bound and the layers uploaded. GL failures end the frame
// with their message.
PF_Err drawSurfacePasses(FrameContext& frame);

}  // namespace zel
