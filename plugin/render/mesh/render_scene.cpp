#include "plugin/render/mesh/render_scene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace zel {
namespace {

using params::Draw;
using params::ReduceGeometry;
using params::Tessellation;

// How the pieces of the walk become primitives.
enum class Style {
    Fill,    // one strip per instance, runs joined by repeated vertices
    Strips,  // one strip per row, or per cell when stepping columns
    Points,  // one point primitive per instance, no joins
};

struct Drawing {
    Style style;
    Primitive primitive;
};

// Null for a value that names no draw mode: no primitive is begun, so no vertex may be sent either.
std::optional<Drawing> drawingFor(Draw draw, Tessellation tessellation)
{
    const Primitive strip =
        tessellation == Tessellation::Triangles ? Primitive::TriangleStrip : Primitive::QuadStrip;
    switch (draw) {
    case Draw::Fill: return Drawing{Style::Fill, strip};
    case Draw::Wireframe:
    case Draw::FrontFillBackWire: return Drawing{Style::Strips, strip};
    case Draw::Points: return Drawing{Style::Points, Primitive::Points};
    }
    return std::nullopt;
}

int reducedCount(int count, double autoScale, ReduceGeometry reduceGeometry)
{
    switch (reduceGeometry) {
    case ReduceGeometry::Off: return count;
    case ReduceGeometry::Auto: return static_cast<int>(std::trunc(count * autoScale));
    case ReduceGeometry::Half: return count / 2;
    case ReduceGeometry::Quarter: return count / 4;
    case ReduceGeometry::Sixteenth: return count / 16;
    }
    return count;
}

// The remainder of the scroll within one cell, its sign following the scroll. A grid of size 0
// has cells of size 0, whose remainder would be NaN and take every position with it.
double gridShift(double scroll, double spacing)
{
    return spacing == 0.0 ? 0.0 : std::fmod(scroll, spacing);
}

void rotateXYZ(VertexSink& sink, double x, double y, double z)
{
    sink.rotate(x, 1, 0, 0);
    sink.rotate(y, 0, 1, 0);
    sink.rotate(z, 0, 0, 1);
}

// Cell corners by their offset from (c, r): 00 lower left, 01 upper left, 10 and 11 on the right.
enum Corner { k00, k01, k10, k11, kCornerCount };

struct Rgba {
    double r, g, b, a;
};

class GridWalk {
public:
    GridWalk(VertexSink& sink, const SurfaceGrid& grid, Drawing drawing)
        : sink_(sink), grid_(grid), drawing_(drawing), layout_(grid), colSegs_(layout_.columnSegments()),
          rowSegs_(layout_.rowSegments()),
          // A step below 1 would never advance the walk.
          stepX_(std::max(grid.stepX, 1)), stepY_(std::max(grid.stepY, 1))
    {
    }

    void instance(double alpha)
    {
        // The nudge shades the corners of each cell unevenly, so neighbouring cells differ.
        const double t = grid_.nudge - 1.0;
        const std::array<double, kCornerCount> factors = {1.0, 1.0 + 0.25 * t, 1.0 + t, 1.0 + 0.75 * t};
        for (std::size_t k = 0; k < factors.size(); ++k) {
            const double f = factors[k];
            colors_[k] = {alpha * grid_.color[0] * f, alpha * grid_.color[1] * f, alpha * grid_.color[2] * f, alpha};
        }

        // With columns stepped every cell is a piece of its own; otherwise a whole row is.
        const bool cellPieces = stepX_ >= 2;
        sink_.begin(drawing_.primitive);
        for (int r = 0; r < rowSegs_; r += stepY_) {
            for (int c = 0; c < colSegs_; c += stepX_) {
                if (c == 0 || cellPieces) {
                    if (r > 0 || c > 0) {
                        startPiece(c, r);
                    }
                    vertex(c, r, k00);
                    vertex(c, r + 1, k01);
                }
                vertex(c + 1, r, k10);
                vertex(c + 1, r + 1, k11);
                if (c + 1 == colSegs_ || cellPieces) {
                    endPiece(c + 1, r + 1);
                }
            }
        }
        if (drawing_.style != Style::Strips) {
            sink_.end();
        }
    }

private:
    void startPiece(int c, int r)
    {
        if (drawing_.style == Style::Strips) {
            sink_.begin(drawing_.primitive);
        } else if (drawing_.style == Style::Fill) {
            joinVertex(c, r, k00);
        }
    }

