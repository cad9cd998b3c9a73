// The surface's flat grid as the controls describe it at one frame: its size and resolution, where
// it stands, its colour, its repeated instances and how it is drawn. Read once per frame and
// walked once per pass.
#pragma once

#include <array>

#include "plugin/params/choices.h"

namespace zel {

struct SurfaceGrid {
    double sizeX = 0, sizeY = 0;
    int verticesX = 0, verticesY = 0;  // before reduction
    params::ReduceGeometry reduceGeometry = params::ReduceGeometry::Off;
    double autoScaleX = 1, autoScaleY = 1;  // the downsample factors, for "Auto" reduction
    int stepX = 1, stepY = 1;               // cell strides
    double translateX = 0, translateY = 0, translateZ = 0;
    double rotateX = 0, rotateY = 0, rotateZ = 0;  // degrees
    double scrollX = 0, scrollY = 0;  // only the remainder within one cell moves the grid
    std::array<double, 3> color{};    // 0..1
    double opacity = 1;               // alpha of the first instance
    double nudge = 1;                 // 1: every corner of a cell has the plain colour
    double texScaleX = 1, texScaleY = 1;
    int instances = 1;
    double repeatTranslateX = 0, repeatTranslateY = 0, repeatTranslateZ = 0;
    double repeatRotateX = 0, repeatRotateY = 0, repeatRotateZ = 0;  // degrees
    double repeatScale = 1;
    double repeatOpacity = 1;
    params::Draw draw = params::Draw::Fill;
    params::Tessellation tessellation = params::Tessellation::Triangles;
};

}  // namespace zel
