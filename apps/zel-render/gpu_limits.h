// What this machine's OpenGL driver can hold, asked before anything renders so that a frame it
// cannot take is refused with the place that asked for it rather than by the module mid-run.
#pragma once

#include <optional>
#include <string>

#include "host/composition.h"

namespace zelrender {

// The largest width and height of a texture, from a context made the way the module makes its
// own. The context lives in a short-lived child process, so this process keeps no driver state
// (and no driver threads) into the module's set-up or into worker processes forked later.
// nullopt when no context can be made; the module then reports that itself.
std::optional<int> largestTextureSide();

// Throws std::invalid_argument, naming `sizeGivenBy` (where the size came from, such as "--size
// 20000x100"), when the composition's frame at its downsampled size is wider or taller than
// `largestSide`.
void checkFrameFits(const Composition& composition, int largestSide,
                    const std::string& sizeGivenBy);

}  // namespace zelrender
