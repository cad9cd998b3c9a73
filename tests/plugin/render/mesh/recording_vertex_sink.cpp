#include "tests/plugin/render/mesh/recording_vertex_sink.h"

#include <algorithm>
#include <stdexcept>

namespace zel::test {
namespace {

constexpr const char* kOpNames[] = {"bindTexture2D", "pushMatrix", "popMatrix", "translate", "rotate",
                                    "scale", "frontFaceClockwise", "begin", "end", "normal", "texCoord0",
                                    "texCoord1", "color", "vertex"};

bool isVertexData(Op op) { return op >= Op::Normal; }

template <std::size_t N>
void print(const char* label, const std::array<double, N>& values, std::ostream* os)
{
    *os << label << '(';
    for (std::size_t i = 0; i < N; ++i) {
        *os << (i == 0 ? "" : ", ") << values[i];
    }
    *os << ')';
}

std::array<double, 3> first3(const std::array<double, 4>& args) { return {args[0], args[1], args[2]}; }

}  // namespace

void PrintTo(const Call& call, std::ostream* os) { print(kOpNames[static_cast<int>(call.op)], call.args, os); }

void PrintTo(const EmittedVertex& v, std::ostream* os)
{
    print(v.bare ? "bare at " : "at ", v.position, os);
    print(" normal ", v.normal, os);
    print(" tex0 ", v.texCoord0, os);
    print(" tex1 ", v.texCoord1, os);
    print(" color ", v.color, os);
}

void RecordingVertexSink::record(Op op, std::array<double, 4> args)
{
    if (calls_.size() >= 1'000'000) {
        throw std::length_error("vertex sink call limit reached: the walk does not end");
    }
    calls_.push_back({op, args});
}

std::vector<Call> RecordingVertexSink::stateCalls() const
{
    std::vector<Call> state;
    std::ranges::copy_if(calls_, std::back_inserter(state), [](const Call& c) { return !isVertexData(c.op); });
    return state;
}

std::vector<Piece> RecordingVertexSink::pieces() const
{
    std::vector<Piece> pieces;
    EmittedVertex current{.bare = true};
    for (const Call& call : calls_) {
        current.bare = current.bare && (call.op < Op::Normal || call.op == Op::Vertex);
        switch (call.op) {
        case Op::Begin: pieces.push_back({static_cast<Primitive>(call.args[0]), {}}); break;
        case Op::Normal: current.normal = first3(call.args); break;
        case Op::TexCoord0: current.texCoord0 = first3(call.args); break;
        case Op::TexCoord1: current.texCoord1 = first3(call.args); break;
        case Op::Color: current.color = call.args; break;
        case Op::Vertex:
            current.position = first3(call.args);
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
