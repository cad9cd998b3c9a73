// The module's vertex displacement shader, run on the driver, against a double-precision reference
// of the displacement algorithm, and against exact expectations at its edge cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <vector>

#include "plugin/entry/opengl_setup.h"
#include "tests/plugin/gl/gl_test_environment.h"
#include "tests/plugin/gl/vertex/displacement_state.h"

namespace zel::test {
namespace {

// A quarter turn about z (eye x = -grid y, eye y = grid x), so that P and N show whether the
// modelview and its normal matrix were applied; exact in floats.
constexpr std::array<float, 16> kModelview = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
// A translation, so that gl_Position shows the modelview-projection product with w = 1.
constexpr std::array<float, 16> kProjection = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.25f, -0.5f, 0, 1};
constexpr std::array<float, 16> kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

AmplitudeImage amplitudeImage(std::uint8_t (*texel)(int index, int channel))
{
    AmplitudeImage image{8, 4, {}};
    for (int i = 0; i < image.width * image.height; ++i) {
        for (int channel = 0; channel < 4; ++channel) {
            image.texels.push_back(texel(i, channel));
        }
    }
    return image;
}

// Texel channels r, g, b, a hold host A, R, G, B.
const AmplitudeImage kPattern = amplitudeImage([](int i, int channel) {
    constexpr int kStep[4] = {37, 53, 91, 29};
    constexpr int kStart[4] = {120, 17, 5, 200};
    return static_cast<std::uint8_t>(channel == 0 ? kStart[0] + (kStep[0] * i) % 136
                                                  : (kStart[channel] + kStep[channel] * i) % 256);
});
const AmplitudeImage kBlack = amplitudeImage([](int, int) { return std::uint8_t{0}; });
const AmplitudeImage kTransparentWhite =
    amplitudeImage([](int, int channel) { return static_cast<std::uint8_t>(channel == 0 ? 0 : 255); });

// An orthonormal matrix mixing every axis into w, as a seamless loop's matrix does: a reflection
// through (1, 1, 1, 1) with its columns rotated, so that it is not symmetric; exact in floats.
constexpr std::array<float, 16> kLoopMatrix = {-0.5f, 0.5f,  -0.5f, -0.5f, -0.5f, -0.5f, 0.5f,  -0.5f,
                                               -0.5f, -0.5f, -0.5f, 0.5f,  0.5f,  -0.5f, -0.5f, -0.5f};

DisplacementState baseState(const AmplitudeImage& amplitude)
{
    DisplacementState s;
    s.noiseAmp = {0.15f, 0.12f, 0.2f};
    s.noiseFreq = {2.3f, 1.9f, 1.7f, 1.3f};
    s.noiseOffset = {0.31f, -0.47f, 0.13f, 0.71f};
    s.ex = {0.0f, 0.0f, 0.0f, 0.0f};
    s.ey = {3.3f, 1.7f, -2.1f, 0.9f};
    s.ez = {-1.9f, 2.6f, 1.1f, -0.6f};
    s.ox = {0.37f, -0.21f, 0.53f, 0.19f};
    s.complexity = 3; s.octScale = 2.0f; s.octMult = 0.5f;
    s.noiseLoopMatrix = kIdentity;
    s.noiseFloorZ = -10.0f; s.noiseCeilZ = 10.0f; s.noiseNorm = 0.8f;
    // The grid spans [0, 1] in x and y, as u and v do, so one step is the same in both.
    s.epsilon = s.efx = s.efy = 0.01f;
    s.textureSizeX = static_cast<float>(amplitude.width); s.textureSizeY = static_cast<float>(amplitude.height);
    s.texelSizeX = 1.0f / s.textureSizeX; s.texelSizeY = 1.0f / s.textureSizeY;
    s.texScaleY = 1.5f; s.zOffset = 0.125f;
    s.modelview = kModelview; s.projection = kProjection;
    return s;
}

// Points spread evenly over the unit grid: elements first to first + count - 1 of an additive
// recurrence on the plastic number, so that successive ranges fill in between each other.
std::vector<GridVertex> gridPoints(int count, int first)
{
    constexpr double kPlastic = 1.32471795724474602596;
    std::vector<GridVertex> points;
    for (int n = first; n < first + count; ++n) {
        const auto x = static_cast<float>(std::fmod(0.5 + n / kPlastic, 1.0));
        const auto y = static_cast<float>(std::fmod(0.5 + n / (kPlastic * kPlastic), 1.0));
        points.push_back({x, y, 2.0f * x - 0.25f, 0.75f - y, x, y});
    }
    return points;
}

// The eye position of an undisplaced, unbent grid point at height z under kModelview.
void expectEyePosition(const CapturedVertex& captured, const GridVertex& g, float z)
{
    EXPECT_FLOAT_EQ(captured[4], -g.y) << "at (" << g.x << ", " << g.y << ")";
    EXPECT_FLOAT_EQ(captured[5], g.x) << "at (" << g.x << ", " << g.y << ")";
    EXPECT_FLOAT_EQ(captured[6], z) << "at (" << g.x << ", " << g.y << ")";
}

class VertexDisplacementShader : public ::testing::Test {
protected:
    static void TearDownTestSuite() { SharedContextScope scope; harness.reset(); }

