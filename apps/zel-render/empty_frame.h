// Frames in which no pixel has any alpha, and what the scene says of why.
#pragma once

#include <cstdint>
#include <string>

#include "host/zel_host.h"

namespace zelrender {

// Whether every pixel of the world has alpha 0 (or less).
bool fullyTransparent(const WorldView& world);

// Why frame `frame` came out fully transparent, as far as the controls and the camera tell: the
// surface's centre beyond "Far", before "Near" or outside the frame, "Opacity" or a size at 0;
// and what to change. One line, such as: frame 0 is fully transparent: the surface's centre lies
// 5333 pixels from the camera, beyond "Far" (5000); raise "Far", such as --set "Far=6000".
std::string transparentFrameWarning(const ParamStore& store, const Composition& composition,
                                    std::int32_t frame);

}  // namespace zelrender
