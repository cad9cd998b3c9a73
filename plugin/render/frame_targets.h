// The frame's off-screen targets: the single-sample resolve textures and the multisample
// framebuffer the surface is drawn into, after the size and video-memory checks.
#pragma once

#include "plugin/render/frame_context.h"

namespace zel {

// On success the multisample framebuffer is bound and frame.sampleCount set. A frame larger than
// the GPU's textures is refused with a warning and result 1, one that exceeds the memory budget
// with a warning and PF_Err_OUT_OF_MEMORY; GL failures end it with their message and 512. Objects
// made on a failing path are deleted as the frame's record says.
PF_Err allocateFrameTargets(FrameContext& frame);

}  // namespace zel