    void SetUp() override
    {
        ASSERT_NE(gSharedContext, nullptr) << "no OpenGL context";
        if (!harness) {
            harness = std::make_unique<VertexCapture>();
        }
        ASSERT_EQ(harness->buildError(), "");
    }

    static std::vector<CapturedVertex> run(const DisplacementState& state, const AmplitudeImage& amplitude,
                                           const std::vector<GridVertex>& grid)
    {
        VertexCapture::Result capture = harness->capture(state, amplitude, grid);
        EXPECT_EQ(capture.error, "");
        EXPECT_EQ(capture.vertices.size(), grid.size());
        capture.vertices.resize(grid.size());
        return std::move(capture.vertices);
    }

    SharedContextScope context;
    static inline std::unique_ptr<VertexCapture> harness;
};

// Frequency scales NoiseFreq; bends are BendX, BendY, BendXpost, BendYpost; zRange is NoiseAdd,
// NoiseMult, NoiseFloorZ, NoiseCeilZ; loopW 0 is no seamless loop.
struct Case {
    const char* name;
    int fractalType, complexity;
    float octScale, octMult, frequency;
    std::array<float, 4> bends, zRange;
    float loopW;
    bool amplitude;
    int postpixeltransf, useTexture;
};

constexpr std::array<float, 4> kNoBends = {0, 0, 0, 0};
constexpr std::array<float, 4> kPlainZ = {0, 1, -10, 10};

const Case kCases[] = {
    {"regular, one octave", 1, 1, 2.0f, 0.5f, 1.0f, kNoBends, kPlainZ, 0, false, 8, 1},
    {"regular, five octaves, amplitude image", 1, 5, 2.0f, 0.5f, 1.0f, kNoBends, kPlainZ, 0, true, 8, 2},
    {"multi, ten octaves", 2, 10, 1.6f, 0.6f, 0.6f, kNoBends, kPlainZ, 0, false, 8, 1},
    {"multi, OctMult 0", 2, 4, 2.0f, 0.0f, 1.0f, kNoBends, kPlainZ, 0, false, 8, 2},
    {"smooth ridge, bends before", 3, 4, 2.2f, 0.45f, 1.0f, {0.6f, -0.35f, 0, 0}, kPlainZ, 0, false, 8, 1},
    {"multi smooth ridge, bends after", 4, 6, 1.9f, 0.55f, 1.0f, {0, 0, 0.8f, -1.2f}, kPlainZ, 0, true, 8, 1},
    {"regular, closing bends of 2", 1, 3, 2.0f, 0.5f, 1.0f, {2.0f, 0, 0, 2.0f}, kPlainZ, 0, false, 8, 2},
    {"regular, bends at the threshold", 1, 3, 2.0f, 0.5f, 1.0f, {1e-7f, -1e-7f, -1e-7f, 1e-7f}, kPlainZ, 0,
     false, 8, 1},
    {"regular, z clamped", 1, 4, 2.0f, 0.5f, 1.0f, kNoBends, {0.1f, 2.5f, -0.2f, 0.3f}, 0, false, 8, 2},
    {"smooth ridge, z scaled and shifted", 3, 3, 2.0f, 0.5f, 1.0f, kNoBends, {-0.4f, -1.5f, -10, 10}, 0, true,
     16, 2},
    {"regular, seamless loop", 1, 3, 2.0f, 0.5f, 1.0f, kNoBends, kPlainZ, 3.0f, false, 8, 1},
    {"multi smooth ridge, seamless loop, bends", 4, 5, 1.8f, 0.5f, 1.0f, {-0.5f, 0, 0.3f, 0}, kPlainZ, 2.5f,
     true, 16, 2},
    {"regular, ten octaves, seamless loop", 1, 10, 1.5f, 0.7f, 0.6f, kNoBends, kPlainZ, 1.5f, false, 8, 1},
    {"multi, complexity 0, bends", 2, 0, 2.0f, 0.5f, 1.0f, {0.4f, 0.7f, -0.3f, 0}, {0.3f, 2.0f, -0.2f, 0.25f},
     0, false, 8, 2},
};

DisplacementState stateFor(const Case& c)
{
    DisplacementState s = baseState(kPattern);
    s.fractalType = c.fractalType; s.complexity = c.complexity; s.octScale = c.octScale; s.octMult = c.octMult;
    for (float& f : s.noiseFreq) {
        f *= c.frequency;
    }
    s.bendX = c.bends[0]; s.bendY = c.bends[1]; s.bendXpost = c.bends[2]; s.bendYpost = c.bends[3];
    s.noiseAdd = c.zRange[0]; s.noiseMult = c.zRange[1]; s.noiseFloorZ = c.zRange[2]; s.noiseCeilZ = c.zRange[3];
    if (c.loopW > 0) {
        s.noiseLoop = 1; s.noiseLoopW = c.loopW; s.noiseLoopMatrix = kLoopMatrix;
    }
    s.useFTexture = c.amplitude ? 1 : 0; s.postpixeltransf = c.postpixeltransf; s.useTexture = c.useTexture;
    return s;
}

TEST_F(VertexDisplacementShader, MatchesTheDoublePrecisionReferenceAcrossTheUniformSpace)
{
    constexpr int kPointsPerCase = 32;
    // Guards the error model: beyond this it would let real faults through. The loosest
    // legitimate allowances, a few hundredths, belong to normals where the surface folds over
    // and the two difference vectors are nearly parallel.
    constexpr double kLoosestAllowed = 0.1;
    int compared = 0, nearBoundary = 0, first = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const DisplacementState state = stateFor(c);
        const std::vector<GridVertex> grid = gridPoints(kPointsPerCase, first);
        first += kPointsPerCase;
        const std::vector<CapturedVertex> captured = run(state, kPattern, grid);
        // A few failing vertices tell the story; the rest would bury it.
        int failedVertices = 0;
        for (std::size_t i = 0; i < grid.size() && failedVertices < 3; ++i) {
            const ExpectedVertex expected = referenceVertex(state, kPattern, grid[i]);
            if (expected.nearBoundary) {
                ++nearBoundary;
                continue;
            }
            ++compared;
            bool failed = false;
            for (std::size_t k = 0; k < expected.outputs.size(); ++k) {
                const Bounded& want = expected.outputs[k];
                const double got = captured[i][k];
                EXPECT_LE(want.allowed, kLoosestAllowed) << kCapturedNames[k];
                if (!(std::abs(got - want.value) <= want.allowed)) {
                    failed = true;
                    ADD_FAILURE() << kCapturedNames[k] << " of vertex (" << grid[i].x << ", " << grid[i].y
                                  << "): GPU " << got << ", reference " << want.value << ", allowed "
                                  << want.allowed;
                }
            }
            failedVertices += failed ? 1 : 0;
        }
    }
    std::printf("compared %d vertices, left out %d near a decision boundary\n", compared, nearBoundary);
    // Only rounding-level coincidences may be left out; more would hide a systematic fault.
    EXPECT_LT(nearBoundary * 20, compared + nearBoundary);
}

