// The surface's flat grid, sent once per pass: placement, repeated instances, reduction, steps
// and the primitive chosen by the draw mode and the tessellation.
#pragma once

#include "plugin/render/mesh/surface_grid.h"
#include "plugin/render/mesh/vertex_sink.h"

namespace zel {

// The GL textures the surface program samples: the texture layer on unit 0 and the amplitude
// layer on unit 5; 0 where the pass samples none.
struct SurfaceTextures {
    unsigned int color = 0;
    unsigned int amplitude = 0;
};

// Sends the grid to `sink` and leaves its matrix stack as it found it. The caller has bound the
// surface program and set polygon mode, point size, line width, blending and depth state.
void RenderScene(VertexSink& sink, const SurfaceGrid& grid, const SurfaceTextures& textures);

}  // namespace zel
