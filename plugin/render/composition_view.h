// The composition as the frame sees it: its camera and the lights that shine on the surface,
// gathered through the host's composition suites.
#pragma once

#include "plugin/render/frame_values.h"

namespace zel {

struct CameraAnswer {
    PF_Err fatal = PF_Err_NONE;  // the frame cannot go on without the camera matrix
    PF_Err soft = PF_Err_NONE;   // the camera type was not known; it is taken as perspective
};

// Fills the camera matrix, plane distance and projection kind, then the fog that depends on it
// and the view matrix. Throws the host's bad-callback-parameter code when a suite is missing.
CameraAnswer gatherCamera(const PF_InData* in_data, FrameValues& values);

// Up to eight spot and point lights in layer order, and the ambient colour summed from the
// ambient lights (white when the composition has no light at all). Host errors only shorten the
// walk. Throws the host's bad-callback-parameter code when a suite is missing.
void gatherLights(const PF_InData* in_data, FrameValues& values);

}  // namespace zel