// Grids that stay flat, with exact positions: no octaves leave only the clamped constant height;
// a black or a transparent amplitude image cancels the displacement at either pixel depth.
TEST_F(VertexDisplacementShader, UndisplacedGridsKeepXYTheirSpacingAndTheClampedConstantHeight)
{
    const struct {
        const char* name;
        int complexity;
        float add;
        const AmplitudeImage* amplitude;  // null: none
        int pixelDepth;
        float z;  // before NoiseAmp.z of 0.2
    } cases[] = {
        {"complexity 0, below the floor", 0, -0.7f, nullptr, 8, -0.5f},
        {"complexity 0, within range", 0, 0.1f, nullptr, 8, 0.1f},
        {"complexity 0, above the ceiling", 0, 0.9f, nullptr, 8, 0.6f},
        {"black amplitude", 3, 0.4f, &kBlack, 8, 0.0f},
        {"black amplitude, 16 bits", 3, 0.4f, &kBlack, 16, 0.0f},
        {"transparent white amplitude", 3, 0.4f, &kTransparentWhite, 8, 0.0f},
        {"transparent white amplitude, 16 bits", 3, 0.4f, &kTransparentWhite, 16, 0.0f},
    };
    const std::vector<GridVertex> grid = gridPoints(8, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const AmplitudeImage& image = c.amplitude != nullptr ? *c.amplitude : kPattern;
        DisplacementState s = baseState(image);
        s.complexity = c.complexity; s.noiseAdd = c.add; s.noiseFloorZ = -0.5f; s.noiseCeilZ = 0.6f;
        s.useFTexture = c.amplitude != nullptr ? 1 : 0; s.postpixeltransf = c.pixelDepth;
        const std::vector<CapturedVertex> captured = run(s, image, grid);
        for (std::size_t i = 0; i < grid.size(); ++i) {
            expectEyePosition(captured[i], grid[i], c.z * s.noiseAmp[2]);
            // The flat grid faces -z whatever the constant height; its spacing is kept.
            for (const auto& [k, value] : {std::pair{7, 0.0}, {8, 0.0}, {9, -1.0}}) {
                EXPECT_NEAR(captured[i][std::size_t(k)], value, 1e-6) << kCapturedNames[std::size_t(k)];
            }
            EXPECT_NEAR(captured[i][10], 1.0, 1e-4) << "D";
        }
    }
}

