#include "plugin/render/frame_values.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/plugin/default_params.h"
#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

using namespace params;

class FrameValuesTest : public ::testing::Test {
protected:
    FrameValues read(const FloatColorSource& colors = nullptr, int pixelType = 0)
    {
        FrameValues values;
        readFrameValues(&host.in_data, params.array(), pixelType, colors, values);
        return values;
    }

    test::RecordingHost host;
    test::DefaultParams params{1920, 1080};
};

TEST_F(FrameValuesTest, DefaultsGiveTheRegisteredLook)
{
    const FrameValues v = read();
    EXPECT_EQ(v.bitsPerChannel, 8);
    EXPECT_EQ(v.bufferWidth, 1920);
    EXPECT_EQ(v.bufferHeight, 1080);
    EXPECT_EQ(v.verticesX, 50);
    EXPECT_EQ(v.multisampleRequest, 8);
    EXPECT_DOUBLE_EQ(v.translateX, 960);
    EXPECT_DOUBLE_EQ(v.F, 800e-5);
    EXPECT_DOUBLE_EQ(v.amplitude[2], 50);           // 100 % of 50
    EXPECT_DOUBLE_EQ(v.frequency[0], 800e-5);       // 100 % of F
    EXPECT_DOUBLE_EQ(v.octaveSum, 1 + 0.5 + 0.25 + 0.125);
    EXPECT_DOUBLE_EQ(v.noiseNormaliser, 1 / 1.875);
    EXPECT_DOUBLE_EQ(v.zFloor, -100000);
    EXPECT_DOUBLE_EQ(v.zAdd, 0);
    EXPECT_DOUBLE_EQ(v.epsilon, 1 / (800e-5 * 500));
    EXPECT_FLOAT_EQ(v.Fk, -1.0f / 500);
    EXPECT_FLOAT_EQ(v.Fm, 2.0f);
    EXPECT_FLOAT_EQ(v.Fr2, 250000.0f);
    EXPECT_DOUBLE_EQ(v.farClip, 5000);
    EXPECT_EQ(v.effectiveBlend, 3);
    EXPECT_FALSE(v.looping);
    EXPECT_EQ(v.color, (std::array<double, 3>{1, 1, 1}));
}

TEST_F(FrameValuesTest, DepthFollowsThePixelType)
{
    EXPECT_EQ(read(nullptr, 4).bitsPerChannel, 32);
    EXPECT_EQ(read(nullptr, 1).bitsPerChannel, 16);
    EXPECT_EQ(read(nullptr, 0).bitsPerChannel, 8);
}

TEST_F(FrameValuesTest, MultisampleRequestsSnapDownToPowersOfTwo)
{
    const std::pair<double, int> cases[] = {{0, 0},  {1, 1},   {1.6, 2},   {3, 2},   {4, 4},
                                            {7, 4},  {8, 8},   {200, 128}, {256, 256}, {300, 256}};
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(multisampleRequestOf(value), expected) << value;
    }
}

TEST_F(FrameValuesTest, ClippingKeepsFarBeyondNearAndAtLeastTwo)
{
    params.setSlider(kNear, 100);
    params.setSlider(kFar, 50);
    EXPECT_DOUBLE_EQ(read().farClip, 100.001);
    params.setSlider(kNear, 0.5);
    params.setSlider(kFar, 1);
    EXPECT_DOUBLE_EQ(read().farClip, 2);
}

TEST_F(FrameValuesTest, FogRangeAndCamera)
{
    FrameValues v = read();
    applyCameraToFog(v);
    EXPECT_DOUBLE_EQ(v.fogReciprocal, 1.0 / 1000);

    params.setSlider(kFogStart, 5000);
    v = read();
    applyCameraToFog(v);
    EXPECT_DOUBLE_EQ(v.fogReciprocal, 0);

    params.setSlider(kFogStart, 10);
    v = read();
    v.isPerspective = false;
    applyCameraToFog(v);
    EXPECT_DOUBLE_EQ(v.fogStart, v.farClip);
    EXPECT_DOUBLE_EQ(v.fogEnd, v.farClip);
    EXPECT_DOUBLE_EQ(v.fogReciprocal, 0);
}

TEST_F(FrameValuesTest, FrequencyZeroFallsBackToAFixedStep)
{
    params.setSlider(kFrequency, 0);
    params.setSlider(kSmoothenNormals, 3);
    EXPECT_DOUBLE_EQ(read().epsilon, 0.03);
    params.setSlider(kFrequency, 800);
    for (int axis : {kFrequencyX, kFrequencyY, kFrequencyZ}) {
        params.setSlider(axis, 0);
    }
    EXPECT_DOUBLE_EQ(read().epsilon, 0.03) << "no axis frequency would divide by zero";
}

TEST_F(FrameValuesTest, HalfResolutionHalvesTheBufferAndDoublesThePosition)
{
    host.in_data.downsample_x = {1, 2};
    host.in_data.downsample_y = {1, 2};
    params[kPositionXY].u.td.x_value = 480 << 16;  // handed over in downsampled pixels
    params[kPositionXY].u.td.y_value = 270 << 16;
    const FrameValues v = read();
    EXPECT_EQ(v.bufferWidth, 960);
    EXPECT_EQ(v.bufferHeight, 540);
    EXPECT_DOUBLE_EQ(v.translateX, 960);
    EXPECT_DOUBLE_EQ(v.translateY, 540);
}

