// The fixed-function GL state the surface is drawn with: blending and depth, the projection and
// the cleared targets, the lights, and the polygon mode.
#pragma once

#include "plugin/render/frame_context.h"

namespace zel {

void setBlendAndDepth(const FrameValues& values);

// The camera's projection and viewport, the targets cleared (the occlusion target to the far
// depth), and the camera's view as the modelview matrix.
void setProjectionAndClear(const FrameContext& frame);

void setLights(const FrameValues& values);

void setPolygonMode(params::Draw draw);

}  // namespace zel
