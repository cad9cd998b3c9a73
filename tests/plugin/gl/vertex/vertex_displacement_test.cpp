// The module's vertex displacement shader, run on the driver and captured through transform
// feedback, against an independent double-precision evaluation of the displacement: evaluating it
// per vertex, and reading what the displacement pass evaluated.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <utility>

#include "plugin/render/noise_tables.h"
#include "plugin/render/shaders/shader_sources.h"
#include "tests/plugin/gl/gl_test_environment.h"

namespace zel::test {
namespace {

using V4 = std::array<double, 4>;
using Outputs = std::array<double, 13>;  // gl_Position, P, N, D, vTexCoord, as captured
constexpr const char* kOutputNames[] = {"gl_Position.x", "gl_Position.y", "gl_Position.z", "gl_Position.w", "P.x",
                                        "P.y", "P.z", "N.x", "N.y", "N.z", "D", "vTexCoord.s", "vTexCoord.t"};

// A quarter turn about z (eye x = -grid y, eye y = grid x), its own normal matrix; a translation
// for the projection. Column-major and exact in floats.
constexpr std::array<double, 16> kModelview = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
constexpr std::array<double, 16> kProjection = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.25, -0.5, 0, 1};

// The 8 x 4 amplitude image: RGBA8 rows bottom-up, each texel's r, g, b, a carrying the host's A, R, G, B.
using Amplitude = std::vector<std::uint8_t>;

// Position (x, y, 0) and texture coordinate (s, t); the grid coordinate (u, v) is (x, y), the
// grid spanning [0, 1].
struct GridVertex {
    float x, y, s, t;
};

double dot(const V4& a, const V4& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3]; }
V4 times(const std::array<double, 16>& m, const V4& v)  // column-major
{
    V4 r{};
    for (std::size_t i = 0; i < 16; ++i) r[i % 4] += m[i] * v[i / 4];
    return r;
}

// The displacement evaluated afresh from its definition, in double precision, from the uniforms
// as floats. It notes when a floor or a comparison comes within single-precision rounding of its
// boundary: the GPU may decide otherwise there, and the noise with its 0.6 kernel radius is not
// quite continuous across simplex boundaries.
struct Reference {
    const Uniforms& uniforms;
    const Amplitude& image;
    bool nearBoundary = false;

    Outputs vertex(const GridVertex& g)
    {
        const bool modulated = f("useFTexture") == 1;
        const double e = f("Epsilon");
        const auto [pos0, texZ] = transform({g.x, g.y, 0, 1}, modulated ? amplitude(g.x, g.y) : 1.0);
        V4 t = transform({g.x - e, g.y, 0, 1}, modulated ? amplitude(g.x - f("Efx"), g.y) : 1.0).first;
        V4 b = transform({g.x, g.y + e, 0, 1}, modulated ? amplitude(g.x, g.y + f("Efy")) : 1.0).first;
        for (std::size_t c = 0; c < 4; ++c) t[c] -= pos0[c], b[c] -= pos0[c];
        // -cross(b, t), turned by the modelview, normalised.
        const V4 n =
            times(kModelview, {t[1] * b[2] - t[2] * b[1], t[2] * b[0] - t[0] * b[2], t[0] * b[1] - t[1] * b[0]});
        const V4 eye = times(kModelview, pos0), clip = times(kProjection, eye);
        const double length = std::sqrt(dot(n, n)), density = e / std::sqrt(std::sqrt(dot(t, t) * dot(b, b)));
        return {clip[0], clip[1], clip[2] + f("Z_offset"), clip[3], eye[0], eye[1], eye[2], n[0] / length,
                n[1] / length, n[2] / length, density, g.s, f("useTexture") == 2 ? texZ * f("TexScaleY") : g.t};
    }

    double f(const char* name, std::size_t i = 0) const { return static_cast<float>(uniforms.at(name).at(i)); }

    double floorOf(double x)
    {
        nearBoundary |= std::abs(x - std::round(x)) < 2e-6 * (1.0 + std::abs(x));
        return std::floor(x);
    }