TEST_F(VertexDisplacementShader, BendOfTwoRollsRowsOneApartOntoOneCircle)
{
    DisplacementState s = baseState(kPattern);
    s.noiseAmp = {0.0f, 0.0f, 0.0f};
    s.noiseAdd = 0.5f;
    s.bendX = 2.0f;
    std::vector<GridVertex> grid;
    for (const GridVertex& g : gridPoints(6, 0)) {
        grid.push_back(g);
        grid.push_back({g.x, g.y + 1.0f, g.s, g.t, g.u, g.v});
    }
    const std::vector<CapturedVertex> captured = run(s, kPattern, grid);
    const double radius = 1.0 / (2.0 * std::numbers::pi);
    for (std::size_t i = 0; i < grid.size(); i += 2) {
        SCOPED_TRACE(grid[i].y);
        for (std::size_t k = 4; k < 7; ++k) {
            EXPECT_NEAR(captured[i][k], captured[i + 1][k], 1e-6) << kCapturedNames[k];
        }
        // The X bend keeps x (eye y) and puts y, z on a circle about (y, z) = (0, -radius).
        EXPECT_FLOAT_EQ(captured[i][5], grid[i].x);
        EXPECT_NEAR(std::hypot(captured[i][4], captured[i][6] + radius), radius, 1e-6);
    }
}

TEST_F(VertexDisplacementShader, SeamlessLoopContinuesAcrossTheWrapOfW)
{
    // With w = 0 after the wrap, the loop's cross-fade gives full weight to the noise one period
    // later, which is what the plain noise gives at w = NoiseLoopW.
    DisplacementState looped = baseState(kPattern);
    looped.complexity = 1;
    looped.noiseLoop = 1;
    looped.noiseLoopW = 2.0f;
    looped.noiseFreq[3] = 1.0f;
    looped.noiseOffset[3] = 0.0f;
    looped.ex[3] = looped.ey[3] = looped.ez[3] = 0.0f;
    DisplacementState plain = looped;
    plain.noiseLoop = 0;
    plain.noiseOffset[3] = looped.noiseLoopW;

    const std::vector<GridVertex> grid = gridPoints(16, 0);
    const std::vector<CapturedVertex> atWrap = run(looped, kPattern, grid);
    const std::vector<CapturedVertex> onePeriodOn = run(plain, kPattern, grid);
    for (std::size_t i = 0; i < grid.size(); ++i) {
        for (std::size_t k = 4; k < 7; ++k) {
            EXPECT_NEAR(atWrap[i][k], onePeriodOn[i][k], 1e-5)
                << kCapturedNames[k] << " at (" << grid[i].x << ", " << grid[i].y << ")";
        }
    }
}

}  // namespace
}  // namespace zel::test
