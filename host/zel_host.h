// The in-process host for programs that render Zel's frames (zel-render, plug-ins for other video
// tools): load the module (ModuleLibrary), read a scene (readScene, defaultScene), set up a host
// for it (EffectHost and the two functions below), render frames (EffectHost::render). It parses
// no options, handles no signals and prints nothing: its words go through the HostOutput that its
// caller passes, and failures come as exceptions.
#pragma once

#include <span>
#include <string>

#include "host/effect_host.h"
#include "host/host_output.h"
#include "host/module_library.h"
#include "host/scene.h"

namespace zelrender {

// Sets `host` up, then gives its controls the scene's values or keyframes, then `assignments`,
// each NAME=VALUE, a value or keyframes such as "Vertices X=200" (applyAssignments; the layer
// controls' images are the scene's, assignLayers); the module then updates its controls. Throws CommandFailed, or std::invalid_argument naming the control and what it takes.
void setUpForScene(EffectHost& host, const Scene& scene,
                   std::span<const std::string> assignments);

// Reads the scene's layer images into their controls. Throws std::invalid_argument naming the
// scene, the control and what is wrong with its image.
void attachLayerImages(EffectHost& host, const Scene& scene);

}  // namespace zelrender
