// The surface's flat grid, sent once per pass: placement, repeated instances, reduction, steps
// and the primitive chosen by the draw mode and the tessellation.
#pragma once

#include "plugin/render/mesh/vertex_sink.h"

namespace zel {

// Everything the walk needs, in the order the render driver supplies it; no parameter is read.
struct SceneArguments {
    double sizeX = 0, sizeY = 0;
    int verticesX = 0, verticesY = 0;  // before reduction
    int reduceGeometry = 1;            // 1 Off, 2 Auto, 3 "2x", 4 "4x", 5 "16x"
    double autoScaleX = 1, autoScaleY = 1;
    double opacity = 1;                // alpha of the first instance
    double colorR = 0, colorG = 0, colorB = 0;
    double nudge = 1;                  // 1: every corner of a cell has the plain colour
    int useColorTexture = 0;           // non-zero: colorTextureId is bound on unit 0
    double translateX = 0, translateY = 0, translateZ = 0;
    double scrollX = 0, scrollY = 0;   // only the remainder within one cell moves the grid
    double rotateX = 0, rotateY = 0, rotateZ = 0;  // degrees
    int instances = 1;
    double repeatTranslateX = 0, repeatTranslateY = 0, repeatTranslateZ = 0;
    double repeatRotateX = 0, repeatRotateY = 0, repeatRotateZ = 0;  // degrees
    double repeatScale = 1;
    double repeatOpacity = 1;
    int stepX = 1, stepY = 1;          // cell strides
    double texScaleY = 1, texScaleX = 1;
    int useAmplitudeTexture = 0;       // non-zero: amplitudeTextureId is bound on unit 5
    unsigned int colorTextureId = 0, amplitudeTextureId = 0;  // GL texture names
    int drawMode = 1;                  // 1 Fill, 2 Wireframe, 3 Points, 4 Front Fill, Back Wire
    int tessellation = 1;              // 1 Triangles, 2 Quads
};

// Sends the grid to `sink` and leaves its matrix stack as it found it. The caller has bound the
// surface program and set polygon mode, point size, line width, blending and depth state.
void RenderScene(VertexSink& sink, const SceneArguments& args);

}  // namespace zel
