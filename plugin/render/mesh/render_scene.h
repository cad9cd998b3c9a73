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

// Where the grid's vertices lie once reduced and scrolled: column c at x(c) with grid coordinate
// u(c) from 0 to 1, row r at y(r) and v(r). The walk sends these values; the displacement pass
// evaluates the same ones.
class GridLayout {
public:
    explicit GridLayout(const SurfaceGrid& grid);

    int columnSegments() const { return colSegs_; }
    int rowSegments() const { return rowSegs_; }
    double x(int c) const { return (static_cast<double>(c) / colSegs_ - 0.5) * sizeX_ + xShift_; }
    double y(int r) const { return (static_cast<double>(r) / rowSegs_ - 0.5) * sizeY_ + yShift_; }
    double u(int c) const { return static_cast<double>(c) / colSegs_; }
    double v(int r) const { return static_cast<double>(r) / rowSegs_; }

private:
    int colSegs_, rowSegs_;
    double sizeX_, sizeY_;
    double xShift_, yShift_;
};

// Sends the grid to `sink` and leaves its matrix stack as it found it. The caller has bound the
// surface program and set polygon mode, point size, line width, blending and depth state.
void RenderScene(VertexSink& sink, const SurfaceGrid& grid, const SurfaceTextures& textures);

}  // namespace zel