    void endPiece(int c, int r)
    {
        if (drawing_.style == Style::Strips) {
            sink_.end();
        } else if (drawing_.style == Style::Fill) {
            joinVertex(c, r, k11);
        }
    }

    // A repeated vertex between two runs of one strip: zero-area triangles, or with quads a
    // second bare position so that the strip's vertex count stays even.
    void joinVertex(int c, int r, Corner corner)
    {
        vertex(c, r, corner);
        if (grid_.tessellation == Tessellation::Quads) {
            sink_.vertex(layout_.x(c), layout_.y(r), 0);
        }
    }

    void vertex(int c, int r, Corner corner)
    {
        const double u = layout_.u(c);
        const double v = layout_.v(r);
        const Rgba& rgba = colors_[static_cast<std::size_t>(corner)];
        sink_.normal(0, 0, -1);
        sink_.texCoord0(u * grid_.texScaleX, v * grid_.texScaleY, 1);
        sink_.texCoord1(u, v, 0);
        sink_.color(rgba.r, rgba.g, rgba.b, rgba.a);
        sink_.vertex(layout_.x(c), layout_.y(r), 0);
    }

    VertexSink& sink_;
    const SurfaceGrid& grid_;
    const Drawing drawing_;
    const GridLayout layout_;
    const int colSegs_, rowSegs_;
    const int stepX_, stepY_;
    std::array<Rgba, kCornerCount> colors_{};
};

}  // namespace

GridLayout::GridLayout(const SurfaceGrid& grid)
    : colSegs_(std::max(reducedCount(grid.verticesX, grid.autoScaleX, grid.reduceGeometry), 2) - 1),
      rowSegs_(std::max(reducedCount(grid.verticesY, grid.autoScaleY, grid.reduceGeometry), 2) - 1),
      sizeX_(grid.sizeX), sizeY_(grid.sizeY), xShift_(gridShift(grid.scrollX, grid.sizeX / colSegs_)),
      yShift_(gridShift(grid.scrollY, grid.sizeY / rowSegs_))
{
}

void RenderScene(VertexSink& sink, const SurfaceGrid& grid, const SurfaceTextures& textures)
{
    if (textures.amplitude != 0) {
        sink.bindTexture2D(5, textures.amplitude);
    }
    if (textures.color != 0) {
        sink.bindTexture2D(0, textures.color);
    }

    sink.pushMatrix();
    sink.translate(grid.translateX, grid.translateY, grid.translateZ);
    rotateXYZ(sink, grid.rotateX, grid.rotateY, grid.rotateZ);
    sink.frontFaceClockwise();

    if (const std::optional<Drawing> drawing = drawingFor(grid.draw, grid.tessellation)) {
        GridWalk walk(sink, grid, *drawing);
        double alpha = grid.opacity;
        for (int k = 0; k < grid.instances; ++k) {
            // Each instance builds on the previous one's transform: instance k carries it k times.
            if (k > 0) {
                sink.translate(grid.repeatTranslateX, grid.repeatTranslateY, grid.repeatTranslateZ);
                rotateXYZ(sink, grid.repeatRotateX, grid.repeatRotateY, grid.repeatRotateZ);
                sink.scale(grid.repeatScale, grid.repeatScale, grid.repeatScale);
                alpha *= grid.repeatOpacity;
            }
            walk.instance(alpha);
        }
    }
    sink.popMatrix();
}

}  // namespace zel
