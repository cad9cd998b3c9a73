// Runs the module's vertex displacement source on the driver and reads back what it writes per
// vertex, through transform feedback with rasterisation off, so the real shader is what is tested.
#pragma once

#include <epoxy/gl.h>

#include <span>
#include <string>
#include <vector>

#include "tests/plugin/gl/vertex/displacement_state.h"

namespace zel::test {

struct Capture {
    std::vector<CapturedVertex> vertices;
    std::string error;  // empty when the draw ran and every vertex came back
};

// Needs the shared context current for construction, every capture and destruction.
class VertexCapture {
public:
    VertexCapture();
    ~VertexCapture();
    VertexCapture(const VertexCapture&) = delete;
    VertexCapture& operator=(const VertexCapture&) = delete;

    // Empty when the program compiled and linked; otherwise why not (the info log is printed).
    const std::string& buildError() const { return buildError_; }

    // Draws the vertices as points with `state` and `amplitude` on unit 5; the lookup textures
    // must be bound on units 1 to 3, as global set-up leaves them.
    Capture capture(const DisplacementState& state, const AmplitudeImage& amplitude,
                    std::span<const GridVertex> vertices);

private:
    std::string setUniforms(const DisplacementState& state);

    GLuint shader_ = 0;
    GLuint program_ = 0;
    GLuint amplitudeTexture_ = 0;
    GLuint buffer_ = 0;
    GLuint query_ = 0;
    GLuint renderbuffer_ = 0;
    GLuint framebuffer_ = 0;
    std::string buildError_;
};

}  // namespace zel::test
