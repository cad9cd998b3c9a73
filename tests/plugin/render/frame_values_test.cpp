#include "plugin/render/frame_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "plugin/params/param_table.h"
#include "plugin/params/params_setup.h"
#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

using namespace params;

// A parameter array as a host hands it to a render: every control at the default the module
// registered, points in pixels of a layer of the given size.
class DefaultParams {
public:
    DefaultParams(int layerWidth, int layerHeight)
    {
        test::RecordingHost host;
        if (ParamsSetup(&host.in_data, &host.out_data, nullptr, nullptr) != PF_Err_NONE ||
            host.added.size() + 1 != defs_.size()) {
            throw std::runtime_error("the module did not register its parameters");
        }
        for (std::size_t i = 0; i < defs_.size(); ++i) {
            defs_[i] = i == 0 ? PF_ParamDef{} : host.added[i - 1];
            pointers_[i] = &defs_[i];
            PF_PointDef& point = defs_[i].u.td;
            if (defs_[i].param_type == PF_Param_POINT) {  // defaults are percent, values 16.16 pixels
                point.x_value = static_cast<PF_Fixed>(point.x_default / 100.0 * layerWidth);
                point.y_value = static_cast<PF_Fixed>(point.y_default / 100.0 * layerHeight);
            }
        }
    }

    PF_ParamDef** array() { return pointers_.data(); }
    PF_ParamDef& operator[](int index) { return defs_[static_cast<std::size_t>(index)]; }
    void setSlider(int index, double value) { (*this)[index].u.fs_d.value = value; }
    void setPopup(int index, int choice) { (*this)[index].u.pd.value = choice; }

private:
    std::array<PF_ParamDef, kParamCount> defs_{};
    std::array<PF_ParamDef*, kParamCount> pointers_{};
};

// Row-major a * b, compared with the identity.
void expectIdentityProduct(const Matrix4& a, const Matrix4& b, bool bTransposed)
{
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double d = 0;
            for (int k = 0; k < 4; ++k) {
                d += a[std::size_t(4 * r + k)] * b[std::size_t(bTransposed ? 4 * c + k : 4 * k + c)];
            }
            EXPECT_NEAR(d, r == c ? 1.0 : 0.0, 1e-12) << r << ", " << c;
        }
    }
}

class FrameValuesTest : public ::testing::Test {
protected:
    FrameValues read(const FloatColorSource& colors = nullptr, int pixelType = 0)
    {
        FrameValues values;
        readFrameValues(&host.in_data, params.array(), pixelType, colors, values);
        return values;
    }

    test::RecordingHost host;
    DefaultParams params{1920, 1080};
};

TEST_F(FrameValuesTest, DefaultsGiveTheRegisteredLookAndDepthFollowsThePixelType)
{
    const FrameValues v = read();
    EXPECT_EQ((std::array{v.bitsPerChannel, v.bufferWidth, v.bufferHeight, v.verticesX, v.multisampleRequest}),
              (std::array{8, 1920, 1080, 50, 8}));
    EXPECT_DOUBLE_EQ(v.translateX, 960);
    EXPECT_DOUBLE_EQ(v.F, 800e-5);
    EXPECT_DOUBLE_EQ(v.amplitude[2], 50);      // 100 % of 50
    EXPECT_DOUBLE_EQ(v.frequency[0], 800e-5);  // 100 % of F
    EXPECT_DOUBLE_EQ(v.octaveSum, 1 + 0.5 + 0.25 + 0.125);
    EXPECT_DOUBLE_EQ(v.noiseNormaliser, 1 / 1.875);
    EXPECT_DOUBLE_EQ(v.zFloor, -100000);
    EXPECT_DOUBLE_EQ(v.zAdd, 0);
    EXPECT_DOUBLE_EQ(v.epsilon, 1 / (800e-5 * 500));
    EXPECT_EQ((std::array{v.Fk, v.Fm, v.Fr2}), (std::array{-1.0f / 500, 2.0f, 250000.0f}));
    EXPECT_DOUBLE_EQ(v.farClip, 5000);
    EXPECT_EQ(v.effectiveBlend, 3);
    EXPECT_FALSE(v.looping);
    EXPECT_EQ(v.color, (std::array<double, 3>{1, 1, 1}));
    EXPECT_EQ((std::tuple{read(nullptr, 4).bitsPerChannel, read(nullptr, 1).bitsPerChannel}), (std::tuple{32, 16}));
}

TEST_F(FrameValuesTest, MultisampleRequestsSnapDownToPowersOfTwo)
{
    for (const auto& [value, expected] : {std::pair{0.0, 0}, {1, 1}, {1.6, 2}, {3, 2}, {4, 4}, {7, 4}, {8, 8},
                                          {200, 128}, {256, 256}, {300, 256}}) {
        EXPECT_EQ(multisampleRequestOf(value), expected) << value;
    }
}

