// The frame's texture and amplitude layers, uploaded from the host's pixels into GL textures.
#pragma once

#include <epoxy/gl.h>

#include "plugin/render/frame_context.h"

namespace zel {

// The GL type of one channel of a host pixel at the frame's depth.
GLenum hostPixelType(int bitsPerChannel);

// The texture layer on unit 0, filtered and wrapped as the controls say; left unbound.
PF_Err uploadTextureLayer(FrameContext& frame);

// The amplitude layer on unit 5, nearest and clamped; left bound there.
PF_Err uploadAmplitudeLayer(FrameContext& frame);

}  // namespace zel
