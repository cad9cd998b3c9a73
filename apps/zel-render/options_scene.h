// The scene a command line renders: its scene file, or the built-in scene, with the composition
// changed as the options ask.
#pragma once

#include <string>

#include "apps/zel-render/command_line.h"
#include "host/zel_host.h"

namespace zelrender {

// The scene file's text, read once: a worker takes it from the zel-render that started it, as a
// scene from a pipe cannot be read twice. Empty for the default scene.
std::string sceneTextOf(const Options& options);

// The scene of `text` (from sceneTextOf), with the command line's changes to its composition and
// the layer images --set gives. Throws as readScene, parseSize and assignLayers throw.
Scene sceneOf(const Options& options, const std::string& text);

}  // namespace zelrender
