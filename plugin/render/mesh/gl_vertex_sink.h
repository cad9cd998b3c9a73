// The vertex sink that draws: each call is the immediate-mode GL call of the same name.
#pragma once

#include "plugin/render/mesh/vertex_sink.h"

namespace zel {

// Needs a current compatibility-profile context for every call.
class GLVertexSink final : public VertexSink {
public:
    void bindTexture2D(int unit, unsigned int texture) override;
    void pushMatrix() override;
    void popMatrix() override;
    void translate(double x, double y, double z) override;
    void rotate(double degrees, double x, double y, double z) override;
    void scale(double x, double y, double z) override;
    void frontFaceClockwise() override;
    void begin(Primitive primitive) override;
    void end() override;
    void normal(double x, double y, double z) override;
    void texCoord0(double s, double t, double r) override;
    void texCoord1(double s, double t, double r) override;
    void color(double r, double g, double b, double a) override;
    void vertex(double x, double y, double z) override;
};

}  // namespace zel
