#include "plugin/render/composition_view.h"

#include <gtest/gtest.h>

#include <vector>

#include "sdk/aegp_suites.h"
#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

using Rgb = std::array<double, 3>;

// A composition the fake suites describe: layers in order, each maybe a light.
struct FakeLayer {
    AEGP_ObjectType object = AEGP_ObjectType_LIGHT;
    AEGP_LightType light = AEGP_LightType_SPOT;
    Rgb color = {1, 0.5, 0.25};
    double intensity = 100, coneAngle = 90, coneFeather = 50;
    std::array<double, 3> position = {1, 2, 3}, direction = {0, 0, 1};
    bool videoOn = true;
    double inPoint = 0, duration = 10;
    bool failsType = false;
};

struct FakeComposition {
    std::vector<FakeLayer> layers;
    PF_Err timeError = PF_Err_NONE, cameraError = PF_Err_NONE;
    AEGP_CameraType cameraType = AEGP_CameraType_PERSPECTIVE;
    bool hasCameraLayer = false;
    int failLayerAt = -1;
};
FakeComposition gComp;
int gTag = 0;  // any address for the effect's layer and the camera

FakeLayer& layerOf(AEGP_LayerH h) { return *reinterpret_cast<FakeLayer*>(h); }
AEGP_Time timeOf(double seconds) { return {static_cast<int32_t>(seconds * 100), 100}; }
constexpr PF_Err kNone = PF_Err_NONE;

const AEGP_PFInterfaceSuite1 kEffect = {
    [](PF_ProgPtr, AEGP_LayerH* layer) { return *layer = reinterpret_cast<AEGP_LayerH>(&gTag), kNone; },
    [](PF_ProgPtr, int32_t time, uint32_t scale, AEGP_Time* comp) { return *comp = {time, scale}, gComp.timeError; },
    [](PF_ProgPtr, const AEGP_Time*, AEGP_LayerH* camera) {
        *camera = gComp.hasCameraLayer ? reinterpret_cast<AEGP_LayerH>(&gTag) : nullptr;
        return gComp.cameraError;
    },
    [](PF_ProgPtr, const AEGP_Time*, AEGP_Matrix4* m, double* distance, int16_t*, int16_t*) {
        *m = AEGP_Matrix4{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {960, 540, -2666.67, 1}}};
        return *distance = 2666.67, kNone;
    },
};

const AEGP_LayerSuite5 kLayers = {
    [](AEGP_LayerH, AEGP_CompH* comp) { return *comp = reinterpret_cast<AEGP_CompH>(&gComp), kNone; },
    [](AEGP_CompH, int32_t* n) { return *n = static_cast<int32_t>(gComp.layers.size()), kNone; },
    [](AEGP_CompH, int32_t i, AEGP_LayerH* layer) {
        *layer = reinterpret_cast<AEGP_LayerH>(&gComp.layers[static_cast<std::size_t>(i)]);
        return i == gComp.failLayerAt ? PF_Err{5} : kNone;
    },
    [](AEGP_LayerH h, AEGP_ObjectType* type) { return *type = layerOf(h).object, kNone; },
    [](AEGP_LayerH h, PF_Boolean* on) { return *on = layerOf(h).videoOn ? 1 : 0, kNone; },
    [](AEGP_LayerH h, AEGP_LTimeMode, AEGP_Time* t) { return *t = timeOf(layerOf(h).inPoint), kNone; },
    [](AEGP_LayerH h, AEGP_LTimeMode, AEGP_Time* t) { return *t = timeOf(layerOf(h).duration), kNone; },
    [](AEGP_LayerH h, const AEGP_Time*, AEGP_Matrix4* m) {
        const FakeLayer& l = layerOf(h);
        *m = AEGP_Matrix4{{{1, 0, 0, 0}, {0, 1, 0, 0}, {l.direction[0], l.direction[1], l.direction[2], 0},
                           {l.position[0], l.position[1], l.position[2], 1}}};
        return kNone;
    },
};

const AEGP_LightSuite1 kLights = {[](AEGP_LayerH h, AEGP_LightType* type) {
    *type = layerOf(h).light;
    return layerOf(h).failsType ? PF_Err{6} : kNone;
}};

const AEGP_StreamSuite4 kStreams = {[](AEGP_LayerH h, AEGP_LayerStream stream, AEGP_LTimeMode, const AEGP_Time*,
                                       PF_Boolean, AEGP_StreamVal* value, AEGP_StreamType*) {
    const FakeLayer& l = layerOf(h);
    switch (stream) {
    case AEGP_LayerStream_COLOR: value->color = {1, l.color[0], l.color[1], l.color[2]}; break;
    case AEGP_LayerStream_INTENSITY: value->one_d = l.intensity; break;
    case AEGP_LayerStream_CONE_ANGLE: value->one_d = l.coneAngle; break;
    case AEGP_LayerStream_CONE_FEATHER: value->one_d = l.coneFeather; break;
    default: break;
    }
    return kNone;
}};

const AEGP_CameraSuite2 kCameras = {[](AEGP_LayerH, AEGP_CameraType* type) { return *type = gComp.cameraType, kNone; }};

class CompositionView : public ::testing::Test {
protected:
    CompositionView()
    {
        gComp = FakeComposition{};
        host.offerSuite("AEGP PF Interface Suite", 1, &kEffect);
        host.offerSuite("AEGP Layer Suite", 5, &kLayers);
        host.offerSuite("AEGP Light Suite", 1, &kLights);
        host.offerSuite("AEGP Stream Suite", 4, &kStreams);
        host.offerSuite("AEGP Camera Suite", 2, &kCameras);
        host.in_data.current_time = 48;  // 2 s at 24 per second
    }

