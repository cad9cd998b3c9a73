// The values a frame is drawn with, derived from the parameters, and the video memory it needs.
#include "plugin/render/frame_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <tuple>

#include "plugin/params/param_table.h"
#include "plugin/params/params_setup.h"
#include "plugin/render/displacement_pass.h"
#include "plugin/render/memory_check.h"
#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

using namespace params;
using test::words;

// Whether row-major a times b (or b transposed) is the identity.
bool productIsIdentity(const Matrix4& a, const Matrix4& b, bool bTransposed)
{
    for (std::size_t i = 0; i < 16; ++i) {
        double d = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            d += a[i / 4 * 4 + k] * b[bTransposed ? i % 4 * 4 + k : k * 4 + i % 4];
        }
        if (std::abs(d - (i % 5 == 0 ? 1 : 0)) > 1e-12) {
            return false;
        }
    }
    return true;
}

// A parameter array as a host hands it to a render: every control at the default the module
// registered, the point in pixels of a 1920 x 1080 layer.
class FrameValuesTest : public ::testing::Test {
protected:
    FrameValuesTest()
    {
        EXPECT_EQ(ParamsSetup(&host.in_data, &host.out_data, nullptr, nullptr), PF_Err_NONE);
        for (std::size_t i = 0; i < host.added.size(); ++i) {
            host.param(int(i) + 1) = host.added[i];
        }
        host.param(kPositionXY).u.td.x_value = 960 << 16;
        host.param(kPositionXY).u.td.y_value = 540 << 16;
    }

    FrameValues read(const FloatColorSource& colors = nullptr, int pixelType = 0)
    {
        FrameValues values;
        readFrameValues(&host.in_data, host.params(), pixelType, colors, values);
        return values;
    }
    void set(int index, double value) { host.param(index).u.fs_d.value = value; }
    void choose(int index, int choice) { host.param(index).u.pd.value = choice; }

    test::RecordingHost host;
};

TEST_F(FrameValuesTest, DefaultsGiveTheRegisteredLookAndDepthFollowsThePixelType)
{
    const FrameValues v = read();
    // Frequency 800 is 0.008 a pixel; amplitude 50 at 100 %; four octaves of 0.5 add to 1.875.
    EXPECT_EQ(words(v.bitsPerChannel, v.bufferWidth, v.bufferHeight, v.grid.verticesX, v.multisampleRequest, v.grid.translateX,
                    v.F, v.amplitude[2], v.frequency[0], v.octaveSum, v.noiseNormaliser, v.zFloor, v.zAdd, v.farClip,
                    v.epsilon, v.Fk, v.Fm, v.Fr2, params::number(v.effectiveBlend), v.looping, v.grid.color[1]),
              "8 1920 1080 50 8 960 0.008 50 0.008 1.875 0.533333 -100000 0 5000 0.25 -0.002 2 250000 3 0 1");
    EXPECT_EQ(words(read(nullptr, 4).bitsPerChannel, read(nullptr, 1).bitsPerChannel), "32 16");
}

