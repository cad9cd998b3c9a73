// What the surface mesh walk sends to GL, as an interface, so the walk itself needs no context.
#pragma once

namespace zel {

enum class Primitive { TriangleStrip, QuadStrip, Points };

// One method per GL call the walk makes, with GL's argument order and double precision.
class VertexSink {
public:
    virtual ~VertexSink() = default;

    // Makes `unit` active, enables 2-D texturing on it and binds `texture` there.
    virtual void bindTexture2D(int unit, unsigned int texture) = 0;

    // Modelview stack; the current matrix mode must be the modelview.
    virtual void pushMatrix() = 0;
    virtual void popMatrix() = 0;
    virtual void translate(double x, double y, double z) = 0;
    virtual void rotate(double degrees, double x, double y, double z) = 0;
    virtual void scale(double x, double y, double z) = 0;

    virtual void frontFaceClockwise() = 0;

    virtual void begin(Primitive primitive) = 0;
    virtual void end() = 0;

    // Vertex attributes; vertex() emits one vertex with the attributes current at that moment.
    virtual void normal(double x, double y, double z) = 0;
    virtual void texCoord0(double s, double t, double r) = 0;
    virtual void texCoord1(double s, double t, double r) = 0;
    virtual void color(double r, double g, double b, double a) = 0;
    virtual void vertex(double x, double y, double z) = 0;
};

}  // namespace zel