TEST_F(FrameValuesTest, ClippingKeepsFarBeyondNearAndAtLeastTwoAndFogFollowsTheCamera)
{
    params.setSlider(kNear, 100);
    params.setSlider(kFar, 50);
    EXPECT_DOUBLE_EQ(read().farClip, 100.001);
    params.setSlider(kNear, 0.5);
    params.setSlider(kFar, 1);
    EXPECT_DOUBLE_EQ(read().farClip, 2);

    DefaultParams fresh(1920, 1080);
    const auto fogged = [&](double fogStart, bool perspective) {
        fresh.setSlider(kFogStart, fogStart);
        FrameValues v;
        readFrameValues(&host.in_data, fresh.array(), 0, nullptr, v);
        v.isPerspective = perspective;
        applyCameraToFog(v);
        return v;
    };
    EXPECT_DOUBLE_EQ(fogged(fresh[kFogStart].u.fs_d.value, true).fogReciprocal, 1.0 / 1000);
    EXPECT_DOUBLE_EQ(fogged(5000, true).fogReciprocal, 0);
    const FrameValues orthographic = fogged(10, false);
    EXPECT_DOUBLE_EQ(orthographic.fogStart, orthographic.farClip);
    EXPECT_DOUBLE_EQ(orthographic.fogEnd, orthographic.farClip);
    EXPECT_DOUBLE_EQ(orthographic.fogReciprocal, 0);
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
    host.in_data.downsample_x = host.in_data.downsample_y = {1, 2};
    params[kPositionXY].u.td.x_value = 480 << 16;  // handed over in downsampled pixels
    params[kPositionXY].u.td.y_value = 270 << 16;
    const FrameValues v = read();
    EXPECT_EQ((std::tuple{v.bufferWidth, v.bufferHeight}), (std::tuple{960, 540}));
    EXPECT_EQ((std::tuple{v.translateX, v.translateY}), (std::tuple{960.0, 540.0}));
}

TEST_F(FrameValuesTest, ZRangeModesAndBlendingUnderOcclusion)
{
    params.setPopup(kZRange, 2);
    FrameValues v = read();
    EXPECT_EQ((std::array{v.zFloor, v.zCeil, v.zMultiplier}), (std::array{-0.5, 0.5, 1.0}));
    params.setPopup(kZRange, 3);
    params.setSlider(kZLift, 0.25);
    v = read();
    EXPECT_DOUBLE_EQ(v.zMultiplier, 0.5 / 1.875);
    EXPECT_DOUBLE_EQ(v.zAdd, 0.25 + 0.5 - 0.5);
    params.setSlider(kComplexity, 0);
    v = read();
    EXPECT_TRUE(std::isfinite(v.zMultiplier));
    EXPECT_DOUBLE_EQ(v.noiseNormaliser, 1);

    // Normal blending turns off under occlusion.
    params.setPopup(kBlend, 2);
    EXPECT_EQ(read().effectiveBlend, 2);
    params.setPopup(kAmbientOcclusion, 2);
    EXPECT_TRUE(read().ssaoEnabled);
    EXPECT_EQ(read().effectiveBlend, 1);
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
    EXPECT_EQ((std::tuple{host8.color[0], host8.color[2]}), (std::tuple{0.2, 0.8}));
    const FrameValues full = read([](int, int, double* rgb) {
        rgb[0] = 127.5;
        rgb[1] = 0;
        rgb[2] = 255;
        return true;
    });
    EXPECT_EQ((std::tuple{full.color[0], full.spColor[2]}), (std::tuple{0.5, 1.0}));
}

TEST_F(FrameValuesTest, AnyLoopValueTurnsOnAnOrthonormalLoopMatrix)
{
    const FrameValues off = read();
    EXPECT_EQ(off.Ey, (std::array<float, 4>{0, 0, 0, 5}));
    EXPECT_EQ(off.Ox, (std::array<float, 4>{0, 0, 0, 23}));
    EXPECT_EQ(off.loopW, 0);

    params.setSlider(kLoopX, 100);
    params.setSlider(kLoopEvolution, 30);
    const FrameValues v = read();
    ASSERT_TRUE(v.looping);
    EXPECT_EQ(v.Ex, (std::array<float, 4>{23, 312, 1232, 0}));
    EXPECT_EQ(v.Ez, (std::array<float, 4>{232, 453, 3743, 0}));
    const double lx = 100 * 800e-5, lw = -30 * 800e-5;
    EXPECT_NEAR(v.loopW, std::hypot(lx, lw), 1e-15);
    EXPECT_NEAR(v.loopMatrix[12], lx / v.loopW, 1e-15);  // row 3 is the loop direction
    EXPECT_NEAR(v.loopMatrix[15], lw / v.loopW, 1e-15);
    expectIdentityProduct(v.loopMatrix, v.loopMatrix, true);

    params.setSlider(kFrequency, 0);
    EXPECT_FALSE(read().looping) << "a loop that moves the noise nowhere has no direction";
}

TEST(ViewMatrix, InvertsTheCameraAndTurnsItsViewingAxisAndASingularCameraGivesItsAdjugate)
{
    // The default camera: axes as the layer's, 1200 pixels in front of its centre.
    const Matrix4 view = viewMatrixFromCamera({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 960, 540, -1200, 1});
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
    expectIdentityProduct(turned, inverse, false);

    const Matrix4 singular = viewMatrixFromCamera({2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0});
    EXPECT_EQ(singular, (Matrix4{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8}));
}

}  // namespace
}  // namespace zel
