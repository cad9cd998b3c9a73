// What the fragment-program tests share: double-precision vectors for the rules computed on the
// processor, float images with GL's nearest sampling, and the GL side (float render target and
// textures, test programs, uniforms, a full-target quad).
#pragma once

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <vector>

#include "tests/plugin/gl/gl_test_environment.h"

namespace zel::test {

template <std::size_t N>
struct Vec : std::array<double, N> {};
using Vec2 = Vec<2>;
using Vec3 = Vec<3>;
using Vec4 = Vec<4>;

template <std::size_t N, typename Op>
Vec<N> zip(Vec<N> a, const Vec<N>& b, Op op)
{
    for (std::size_t i = 0; i < N; ++i) a[i] = op(a[i], b[i]);
    return a;
}
template <std::size_t N> Vec<N> operator+(const Vec<N>& a, const Vec<N>& b) { return zip(a, b, std::plus<>()); }
template <std::size_t N> Vec<N> operator-(const Vec<N>& a, const Vec<N>& b) { return zip(a, b, std::minus<>()); }
template <std::size_t N> Vec<N> operator*(const Vec<N>& a, const Vec<N>& b) { return zip(a, b, std::multiplies<>()); }
template <std::size_t N> Vec<N> operator*(Vec<N> a, double s)
{
    for (double& c : a) c *= s;
    return a;
}
template <std::size_t N> Vec<N> operator-(const Vec<N>& a) { return a * -1.0; }
template <std::size_t N> double dot(const Vec<N>& a, const Vec<N>& b)
{
    double sum = 0.0;
    for (std::size_t i = 0; i < N; ++i) sum += a[i] * b[i];
    return sum;
}
template <std::size_t N> double length(const Vec<N>& a) { return std::sqrt(dot(a, a)); }
template <std::size_t N> Vec<N> normalize(const Vec<N>& a) { return a * (1.0 / length(a)); }
// GLSL's mix and reflect.
inline double mix(double a, double b, double t) { return a * (1.0 - t) + b * t; }
template <std::size_t N> Vec<N> mix(const Vec<N>& a, const Vec<N>& b, double t) { return a * (1.0 - t) + b * t; }
template <std::size_t N> Vec<N> reflect(const Vec<N>& i, const Vec<N>& n) { return i - n * (2.0 * dot(n, i)); }
inline Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline Vec3 rgb(const Vec4& c) { return {c[0], c[1], c[2]}; }
inline Vec4 withAlpha(const Vec3& c, double a) { return {c[0], c[1], c[2], a}; }

// The programs' fog: 1 keeps the colour, 0 is full fog.
inline double fogFactor(double eyeZ, double fogDistance, double divFogRange)
{
    const double z = std::max(0.0, 2.5 * (-eyeZ - fogDistance) * divFogRange);
    return std::clamp(std::exp(-z * z), 0.0, 1.0);
}

// A float image, rows from the bottom as GL stores them.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<Vec4> texels;
    const Vec4& at(int column, int row) const { return texels[static_cast<std::size_t>(row * width + column)]; }
};

enum class Wrap { Clamp, Repeat };
Vec4 sampleNearest(const Image& image, const Vec2& coord, Wrap wrap);

// Centre of pixel `index` of a width x height target in texture coordinates (0 to 1), and in
// normalised device coordinates (-1 to 1).
inline Vec2 pixelTexCoord(int index, int width, int height)
{
    return {(index % width + 0.5) / width, (index / width + 0.5) / height};
}
inline Vec2 pixelDeviceCoord(int index, int width, int height)
{
    const Vec2 t = pixelTexCoord(index, width, height);
    return {2.0 * t[0] - 1.0, 2.0 * t[1] - 1.0};
}

// Two RGBA32F colour attachments, both drawn to, and a depth buffer; bound with a matching
// viewport for its lifetime.
class RenderTarget {
public:
    RenderTarget(int width, int height);
    ~RenderTarget();
    RenderTarget(const RenderTarget&) = delete;
    RenderTarget& operator=(const RenderTarget&) = delete;

    void clear(const Vec4& color, double depth) const;
    Image readColor(int attachment) const;
    std::vector<double> readDepth() const;

private:
    int width_;
    int height_;
    GLuint framebuffer_ = 0;
    std::array<GLuint, 2> colors_{};
    GLuint depth_ = 0;
};

// An RGBA32F texture of `image`, sampled nearest, bound to `unit` for its lifetime.
class FloatTexture {
public:
    FloatTexture(const Image& image, GLuint unit, GLint wrap);
    ~FloatTexture() { glDeleteTextures(1, &name_); }
    FloatTexture(const FloatTexture&) = delete;
    FloatTexture& operator=(const FloatTexture&) = delete;

private:
    GLuint name_ = 0;
};

// A module fragment source linked with a test vertex shader that copies N from gl_Normal,
// vTexCoord from gl_MultiTexCoord0.xy, D from gl_MultiTexCoord0.z, P from gl_MultiTexCoord1.xyz
// and gl_Vertex to the clip position; both stages get `prefix`, as the module's variants do.
// Made once per process; 0 (and a failed test) when it does not build.
GLuint surfaceTestProgram(const char* prefix, const char* fragmentSource);

// Set a uniform of the program in use; a name the program lacks fails the test.
void setUniform(GLuint program, const char* name, int value);
void setUniform(GLuint program, const char* name, double value);
void setUniform(GLuint program, const char* name, const Vec4& value);

// The target-filling quad (-1, -1) to (1, 1) as two triangles, counter-clockwise (front-facing)
// or clockwise. Either way the provoking vertex is the corner (1, 1) for the triangle below the
// diagonal y = x and (-1, 1) for the one above. `attributes` sets a corner's attributes.
void drawQuad(bool frontFacing, const std::function<void(const Vec2& corner)>& attributes);

// Each channel of each pixel within `tolerance` of the expectation; failures name pixel and channel.
void expectImageNear(const Image& actual, const std::vector<Vec4>& expected, double tolerance);

// Holds the shared context with identity matrices, no blending and a GL_LESS depth test; fails the
// test when GL recorded an error during it.
class FragmentProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    SharedContextScope context_;
};

}  // namespace zel::test
