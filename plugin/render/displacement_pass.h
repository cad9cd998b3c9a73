// The displacement pass: the displaced grid evaluated once per grid vertex and frame, in a
// fragment stage into floating-point textures, which every instance and pass of the surface then
// reads, instead of each vertex the strips send evaluating it again (two strips share a row, and
// each instance and the wireframe second pass send the grid anew).
#pragma once

#include <cstdint>

#include "plugin/render/frame_context.h"
#include "plugin/render/mesh/surface_grid.h"

namespace zel {

// "direct" evaluates the displacement per vertex, as drivers without the pass do; "pass" (the
// default) uses the pass where the driver can. For comparing the two, not a user control.
inline constexpr const char* kDisplacementVariable = "ZEL_DISPLACEMENT";

// Texture units of the pass's results while the surface is drawn, and of the grid coordinates
// while the pass runs.
inline constexpr int kDisplacedPositionUnit = 6;
inline constexpr int kDisplacedShapeUnit = 7;
inline constexpr int kGridCoordinateUnit = 6;

// Where the surface's vertex stage gets the displacement: evaluated per vertex, or read from the
// pass's textures of a grid of columnSegments x rowSegments cells.
struct DisplacementSource {
    bool pass = false;
    int columnSegments = 0;
    int rowSegments = 0;
};

// The bytes the pass's textures take for `grid`: 0 where the pass is not chosen for it (by the
// variable, or a grid too large for textures of a reasonable size).
std::int64_t displacementPassBytes(const SurfaceGrid& grid);

// Runs the pass when it is chosen, the driver has floating-point textures, two draw buffers and
// the texture units, the pass's programs build (on the first frame that runs it) and the target
// is complete; otherwise, or when it fails, leaves nothing
// behind and the surface evaluates the displacement per vertex. The pass's results stay bound on
// their units. The bound framebuffer, viewport, enables, polygon mode and active unit are left as
// found; the matrices are left as identities, for the surface pass to load its own.
DisplacementSource runDisplacementPass(FrameContext& frame);

}  // namespace zel