TEST_F(FrameValuesTest, ZRangeModes)
{
    params.setPopup(kZRange, 2);
    FrameValues v = read();
    EXPECT_DOUBLE_EQ(v.zFloor, -0.5);
    EXPECT_DOUBLE_EQ(v.zCeil, 0.5);
    EXPECT_DOUBLE_EQ(v.zMultiplier, 1);

    params.setPopup(kZRange, 3);
    params.setSlider(kZLift, 0.25);
    v = read();
    EXPECT_DOUBLE_EQ(v.zMultiplier, 0.5 / 1.875);
    EXPECT_DOUBLE_EQ(v.zAdd, 0.25 + 0.5 - 0.5);

    params.setSlider(kComplexity, 0);
    v = read();
    EXPECT_TRUE(std::isfinite(v.zMultiplier));
    EXPECT_DOUBLE_EQ(v.noiseNormaliser, 1);
}

TEST_F(FrameValuesTest, NormalBlendingTurnsOffUnderOcclusion)
{
    params.setPopup(kBlend, 2);
    EXPECT_EQ(read().effectiveBlend, 2);
    params.setPopup(kAmbientOcclusion, 2);
    const FrameValues v = read();
    EXPECT_TRUE(v.ssaoEnabled);
    EXPECT_EQ(v.effectiveBlend, 1);
    params.setPopup(kBlend, 4);
    EXPECT_EQ(read().effectiveBlend, 4);
}

TEST_F(FrameValuesTest, ColoursComeAtFullPrecisionOrFromTheEightBitValue)
{
    params[kColor].u.cd.value = {255, 51, 102, 204};
    std::vector<std::pair<int, int>> asked;
    const FrameValues host8 = read([&](int index, int diskId, double*) {
        asked.emplace_back(index, diskId);
        return false;
    });
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{kFogColor, 61}, {kColor, 41}, {kSPColor, 95}}));
    EXPECT_DOUBLE_EQ(host8.color[0], 0.2);
    EXPECT_DOUBLE_EQ(host8.color[2], 0.8);

    const FrameValues full = read([](int, int, double* rgb) {
        rgb[0] = 127.5;
        rgb[1] = 0;
        rgb[2] = 255;
        return true;
    });
    EXPECT_DOUBLE_EQ(full.color[0], 0.5);
    EXPECT_DOUBLE_EQ(full.spColor[2], 1.0);
}

TEST_F(FrameValuesTest, AnyLoopValueTurnsOnAnOrthonormalLoopMatrix)
{
    FrameValues off = read();
    EXPECT_EQ(off.Ey, (std::array<float, 4>{0, 0, 0, 5}));
    EXPECT_EQ(off.Ox, (std::array<float, 4>{0, 0, 0, 23}));
    EXPECT_EQ(off.loopW, 0);

    params.setSlider(kLoopX, 100);
    params.setSlider(kLoopEvolution, 30);
    const FrameValues v = read();
    ASSERT_TRUE(v.looping);
    EXPECT_EQ(v.Ex, (std::array<float, 4>{23, 312, 1232, 0}));
    EXPECT_EQ(v.Ez, (std::array<float, 4>{232, 453, 3743, 0}));
    const double lx = 100 * 800e-5;
    const double lw = -30 * 800e-5;
    EXPECT_NEAR(v.loopW, std::hypot(lx, lw), 1e-15);
    EXPECT_NEAR(v.loopMatrix[12], lx / v.loopW, 1e-15);   // row 3 is the loop direction
    EXPECT_NEAR(v.loopMatrix[15], lw / v.loopW, 1e-15);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double d = 0;
            for (int k = 0; k < 4; ++k) {
                d += v.loopMatrix[static_cast<std::size_t>(4 * r + k)] * v.loopMatrix[static_cast<std::size_t>(4 * c + k)];
            }
            EXPECT_NEAR(d, r == c ? 1.0 : 0.0, 1e-12) << r << ", " << c;
        }
    }

    params.setSlider(kFrequency, 0);
    EXPECT_FALSE(read().looping) << "a loop that moves the noise nowhere has no direction";
}

TEST(ViewMatrix, InvertsTheCameraAndTurnsItsViewingAxis)
{
    // The default camera: axes as the layer's, 1200 pixels in front of its centre.
    const Matrix4 camera = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 960, 540, -1200, 1};
    const Matrix4 view = viewMatrixFromCamera(camera);
    const Matrix4 expected = {1, 0, -0.0, 0, 0, 1, -0.0, 0, 0, 0, -1, 0, -960, -540, -1200, 1};
    for (std::size_t i = 0; i < 16; ++i) {
        EXPECT_DOUBLE_EQ(view[i], expected[i]) << i;
    }
    // A rotated, scaled camera: the product with its inverse (before the turn) is the identity.
    const Matrix4 turned = {0, 2, 0, 0, -2, 0, 0, 0, 0, 0, 2, 0, 10, 20, 30, 1};
    Matrix4 inverse = viewMatrixFromCamera(turned);
    for (std::size_t i : {2, 6, 10, 14}) {
        inverse[i] = -inverse[i];
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double d = 0;
            for (int k = 0; k < 4; ++k) {
                d += turned[static_cast<std::size_t>(4 * r + k)] * inverse[static_cast<std::size_t>(4 * k + c)];
            }
            EXPECT_NEAR(d, r == c ? 1.0 : 0.0, 1e-12);
        }
    }
}

TEST(ViewMatrix, ASingularCameraGivesItsAdjugateUndivided)
{
    const Matrix4 flat = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0};
    const Matrix4 view = viewMatrixFromCamera(flat);
    for (std::size_t i = 0; i < 15; ++i) {
        EXPECT_EQ(view[i], 0.0) << i;
    }
    EXPECT_EQ(view[15], 8.0);
}

}  // namespace
}  // namespace zel
