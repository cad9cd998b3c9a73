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
    // A walk that never ends would fill memory; past this many calls the sink throws instead,
    // so the test fails rather than hangs.
    static constexpr std::size_t kCallLimit = 1'000'000;

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

    const std::vector<Call>& calls() const { return calls_; }

    // Every call except vertex attributes and vertices: textures, matrices, begin and end.
    std::vector<Call> stateCalls() const;

    // The primitives in the order they were begun, each with its vertices.
    std::vector<Piece> pieces() const;

    // Empty when the calls are legal immediate-mode GL: begin and end pair without nesting,
    // vertices only inside them, state calls only outside, pushes and pops balanced.
    std::string structureError() const;

private:
    void record(Op op, std::array<double, 4> args = {});

    std::vector<Call> calls_;
};

}  // namespace zel::test