TEST_F(FrameValuesTest, ClippingFogResolutionAndAFrequencyOfZero)
{
    // Far stays beyond near and at least 2.
    for (const auto& [near, far, clip] : {std::tuple{100.0, 50.0, 100.001}, {0.5, 1.0, 2.0}}) {
        set(kNear, near);
        set(kFar, far);
        EXPECT_DOUBLE_EQ(read().farClip, clip) << near << " " << far;
    }
    // Fog follows the camera: an orthographic one pushes fog to the far clip.
    for (const auto& [fogStart, perspective, fog] : {std::tuple{4000.0, true, "4000 0.001"}, {5000.0, true, "5000 0"},
                                                     {10.0, false, "2 0"}}) {
        set(kFogStart, fogStart);
        FrameValues v = read();
        v.isPerspective = perspective;
        applyCameraToFog(v);
        EXPECT_EQ(words(v.fogStart, v.fogReciprocal), fog);
    }
    // Half and quarter resolution shrink the buffer; the point comes in downsampled pixels.
    host.in_data.downsample_x = {1, 2};
    host.in_data.downsample_y = {1, 4};
    host.param(kPositionXY).u.td.x_value = 480 << 16;
    host.param(kPositionXY).u.td.y_value = 135 << 16;
    FrameValues v = read();
    EXPECT_EQ(words(v.bufferWidth, v.bufferHeight, v.grid.translateX, v.grid.translateY), "960 270 960 540");
    // Without a frequency, or with every axis frequency 0, the normal step is 0.01 a smoothing unit.
    set(kSmoothenNormals, 3);
    set(kFrequency, 0);
    EXPECT_DOUBLE_EQ(read().epsilon, 0.03);
    set(kFrequency, 800);
    for (int axis : {kFrequencyX, kFrequencyY, kFrequencyZ}) {
        set(axis, 0);
    }
    EXPECT_DOUBLE_EQ(read().epsilon, 0.03);
    std::string snapped;  // multisample requests snap down to powers of two
    for (double samples : {0.0, 1.0, 1.6, 3.0, 4.0, 7.0, 8.0, 200.0, 256.0, 300.0}) {
        snapped += words(multisampleRequestOf(samples), "");
    }
    EXPECT_EQ(snapped, "0 1 2 2 4 4 8 128 256 256 ");
}

TEST_F(FrameValuesTest, ZRangeModesAndBlendingUnderOcclusion)
{
    set(kZMin, -1);
    set(kZMax, 3);
    set(kZLift, 0.25);
    choose(kZRange, 2);
    FrameValues v = read();
    EXPECT_EQ(words(v.zFloor, v.zCeil, v.zMultiplier, v.zAdd), "-1 3 1 0.25");
    choose(kZRange, 3);
    v = read();
    EXPECT_DOUBLE_EQ(v.zMultiplier, 2 / 1.875);  // half the range over the octave sum
    EXPECT_DOUBLE_EQ(v.zAdd, 0.25 + 2 - 1);      // lift + half the range + Z Min
    set(kComplexity, 0);
    v = read();
    EXPECT_EQ(words(v.zMultiplier, v.noiseNormaliser), "0 1");
    // Normal blending turns off under occlusion.
    for (const auto& [blend, occlusion, effective] :
         {std::tuple{2, 1, "2 0"}, {2, 2, "1 1"}, {4, 2, "4 1"}, {3, 5, "3 1"}}) {
        choose(kBlend, blend);
        choose(kAmbientOcclusion, occlusion);
        v = read();
        EXPECT_EQ(words(params::number(v.effectiveBlend), v.ssaoEnabled), effective) << blend << " " << occlusion;
    }
}

TEST_F(FrameValuesTest, ColoursComeAtFullPrecisionOrFromTheEightBitValue)
{
    host.param(kColor).u.cd.value = {255, 51, 102, 204};
    std::string asked;
    const FrameValues host8 = read([&](int index, int diskId, double*) {
        asked += words(index, diskId, "");
        return false;
    });
    EXPECT_EQ(asked, words(kFogColor, 61, kColor, 41, kSPColor, 95, ""));
    EXPECT_EQ(host8.grid.color, (std::array{0.2, 0.4, 0.8}));
    const FrameValues full = read([](int, int, double* rgb) {
        rgb[0] = 127.5, rgb[1] = 0, rgb[2] = 255;
        return true;
    });
    EXPECT_EQ(words(full.grid.color[0], full.grid.color[1], full.spColor[2]), "0.5 0 1");
}

