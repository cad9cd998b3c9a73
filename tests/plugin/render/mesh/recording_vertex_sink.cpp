#include "tests/plugin/render/mesh/recording_vertex_sink.h"

#include <algorithm>
#include <stdexcept>

namespace zel::test {
namespace {

constexpr const char* kOpNames[] = {
    "bindTexture2D", "pushMatrix", "popMatrix", "translate", "rotate", "scale", "frontFaceClockwise",
    "begin", "end", "normal", "texCoord0", "texCoord1", "color", "vertex"};

bool isVertexData(Op op) { return op >= Op::Normal; }

template <std::size_t N>
void printArray(const std::array<double, N>& values, std::ostream* os)
{
    *os << '(';
    for (std::size_t i = 0; i < N; ++i) {
        *os << (i == 0 ? "" : ", ") << values[i];
    }
    *os << ')';
}

template <std::size_t N>
std::array<double, N> first(const std::array<double, 4>& args)
{
    std::array<double, N> values{};
    std::copy_n(args.begin(), N, values.begin());
    return values;
}

}  // namespace

void PrintTo(const Call& call, std::ostream* os)
{
    *os << kOpNames[static_cast<int>(call.op)];
    printArray(call.args, os);
}

void PrintTo(const EmittedVertex& v, std::ostream* os)
{
    *os << (v.bare ? "bare at " : "at ");
    printArray(v.position, os);
    *os << " normal ";
    printArray(v.normal, os);
    *os << " tex0 ";
    printArray(v.texCoord0, os);
    *os << " tex1 ";
    printArray(v.texCoord1, os);
    *os << " color ";
    printArray(v.color, os);
}

void RecordingVertexSink::record(Op op, std::array<double, 4> args)
{
    if (calls_.size() >= kCallLimit) {
        throw std::length_error("vertex sink call limit reached: the walk does not end");
    }
    calls_.push_back({op, args});
}

void RecordingVertexSink::bindTexture2D(int unit, unsigned int texture)
{
    record(Op::BindTexture2D, {static_cast<double>(unit), static_cast<double>(texture)});
}
void RecordingVertexSink::pushMatrix() { record(Op::PushMatrix); }
void RecordingVertexSink::popMatrix() { record(Op::PopMatrix); }
void RecordingVertexSink::translate(double x, double y, double z) { record(Op::Translate, {x, y, z}); }
void RecordingVertexSink::rotate(double degrees, double x, double y, double z)
{
    record(Op::Rotate, {degrees, x, y, z});
}
void RecordingVertexSink::scale(double x, double y, double z) { record(Op::Scale, {x, y, z}); }
void RecordingVertexSink::frontFaceClockwise() { record(Op::FrontFaceClockwise); }
void RecordingVertexSink::begin(Primitive primitive)
{
    record(Op::Begin, {static_cast<double>(primitive)});
}
void RecordingVertexSink::end() { record(Op::End); }
void RecordingVertexSink::normal(double x, double y, double z) { record(Op::Normal, {x, y, z}); }
void RecordingVertexSink::texCoord0(double s, double t, double r) { record(Op::TexCoord0, {s, t, r}); }
void RecordingVertexSink::texCoord1(double s, double t, double r) { record(Op::TexCoord1, {s, t, r}); }
void RecordingVertexSink::color(double r, double g, double b, double a) { record(Op::Color, {r, g, b, a}); }
void RecordingVertexSink::vertex(double x, double y, double z) { record(Op::Vertex, {x, y, z}); }

std::vector<Call> RecordingVertexSink::stateCalls() const
{
    std::vector<Call> state;
    for (const Call& call : calls_) {
        if (!isVertexData(call.op)) {
            state.push_back(call);
        }
    }
    return state;
}

std::vector<Piece> RecordingVertexSink::pieces() const
{
    std::vector<Piece> pieces;
    EmittedVertex current;
    current.bare = true;
    for (const Call& call : calls_) {
        switch (call.op) {
        case Op::Begin: pieces.push_back({static_cast<Primitive>(call.args[0]), {}}); break;
        case Op::Normal: current.normal = first<3>(call.args); current.bare = false; break;
        case Op::TexCoord0: current.texCoord0 = first<3>(call.args); current.bare = false; break;
        case Op::TexCoord1: current.texCoord1 = first<3>(call.args); current.bare = false; break;
        case Op::Color: current.color = call.args; current.bare = false; break;
        case Op::Vertex:
            current.position = first<3>(call.args);
            if (!pieces.empty()) {
                pieces.back().vertices.push_back(current);
            }
            current.bare = true;
            break;
        default: break;
        }
    }
    return pieces;
}

std::string RecordingVertexSink::structureError() const
{
    bool inside = false;
    int depth = 0;
    for (std::size_t i = 0; i < calls_.size(); ++i) {
        const Op op = calls_[i].op;
        const std::string where = std::string(kOpNames[static_cast<int>(op)]) + " at call " + std::to_string(i);
        if (op == Op::Begin || op == Op::End) {
            if (inside != (op == Op::End)) {
                return where + (inside ? " inside a primitive" : " without a primitive");
            }
            inside = !inside;
        } else if (op == Op::Vertex && !inside) {
            return where + " outside a primitive";
        } else if (!isVertexData(op) && inside) {
            return where + " inside a primitive";
        }
        depth += op == Op::PushMatrix ? 1 : op == Op::PopMatrix ? -1 : 0;
        if (depth < 0) {
            return where + " pops an empty stack";
        }
    }
    if (inside) {
        return "a primitive is never ended";
    }
    return depth == 0 ? "" : "the matrix stack is left " + std::to_string(depth) + " deeper";
}

}  // namespace zel::test