    double snoise(const V4& p)
    {
        static const struct Images {
            noise::Image perm, grad;
            Images() { noise::fillPermutationImage(perm), noise::fillGradientImage(grad); }
        } images;
        const auto at = [](int row, int column) { return std::size_t(4 * (256 * (row & 255) + (column & 255))); };
        const double F4 = (std::sqrt(5.0) - 1.0) / 4.0, G4 = (5.0 - std::sqrt(5.0)) / 20.0;
        V4 cell, pf0;
        for (std::size_t c = 0; c < 4; ++c) cell[c] = floorOf(p[c] + (p[0] + p[1] + p[2] + p[3]) * F4);
        for (std::size_t c = 0; c < 4; ++c) pf0[c] = p[c] - cell[c] + (cell[0] + cell[1] + cell[2] + cell[3]) * G4;
        // Corner k of the point's simplex lies one step along the k largest coordinates of pf0.
        std::array<int, 4> rank{};
        for (std::size_t a = 0; a < 4; ++a) {
            for (std::size_t b = a + 1; b < 4; ++b) {
                nearBoundary |= std::abs(pf0[a] - pf0[b]) < 2e-6 * (1.0 + std::abs(pf0[a]));
                ++rank[pf0[a] > pf0[b] ? a : b];
            }
        }
        double sum = 0.0;
        for (int k = 0; k <= 4; ++k) {
            std::array<int, 4> corner;
            V4 pf, grad;
            for (std::size_t c = 0; c < 4; ++c) {
                corner[c] = int(cell[c]) + (rank[c] >= 4 - k);
                pf[c] = pf0[c] - (rank[c] >= 4 - k) + k * G4;
            }
            // The permutation alphas of (x, y) and (z, w), byte / 255 as texture coordinates, pick
            // the gradient texel: byte 255 reads as 1.0, which repeats onto texel 0.
            const int column = images.perm[at(corner[1], corner[0]) + 3] * 256 / 255;
            const int row = images.perm[at(corner[3], corner[2]) + 3] * 256 / 255;
            for (std::size_t c = 0; c < 4; ++c) grad[c] = images.grad[at(row, column) + c] / 255.0 * 4.0 - 1.0;
            const double t = std::max(0.6 - dot(pf, pf), 0.0);
            sum += t * t * t * t * dot(grad, pf);
        }
        return 27.0 * sum;
    }

    double fnoise(V4 p)
    {
        const bool loop = f("NoiseLoop") == 1, multi = f("FractalType") == 2 || f("FractalType") == 4;
        double sum = 0.0, mult = 1.0, multiscale = 1.0, W = f("NoiseLoopW");
        if (loop) {
            std::array<double, 16> m;
            for (std::size_t i = 0; i < 16; ++i) m[i] = f("NoiseLoopMatrix", i);
            p = times(m, p);
            p[3] -= W * floorOf(p[3] / W);
        }
        for (int octave = 0; octave < f("Complexity"); ++octave) {
            double n = snoise(p);
            if (loop && p[3] < 1.0) {  // the first unit of w fades towards the noise one period on
                n = n * p[3] + (1.0 - p[3]) * snoise({p[0], p[1], p[2], p[3] + W});
            }
            n = (f("FractalType") > 2 ? -1.0 + 2.0 * std::exp(-7.0 * n * n) : n) * multiscale;
            sum += mult * n;
            mult *= f("OctMult");
            for (std::size_t c = 0; c < 4; ++c) p[c] = p[c] * f("OctScale") + f("Ox", c);
            W *= f("OctScale");
            multiscale = multi ? std::clamp(multiscale * (n + 0.7), 0.0, 1.0) : multiscale;
        }
        return sum;
    }

    // Rolls coordinate `axis` (y for an X bend, x for a Y bend) and the height onto an arc of
    // pi * b per unit, centred on 0.5; bends of 1e-7 or less, as floats, are left out.
    static V4 bend(V4 p, std::size_t axis, double b)
    {
        if (std::abs(static_cast<float>(b)) <= 1e-7f) return p;
        const double r = 1.0 / (b * std::numbers::pi), a = std::numbers::pi * (0.5 - 0.5 * b + b * p[axis]);
        p[axis] = -(r + p[2]) * std::cos(a);
        p[2] = (r + p[2]) * std::sin(a) - r;
        return p;
    }

