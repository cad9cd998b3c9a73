// What the vertex displacement shader reads for one draw, and what the tests capture from it:
// shared by the GPU capture and the double-precision reference so both see the same inputs.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace zel::test {

// Every uniform of the vertex shader except the samplers, whose units are fixed, plus the
// fixed-function matrices it reads. Matrices are column-major, as GL takes them.
struct DisplacementState {
    std::array<float, 3> noiseAmp{};
    std::array<float, 4> noiseFreq{};
    std::array<float, 4> noiseOffset{};
    std::array<float, 4> ex{};
    std::array<float, 4> ey{};
    std::array<float, 4> ez{};
    std::array<float, 4> ox{};
    int complexity = 0;
    float octScale = 0.0f;
    float octMult = 0.0f;
    int fractalType = 1;
    int noiseLoop = 0;
    float noiseLoopW = 1.0f;
    std::array<float, 16> noiseLoopMatrix{};
    float noiseAdd = 0.0f;
    float noiseMult = 1.0f;
    float noiseFloorZ = 0.0f;
    float noiseCeilZ = 0.0f;
    float noiseNorm = 1.0f;
    float bendX = 0.0f;
    float bendY = 0.0f;
    float bendXpost = 0.0f;
    float bendYpost = 0.0f;
    float epsilon = 0.0f;
    float efx = 0.0f;
    float efy = 0.0f;
    int useFTexture = 0;
    float texelSizeX = 0.0f;
    float texelSizeY = 0.0f;
    float textureSizeX = 0.0f;
    float textureSizeY = 0.0f;
    int postpixeltransf = 8;
    int useTexture = 1;
    float texScaleY = 1.0f;
    float zOffset = 0.0f;
    std::array<float, 16> modelview{};
    std::array<float, 16> projection{};
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
    float x, y;
    float s, t;
    float u, v;
};

// The captured outputs in capture order: gl_Position, P, N, D, vTexCoord.
inline constexpr int kCapturedFloats = 13;
using CapturedVertex = std::array<float, kCapturedFloats>;
inline constexpr std::array<const char*, kCapturedFloats> kCapturedNames = {
    "gl_Position.x", "gl_Position.y", "gl_Position.z", "gl_Position.w", "P.x", "P.y", "P.z",
    "N.x", "N.y", "N.z", "D", "vTexCoord.s", "vTexCoord.t"};

}  // namespace zel::test