TEST_F(FrameValuesTest, AnyLoopValueTurnsOnAnOrthonormalLoopMatrixAroundTheLoopDirection)
{
    const FrameValues off = read();
    EXPECT_EQ(words(off.Ey[3], off.Ox[3], off.loopW), "5 23 0");
    set(kLoopX, 100);
    set(kLoopY, -50);
    set(kLoopZ, 20);
    set(kLoopEvolution, 30);
    set(kFrequencyY, 50);
    set(kFrequencyZ, 200);
    const FrameValues v = read();
    EXPECT_EQ(words(v.looping, v.Ex[1], v.Ez[2]), "1 312 3743");
    // The loop moves the noise by 0.008 × (100, -50 × 50 %, 20 × 200 %, -30): 0.008 × (100, -25, 40, -30).
    const double length = std::sqrt(100.0 * 100 + 25 * 25 + 40 * 40 + 30 * 30);
    EXPECT_NEAR(v.loopW, 0.008 * length, 1e-15);
    const double direction[] = {100 / length, -25 / length, 40 / length, -30 / length};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(v.loopMatrix[12 + i], direction[i], 1e-15) << i;  // row 3 is the loop direction
    }
    EXPECT_TRUE(productIsIdentity(v.loopMatrix, v.loopMatrix, true));
    set(kFrequency, 0);
    EXPECT_FALSE(read().looping) << "a loop that moves the noise nowhere has no direction";
}

TEST(ViewMatrix, InvertsTheCameraAndTurnsItsViewingAxisAndASingularCameraGivesItsAdjugate)
{
    // The default camera: axes as the layer's, 1200 pixels in front of its centre.
    EXPECT_EQ(viewMatrixFromCamera({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 960, 540, -1200, 1}),
              (Matrix4{1, 0, -0.0, 0, 0, 1, -0.0, 0, 0, 0, -1, 0, -960, -540, -1200, 1}));
    // A rotated, scaled camera: the product with its inverse (before the turn) is the identity.
    const Matrix4 turned = {0, 2, 0, 0, -2, 0, 0, 0, 0, 0, 2, 0, 10, 20, 30, 1};
    Matrix4 inverse = viewMatrixFromCamera(turned);
    for (std::size_t i : {2, 6, 10, 14}) {
        inverse[i] = -inverse[i];
    }
    EXPECT_TRUE(productIsIdentity(turned, inverse, false));
    EXPECT_EQ(viewMatrixFromCamera({2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0}),
              (Matrix4{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8}));
}

TEST(MemoryCheck, BudgetsByChoiceAndWhatAFrameNeeds)
{
    // Auto plans with the measured memory, when there is one; Off has no budget.
    std::string budgets = words(memoryBudgetKb(params::MemoryCheck::Auto, 524288).value_or(-1),
                                memoryBudgetKb(params::MemoryCheck::Auto, 0).value_or(-1));
    for (int choice = 0; choice <= 13; ++choice) {
        budgets += words("", memoryBudgetKb(params::MemoryCheck{choice}, 1).value_or(-1));
    }
    EXPECT_EQ(budgets, "524288 -1 -1 1 -1 262144 524288 1048576 2097152 3145728 4194304 6291456 8388608 12582912 "
                       "16777216 -1");
    // Colour at 4 bytes a sample, (samples + 2) layers of 8 bytes, twice the samples + 3 under
    // occlusion, the texture layer at the frame's depth, and 10 % more.
    const struct {
        FrameMemory frame;
        std::int64_t bytes;
    } frames[] = {
        {{1920, 1080, 8, false, 0, 0, 0, 8}, 255467520},  // within the 256MB budget
        {{1920, 1080, 8, true, 0, 0, 0, 8}, 419696640},   // beyond it
        {{100, 100, 1, false, 0, 0, 0, 8}, 308000},
        {{100, 100, 1, false, 1, 10, 10, 8}, 308440},
        {{100, 100, 1, false, 1, 10, 10, 16}, 308880},
        {{100, 100, 1, false, 1, 10, 10, 32}, 309760},
        {{100, 100, 1, false, 0, 0, 0, 8, 1000}, 309100},
    };
    for (const auto& f : frames) {
        EXPECT_EQ(requiredBytes(f.frame), f.bytes) << f.bytes;
    }
    // The displacement pass: two 16-byte texels per grid vertex and one per column, up to
    // 4 Mi vertices; 2048 x 2049 is past that.
    SurfaceGrid grid;
    for (const auto& [across, up, bytes] : {std::tuple{500, 300, 4808000}, {2, 2, 160}, {2048, 2049, 0}}) {
        grid.verticesX = across, grid.verticesY = up;
        EXPECT_EQ(displacementPassBytes(grid), bytes) << across << " x " << up;
    }
}

}  // namespace
}  // namespace zel
