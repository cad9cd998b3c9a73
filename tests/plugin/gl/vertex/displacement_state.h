// What the vertex displacement shader reads for one draw and what the tests capture from it, shared
// by the capture on the driver and the double-precision reference so that both see the same inputs.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zel::test {

// Every uniform of the vertex shader except the samplers, whose units are fixed, plus the
// fixed-function matrices it reads. Matrices are column-major, as GL takes them.
struct DisplacementState {
    std::array<float, 3> noiseAmp{};
    std::array<float, 4> noiseFreq{}, noiseOffset{}, ex{}, ey{}, ez{}, ox{};
    int complexity = 0;
    float octScale = 0.0f, octMult = 0.0f;
    int fractalType = 1;
    int noiseLoop = 0;
    float noiseLoopW = 1.0f;
    std::array<float, 16> noiseLoopMatrix{};
    float noiseAdd = 0.0f, noiseMult = 1.0f, noiseFloorZ = 0.0f, noiseCeilZ = 0.0f, noiseNorm = 1.0f;
    float bendX = 0.0f, bendY = 0.0f, bendXpost = 0.0f, bendYpost = 0.0f;
    float epsilon = 0.0f, efx = 0.0f, efy = 0.0f;
    int useFTexture = 0;
    float texelSizeX = 0.0f, texelSizeY = 0.0f, textureSizeX = 0.0f, textureSizeY = 0.0f;
    int postpixeltransf = 8;
    int useTexture = 1;
    float texScaleY = 1.0f, zOffset = 0.0f;
    std::array<float, 16> modelview{}, projection{};
};

// The amplitude image as the texture holds it: RGBA8 rows bottom-up, each texel's r, g, b, a
// carrying the host's A, R, G, B.
struct AmplitudeImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> texels;
};

// One grid vertex as mesh emission sends it: position (x, y, 0), texture coordinate (s, t, 1) and
// grid coordinate (u, v, 0).
struct GridVertex {
    float x, y, s, t, u, v;
};

// The captured outputs in capture order: gl_Position, P, N, D, vTexCoord.
inline constexpr int kCapturedFloats = 13;
using CapturedVertex = std::array<float, kCapturedFloats>;
inline constexpr std::array<const char*, kCapturedFloats> kCapturedNames = {
    "gl_Position.x", "gl_Position.y", "gl_Position.z", "gl_Position.w", "P.x", "P.y", "P.z",
    "N.x", "N.y", "N.z", "D", "vTexCoord.s", "vTexCoord.t"};

// The shader's outputs computed afresh in double precision, each with how far a correct
// single-precision evaluation may land from it. The error of a float result depends strongly on
// the vertex (the noise coordinate grows by OctScale each octave, ridges steepen, bends and the
// finite-difference step divide), so the reference carries an estimate of the rounding error of
// every operation the shader performs (half an ulp each, the float rounding of its constants, four
// ulps for the driver's division, sqrt and exp, 1e-6 for sin and cos), added in quadrature. The
// allowed deviation is 8 times the estimate: the driver stays well within it, while a wrong
// constant, sign, weight, index or order moves the outputs far beyond it. Where a decision of the
// shader (cell floor, corner order, loop wrap, amplitude texel) lies within that allowance of its
// boundary, the GPU may decide the other way, so the vertex is flagged and not compared.
struct Bounded {
    double value;
    double allowed;  // largest deviation a correct single-precision evaluation may show
};

struct ExpectedVertex {
    std::array<Bounded, kCapturedFloats> outputs;  // in CapturedVertex order
    bool nearBoundary;                             // some decision may go the other way on the GPU
};

ExpectedVertex referenceVertex(const DisplacementState& state, const AmplitudeImage& amplitude,
                               const GridVertex& vertex);

// Runs the module's vertex source on the driver and reads back what it writes per vertex, through
// transform feedback with rasterisation off. Needs the shared context current throughout.
class VertexCapture {
public:
    VertexCapture();
    ~VertexCapture();
    VertexCapture(const VertexCapture&) = delete;
    VertexCapture& operator=(const VertexCapture&) = delete;

    // Empty when the program compiled and linked; otherwise why not (the info log is printed).
    const std::string& buildError() const { return buildError_; }

    struct Result {
        std::vector<CapturedVertex> vertices;
        std::string error;  // empty when the draw ran and every vertex came back
    };
    // Draws the vertices as points with `state` and `amplitude` on unit 5; the lookup textures
    // must be bound on units 1 to 3, as global set-up leaves them.
    Result capture(const DisplacementState& state, const AmplitudeImage& amplitude,
                   std::span<const GridVertex> vertices);

private:
    std::string setUniforms(const DisplacementState& state);

    GLuint shader_ = 0, program_ = 0, amplitudeTexture_ = 0, buffer_ = 0, query_ = 0;
    GLuint renderbuffer_ = 0, framebuffer_ = 0;
    std::string buildError_;
};

}  // namespace zel::test