    FrameValues lights()
    {
        FrameValues v;
        gatherLights(&host.in_data, v);
        return v;
    }

    test::RecordingHost host;
};

TEST_F(CompositionView, SpotAndPointLightsAreStoredInLayerOrderWithoutThemWhiteAmbientLight)
{
    gComp.layers = {FakeLayer{.object = AEGP_ObjectType_AV}};
    EXPECT_EQ(lights().lightCount, 0);
    EXPECT_EQ(lights().ambientColor, (Rgb{1, 1, 1}));

    gComp.layers = {FakeLayer{}, FakeLayer{.light = AEGP_LightType_PARALLEL},
                    FakeLayer{.light = AEGP_LightType_POINT, .intensity = 50, .position = {7, 8, 9}}};
    const FrameValues v = lights();
    ASSERT_EQ(v.lightCount, 2);
    const LightRecord& spot = v.lights[0];
    EXPECT_EQ((std::array{spot.cutoff, spot.exponentBase, spot.intensity}), (std::array{45.0, 0.5, 1.0}));
    EXPECT_EQ(spot.color, (Rgb{1, 0.5, 0.25}));
    EXPECT_EQ(spot.position, (Rgb{1, 2, 3}));
    EXPECT_EQ(spot.direction, (Rgb{0, 0, 1}));
    const LightRecord& point = v.lights[1];
    EXPECT_EQ((std::array{point.cutoff, point.exponentBase, point.intensity}), (std::array{180.0, 0.0, 0.5}));
    EXPECT_EQ(point.position, (Rgb{7, 8, 9}));
    EXPECT_EQ(v.ambientColor, (Rgb{0, 0, 0})) << "no ambient light, so none";
}

TEST_F(CompositionView, ANinthLightIsIgnoredAndDarkLightsKeepTheirSlot)
{
    gComp.layers.assign(9, FakeLayer{});
    gComp.layers[1].videoOn = false;
    gComp.layers[2].inPoint = 3;     // starts after the frame
    gComp.layers[3].duration = 1.5;  // ends before it
    gComp.layers[8].intensity = 77;
    const FrameValues v = lights();
    ASSERT_EQ(v.lightCount, 8);
    EXPECT_EQ((std::array{v.lights[1].intensity, v.lights[2].intensity, v.lights[3].intensity, v.lights[4].intensity,
                          v.lights[7].intensity}),
              (std::array{0.0, 0.0, 0.0, 1.0, 1.0}));
}

TEST_F(CompositionView, AmbientLightsAddUpAndDarkOnesCountAsSeen)
{
    gComp.layers = {FakeLayer{.light = AEGP_LightType_AMBIENT, .color = {1, 1, 0}, .intensity = 50},
                    FakeLayer{.light = AEGP_LightType_AMBIENT, .color = {0, 0, 1}, .intensity = 20},
                    FakeLayer{.light = AEGP_LightType_AMBIENT, .videoOn = false}};
    EXPECT_EQ(lights().lightCount, 0);
    EXPECT_EQ(lights().ambientColor, (Rgb{0.5, 0.5, 0.2}));
    gComp.layers = {FakeLayer{.light = AEGP_LightType_AMBIENT, .videoOn = false}};
    EXPECT_EQ(lights().ambientColor, (Rgb{0, 0, 0}));
}

TEST_F(CompositionView, AHostErrorEndsTheWalkKeepingWhatWasFoundAndAMissingSuiteThrowsTheHostsCode)
{
    gComp.layers.assign(4, FakeLayer{});
    gComp.failLayerAt = 2;
    EXPECT_EQ(lights().lightCount, 2);
    gComp.failLayerAt = -1;
    gComp.layers[1].failsType = true;
    EXPECT_EQ(lights().lightCount, 1);

    test::RecordingHost bare;
    FrameValues v;
    EXPECT_THROW(gatherLights(&bare.in_data, v), PF_Err);
    EXPECT_THROW(gatherCamera(&bare.in_data, v), PF_Err);
}

TEST_F(CompositionView, TheCameraGivesPlaneDistanceProjectionAndViewMatrix)
{
    FrameValues v;
    v.farClip = v.fogEnd = 5000;
    v.fogStart = 4000;
    const CameraAnswer perspective = gatherCamera(&host.in_data, v);
    EXPECT_EQ(perspective.fatal, PF_Err_NONE);
    EXPECT_EQ(perspective.soft, PF_Err_NONE);
    EXPECT_TRUE(v.isPerspective);
    EXPECT_EQ(v.planeDistance, 2666.67);
    EXPECT_EQ(v.viewMatrix[12], -960);
    EXPECT_DOUBLE_EQ(v.fogReciprocal, 1.0 / 1000);

    gComp.hasCameraLayer = true;
    gComp.cameraType = AEGP_CameraType_ORTHOGRAPHIC;
    gatherCamera(&host.in_data, v);
    EXPECT_FALSE(v.isPerspective);
    EXPECT_EQ(v.fogStart, 5000);
    EXPECT_EQ(v.fogReciprocal, 0);

    gComp.cameraError = 11;
    const CameraAnswer unknown = gatherCamera(&host.in_data, v);
    EXPECT_EQ(unknown.fatal, PF_Err_NONE);
    EXPECT_EQ(unknown.soft, 11);
    EXPECT_TRUE(v.isPerspective);
    gComp.timeError = 12;
    EXPECT_EQ(gatherCamera(&host.in_data, v).fatal, 12);
}

}  // namespace
}  // namespace zel