    std::pair<V4, double> transform(const V4& pos, double fs)
    {
        V4 b = bend(bend(pos, 1, f("BendX")), 0, f("BendY")), ofs;
        const char* fields[] = {"Ex", "Ey", "Ez"};
        for (std::size_t axis = 0; axis < 3; ++axis) {
            V4 q;
            for (std::size_t c = 0; c < 4; ++c) q[c] = f("NoiseFreq", c) * (b[c] * (c < 3) + f("NoiseOffset", c));
            for (std::size_t c = 0; c < 4; ++c) q[c] += f(fields[axis], c);
            ofs[axis] = fnoise(q);
        }
        ofs[2] = std::clamp(f("NoiseAdd") + f("NoiseMult") * ofs[2], f("NoiseFloorZ"), f("NoiseCeilZ"));
        for (std::size_t c = 0; c < 3; ++c) b[c] += ofs[c] * f("NoiseAmp", c) * fs;
        return {bend(bend(b, 1, f("BendXpost")), 0, f("BendYpost")), 0.5 + 0.5 * ofs[2] * f("NoiseNorm")};
    }

    // Alpha times the mean of R, G and B, filtered bilinearly over nearest, clamped texels.
    double amplitude(double x, double y)
    {
        const auto grey = [&](double s, double t) {
            const auto index = [&](double c, int size) { return std::clamp(int(floorOf(c * size)), 0, size - 1); };
            const std::uint8_t* texel = &image[std::size_t(4 * (8 * index(t, 4) + index(s, 8)))];
            const double scale = (f("postpixeltransf") == 16 ? 2.0 : 1.0) / 255.0;
            return texel[0] * scale * (texel[1] + texel[2] + texel[3]) * scale / 3.0;
        };
        const double fx = x * f("textureSizeX") - floorOf(x * f("textureSizeX"));
        const double fy = y * f("textureSizeY") - floorOf(y * f("textureSizeY"));
        const double right = x + f("texelSizeX"), up = y + f("texelSizeY");
        return std::lerp(std::lerp(grey(x, y), grey(right, y), fx), std::lerp(grey(x, up), grey(right, up), fx), fy);
    }
};

GLuint nearestTexture(GLenum format, GLsizei width, GLsizei height, GLenum type, const void* texels)
{
    GLuint texture = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &texture);
    glTextureStorage2D(texture, 1, format, width, height);
    if (texels != nullptr) glTextureSubImage2D(texture, 0, 0, 0, width, height, GL_RGBA, type, texels);
    glTextureParameteri(texture, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTextureParameteri(texture, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return texture;
}

// The uniforms the vertex stage keeps when it reads the displacement pass's results, which then
// takes the others.
constexpr const char* kSurfaceUniforms[] = {"useTexture", "TexScaleY", "Z_offset"};

// The displacement pass over a grid whose column i and row i both hold vertex i, leaving its
// results on units 6 and 7 (texel (i, i) for vertex i) and returning their three textures.
std::array<GLuint, 3> runPass(Uniforms uniforms, const std::vector<GridVertex>& grid)
{
    const GLuint program = buildProgram(vert_shader_postprocess_txt, frag_shader_displacement_txt);
    glUseProgram(program);
    for (const char* name : kSurfaceUniforms) uniforms.erase(name);
    const auto n = GLsizei(grid.size());
    uniforms["gridCoordinates"] = {9}, uniforms["GridCoordinateCount"] = {double(n)};
    setUniforms(program, uniforms, true);
    std::vector<float> coordinates;
    for (const GridVertex& v : grid) coordinates.insert(coordinates.end(), {v.x, v.x, v.y, v.y});
    std::array<GLuint, 3> textures;
    GLuint framebuffer = 0;
    glCreateFramebuffers(1, &framebuffer);
    for (int i = 0; i < 2; ++i) {
        textures[i] = nearestTexture(GL_RGBA32F, n, n, GL_FLOAT, nullptr);
        glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0 + i, textures[i], 0);
        glBindTextureUnit(6 + i, textures[i]);
    }
    textures[2] = nearestTexture(GL_RGBA32F, n, 1, GL_FLOAT, coordinates.data());
    glBindTextureUnit(9, textures[2]);
    const GLenum buffers[] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    glNamedFramebufferDrawBuffers(framebuffer, 2, buffers);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, n, n);
    glRectf(-1, -1, 1, 1);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteProgram(program);
    return textures;
}

