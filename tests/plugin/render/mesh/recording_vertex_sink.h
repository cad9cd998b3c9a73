// A vertex sink that keeps every call, and views of the record that tests compare exactly.
#pragma once

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "plugin/render/mesh/vertex_sink.h"

namespace zel::test {

enum class Op {
    BindTexture2D, PushMatrix, PopMatrix, Translate, Rotate, Scale, FrontFaceClockwise, Begin, End,
    Normal, TexCoord0, TexCoord1, Color, Vertex
};

struct Call {
    Op op;
    std::array<double, 4> args{};  // in GL's order; Begin carries the Primitive, unused ones are 0
    bool operator==(const Call&) const = default;
};
void PrintTo(const Call& call, std::ostream* os);

// One vertex with the attributes GL would give it: those current when it was sent.
struct EmittedVertex {
    bool bare = false;  // no attribute was sent since the previous vertex
    std::array<double, 3> normal{}, texCoord0{}, texCoord1{};
    std::array<double, 4> color{};
    std::array<double, 3> position{};
    bool operator==(const EmittedVertex&) const = default;
};
void PrintTo(const EmittedVertex& vertex, std::ostream* os);

struct Piece {
    Primitive primitive;
    std::vector<EmittedVertex> vertices;
};

class RecordingVertexSink final : public VertexSink {
public:
    void bindTexture2D(int unit, unsigned int id) override { record(Op::BindTexture2D, {double(unit), double(id)}); }
    void pushMatrix() override { record(Op::PushMatrix); }
    void popMatrix() override { record(Op::PopMatrix); }
    void translate(double x, double y, double z) override { record(Op::Translate, {x, y, z}); }
    void rotate(double degrees, double x, double y, double z) override { record(Op::Rotate, {degrees, x, y, z}); }
    void scale(double x, double y, double z) override { record(Op::Scale, {x, y, z}); }
    void frontFaceClockwise() override { record(Op::FrontFaceClockwise); }
    void begin(Primitive primitive) override { record(Op::Begin, {double(primitive)}); }
    void end() override { record(Op::End); }
    void normal(double x, double y, double z) override { record(Op::Normal, {x, y, z}); }
    void texCoord0(double s, double t, double r) override { record(Op::TexCoord0, {s, t, r}); }
    void texCoord1(double s, double t, double r) override { record(Op::TexCoord1, {s, t, r}); }
    void color(double r, double g, double b, double a) override { record(Op::Color, {r, g, b, a}); }
    void vertex(double x, double y, double z) override { record(Op::Vertex, {x, y, z}); }

    const std::vector<Call>& calls() const { return calls_; }
    // Every call except vertex attributes and vertices: textures, matrices, begin and end.
    std::vector<Call> stateCalls() const;
    // The primitives in the order they were begun, each with its vertices.
    std::vector<Piece> pieces() const;
    // Empty when the calls are legal immediate-mode GL: begin and end pair without nesting,
    // vertices only inside them, state calls only outside, pushes and pops balanced.
    std::string structureError() const;

private:
    // A walk that never ends would fill memory; past a million calls this throws instead.
    void record(Op op, std::array<double, 4> args = {});

    std::vector<Call> calls_;
};

}  // namespace zel::test
