// What this machine's OpenGL driver can hold, asked before a frame renders so that a frame it
// cannot take is refused with the place that asked for it rather than by the module mid-run.
#pragma once

#include <optional>
#include <string>

#include "host/scene.h"

namespace zelrender {

// The largest width and height of a texture, from a context made the way the module makes its
// own, on the display the module's context shares: asked in the process that renders, once the
// driver is loaded there anyway. Nullopt when no context can be made (the module then reports
// that itself).
std::optional<int> largestTextureSide();

// Throws std::invalid_argument when --downsample leaves the composition's frame or a layer image
// no pixel one way, naming --downsample; or, naming `sizeGivenBy` (where the frame's size came
// from, such as "--size 20000x100") or the layer's control, when the frame or a layer at its
// downsampled size is wider or taller than `largestSide`, the driver's largest texture.
void checkFrameFits(const Scene& scene, std::optional<int> largestSide,
                    const std::string& sizeGivenBy);

}  // namespace zelrender