// Runs the vertex source, as global set-up compiles it, over the grid as points and reads back
// what it writes, through transform feedback with rasterisation off; with `pass`, its variant that
// reads what runPass left. The amplitude image goes on unit 5, the lookup textures stay where
// global set-up left them; a draw needs a complete framebuffer even when nothing reaches it.
using Captured = std::vector<std::array<float, 13>>;
Captured capture(const Uniforms& uniforms, const Amplitude& amplitude, const std::vector<GridVertex>& grid, bool pass)
{
    // The amplitude image, and 1 x 1 to draw to.
    const GLuint textures[2] = {nearestTexture(GL_RGBA8, 8, 4, GL_UNSIGNED_BYTE, amplitude.data()),
                                nearestTexture(GL_RGBA8, 1, 1, GL_UNSIGNED_BYTE, nullptr)};
    GLuint buffer = 0, framebuffer = 0;
    glTextureParameteri(textures[0], GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTextureParameteri(textures[0], GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTextureUnit(5, textures[0]);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const std::array<GLuint, 3> passTextures = pass ? runPass(uniforms, grid) : std::array<GLuint, 3>{};
    const std::string vertex = (pass ? kPassPrefix : "") + std::string(vert_shader_txt);
    const GLuint program = buildProgram(vertex.c_str(), nullptr, {"gl_Position", "P", "N", "D", "vTexCoord"});
    glUseProgram(program);
    Uniforms lookup = {{"GridLookup", {31, 31, 32, 32}}, {"displacedPosition", {6}}, {"displacedShape", {7}}};
    for (const char* name : kSurfaceUniforms) lookup[name] = uniforms.at(name);
    setUniforms(program, pass ? lookup : uniforms, true);
    glCreateFramebuffers(1, &framebuffer);
    glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, textures[1], 0);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    Captured captured(grid.size());
    const auto bytes = static_cast<GLsizeiptr>(captured.size() * sizeof captured[0]);
    glCreateBuffers(1, &buffer);
    glNamedBufferData(buffer, bytes, nullptr, GL_STREAM_READ);
    glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffer);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(kProjection.data());
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(kModelview.data());
    glEnable(GL_RASTERIZER_DISCARD);
    glBeginTransformFeedback(GL_POINTS);
    glBegin(GL_POINTS);
    for (std::size_t i = 0; i < grid.size(); ++i) {
        const GridVertex& v = grid[i];
        // The pass's grid has one segment fewer than vertices each way.
        const float diagonal = float(i) / float(grid.size() - 1);
        glMultiTexCoord2f(GL_TEXTURE0, v.s, v.t);
        glMultiTexCoord2f(GL_TEXTURE1, pass ? diagonal : v.x, pass ? diagonal : v.y);
        glVertex2f(v.x, v.y);
    }
    glEnd();
    glEndTransformFeedback();
    glDisable(GL_RASTERIZER_DISCARD);
    glGetNamedBufferSubData(buffer, 0, bytes, captured.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteBuffers(1, &buffer);
    glDeleteTextures(2, textures);
    glDeleteTextures(3, passTextures.data());
    glDeleteProgram(program);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    return captured;
}

Amplitude amplitudeImage(std::uint8_t (*texel)(int index, int channel))
{
    Amplitude image;
    for (int i = 0; i < 8 * 4 * 4; ++i) image.push_back(texel(i / 4, i % 4));
    return image;
}
// Distinct texels, alpha (channel 0) from 120 to 255.
const Amplitude kPattern = amplitudeImage([](int i, int c) {
    return std::uint8_t(c ? 17 * c + 53 * c * i : 120 + 37 * i % 136);
});
const Amplitude kBlack = amplitudeImage([](int, int) { return std::uint8_t{0}; });
const Amplitude kTransparentWhite = amplitudeImage([](int, int channel) { return std::uint8_t(channel ? 255 : 0); });

// An orthonormal loop matrix mixing every axis into w, not symmetric; exact in floats.
const std::vector<double> kLoop = {-.5, .5, -.5, -.5, -.5, -.5, .5, -.5, -.5, -.5, -.5, .5, .5, -.5, -.5, -.5};

// One finite-difference step is the same in grid units as in u and v, the grid spanning [0, 1].
Uniforms with(const Uniforms& changes)
{
    Uniforms u = {
        {"NoiseAmp", {0.15, 0.12, 0.2}}, {"NoiseFreq", {2.3, 1.9, 1.7, 1.3}}, {"NoiseOffset", {0.3, -0.5, 0.1, 0.7}},
        {"Ex", {0, 0, 0, 0}}, {"Ey", {3.3, 1.7, -2.1, 0.9}}, {"Ez", {-1.9, 2.6, 1.1, -0.6}}, {"Complexity", {3}},
        {"Ox", {0.37, -0.21, 0.53, 0.19}}, {"OctScale", {2}}, {"OctMult", {0.5}}, {"FractalType", {1}},
        {"NoiseLoop", {0}}, {"NoiseLoopW", {1}}, {"NoiseLoopMatrix", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
        {"NoiseAdd", {0}}, {"NoiseMult", {1}}, {"NoiseFloorZ", {-10}}, {"NoiseCeilZ", {10}}, {"NoiseNorm", {0.8}},
        {"BendX", {0}}, {"BendY", {0}}, {"BendXpost", {0}}, {"BendYpost", {0}}, {"Epsilon", {0.01}}, {"Efx", {0.01}},
        {"Efy", {0.01}}, {"useFTexture", {0}}, {"textureSizeX", {8}}, {"textureSizeY", {4}}, {"texelSizeX", {0.125}},
        {"texelSizeY", {0.25}}, {"postpixeltransf", {8}}, {"useTexture", {1}}, {"TexScaleY", {1.5}},
        {"Z_offset", {0.125}}, {"permTexture", {1}}, {"simplexTexture", {2}}, {"gradTexture", {3}}, {"fTexture", {5}}};
    for (const auto& [name, value] : changes) u[name] = value;
    return u;
}

// Every fractal kind, octave counts up to 10, bends before and after, clamped and scaled z, the
// seamless loop, the amplitude image at both pixel depths and the texture's t from z; and flat
// grids: no octaves leave the clamped NoiseAdd, a black or transparent amplitude image cancels every
// displacement, bends of 1e-7 are left out.
const struct {
    const char* name;
    Uniforms changes;
    const Amplitude* amplitude = &kPattern;
} kCases[] = {
    {"regular, amplitude, t from z", {{"Complexity", {5}}, {"useFTexture", {1}}, {"useTexture", {2}}}},
    {"multi, ten octaves", {{"FractalType", {2}}, {"Complexity", {10}}, {"OctScale", {1.6}}, {"OctMult", {0.6}}}},
    {"multi, OctMult 0", {{"FractalType", {2}}, {"OctMult", {0}}, {"useTexture", {2}}}},
    {"ridge, bends before, z scaled", {{"FractalType", {3}}, {"BendX", {0.6}}, {"BendY", {-0.3}}, {"NoiseMult", {-2}}}},
    {"multi ridge, bends after", {{"FractalType", {4}}, {"Complexity", {6}}, {"BendXpost", {1}}, {"BendYpost", {-2}}}},
    {"closing bends of 2", {{"BendX", {2}}, {"BendYpost", {2}}, {"NoiseAdd", {-0.4}}, {"useTexture", {2}}}},
    {"z clamped", {{"NoiseAdd", {0.1}}, {"NoiseMult", {2.5}}, {"NoiseFloorZ", {-0.2}}, {"NoiseCeilZ", {0.3}}}},
    {"ridge, 16-bit amplitude", {{"FractalType", {3}}, {"useFTexture", {1}}, {"postpixeltransf", {16}}}},
    {"loop", {{"NoiseLoop", {1}}, {"NoiseLoopW", {3}}, {"NoiseLoopMatrix", kLoop}}},
    {"multi ridge, loop, bends, 16-bit amplitude",
     {{"FractalType", {4}}, {"Complexity", {5}}, {"BendX", {-0.5}}, {"BendXpost", {0.3}}, {"NoiseLoop", {1}},
      {"NoiseLoopW", {2.5}}, {"NoiseLoopMatrix", kLoop}, {"useFTexture", {1}}, {"postpixeltransf", {16}}}},
    {"ten octaves, loop", {{"Complexity", {10}}, {"OctScale", {1.5}}, {"OctMult", {0.7}}, {"NoiseLoop", {1}},
                           {"NoiseLoopW", {1.5}}, {"NoiseLoopMatrix", kLoop}}},
    {"no octaves, z clamped", {{"Complexity", {0}}, {"NoiseAdd", {-1}}, {"NoiseFloorZ", {-0.5}}, {"useTexture", {2}}}},
    {"black amplitude, 16 bits", {{"NoiseAdd", {0.4}}, {"useFTexture", {1}}, {"postpixeltransf", {16}}}, &kBlack},
    {"transparent white amplitude", {{"NoiseAdd", {0.4}}, {"useFTexture", {1}}}, &kTransparentWhite},
    {"bends at the threshold", {{"BendX", {1e-7}}, {"BendY", {-1e-7}}, {"BendXpost", {-1e-7}}, {"BendYpost", {1e-7}}}},
};

// Single precision loses a few 1e-6 on positions (noise coordinates reach about 100 after ten
// octaves); N and D come from differences over Epsilon = 0.01, which magnify that a hundredfold.
// Ten times those is allowed; a wrong constant, weight, sign or order moves the outputs far more.
class VertexDisplacementShader : public testing::TestWithParam<bool> {};

TEST_P(VertexDisplacementShader, MatchesTheDoublePrecisionReference)
{
    SharedContextScope context;
    constexpr double kPlastic = 1.32471795724474602596, kPlastic2 = kPlastic * kPlastic;
    int compared = 0, skipped = 0, n = 0;
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        // 32 points spread evenly over the unit grid by an additive recurrence on the plastic number.
        std::vector<GridVertex> grid;
        for (const int end = n + 32; n < end; ++n) {
            const auto x = float(std::fmod(0.5 + n / kPlastic, 1.0)), y = float(std::fmod(0.5 + n / kPlastic2, 1.0));
            grid.push_back({x, y, 2.0f * x - 0.25f, 0.75f - y});
        }
        const Uniforms uniforms = with(c.changes);
        const Captured captured = capture(uniforms, *c.amplitude, grid, GetParam());
        for (std::size_t i = 0; i < grid.size(); ++i) {
            Reference reference{uniforms, *c.amplitude};
            const Outputs expected = reference.vertex(grid[i]);
            (reference.nearBoundary ? skipped : compared) += 1;
            for (std::size_t k = 0; k < 13 && !reference.nearBoundary; ++k) {
                EXPECT_NEAR(captured[i][k], expected[k], k >= 7 && k <= 10 ? 2e-3 : 5e-5)
                    << kOutputNames[k] << " at (" << grid[i].x << ", " << grid[i].y << ")";
            }
        }
    }
    std::printf("compared %d vertices, left out %d near a decision boundary\n", compared, skipped);
    EXPECT_LT(skipped * 20, compared + skipped);  // more would hide a systematic fault
}

INSTANTIATE_TEST_SUITE_P(PerVertexAndPass, VertexDisplacementShader, testing::Bool(),
                         [](const auto& test) { return test.param ? "Pass" : "PerVertex"; });

}  // namespace
}  // namespace zel::test
