// The scene a command line renders: its scene file, or the built-in scene, with the composition
// changed as the options ask.
#pragma once

#include "apps/zel-render/command_line.h"
#include "host/zel_host.h"

namespace zelrender {

// Throws as readScene and parseSize throw.
Scene sceneOf(const Options& options);

}  // namespace zelrender
