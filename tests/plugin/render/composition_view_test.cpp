#include "plugin/render/composition_view.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

#include "sdk/aegp_suites.h"
#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

using test::words;

// A composition the suites below describe: its layers in order, each maybe a light.
struct Layer {
    AEGP_LightType light = AEGP_LightType_SPOT;  // NONE: not a light
    double intensity = 100;
    bool on = true;
    double inPoint = 0, duration = 10;  // seconds
    std::array<double, 3> color = {1, 0.5, 0.25}, position = {1, 2, 3};
};
struct Composition {
    std::vector<Layer> layers;
    PF_Err timeError = PF_Err_NONE, cameraError = PF_Err_NONE, layerError = PF_Err_NONE, typeError = PF_Err_NONE;
    int failAt = -1;  // the layer whose layer or light query answers the error above
    AEGP_CameraType cameraType = AEGP_CameraType_PERSPECTIVE;
    bool cameraLayer = false;
} gComp;

const Layer& layerOf(AEGP_LayerH h) { return *reinterpret_cast<const Layer*>(h); }
template <typename T>
PF_Err give(T* to, std::type_identity_t<T> value, PF_Err answer = PF_Err_NONE)
{
    return *to = value, answer;
}

const AEGP_PFInterfaceSuite1 kEffect = {
    [](PF_ProgPtr, AEGP_LayerH* layer) { return give(layer, AEGP_LayerH(&gComp)); },
    [](PF_ProgPtr, int32_t time, uint32_t scale, AEGP_Time* t) { return give(t, {time, scale}, gComp.timeError); },
    [](PF_ProgPtr, const AEGP_Time*, AEGP_LayerH* camera) {
        return give(camera, gComp.cameraLayer ? AEGP_LayerH(&gComp) : nullptr, gComp.cameraError);
    },
    [](PF_ProgPtr, const AEGP_Time*, AEGP_Matrix4* m, double* distance, int16_t*, int16_t*) {
        *m = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {960, 540, -2666.67, 1}}};
        return give(distance, 2666.67);
    },
};
const AEGP_LayerSuite5 kLayers = {
    [](AEGP_LayerH, AEGP_CompH* comp) { return give(comp, AEGP_CompH(&gComp)); },
    [](AEGP_CompH, int32_t* n) { return give(n, int32_t(gComp.layers.size())); },
    [](AEGP_CompH, int32_t i, AEGP_LayerH* layer) {
        return give(layer, AEGP_LayerH(&gComp.layers[std::size_t(i)]), i == gComp.failAt ? gComp.layerError : 0);
    },
    [](AEGP_LayerH h, AEGP_ObjectType* type) {
        return give(type, layerOf(h).light == AEGP_LightType_NONE ? AEGP_ObjectType_AV : AEGP_ObjectType_LIGHT);
    },
    [](AEGP_LayerH h, PF_Boolean* on) { return give(on, PF_Boolean(layerOf(h).on)); },
    [](AEGP_LayerH h, AEGP_LTimeMode, AEGP_Time* t) { return give(t, {int32_t(layerOf(h).inPoint * 100), 100}); },
    [](AEGP_LayerH h, AEGP_LTimeMode, AEGP_Time* t) { return give(t, {int32_t(layerOf(h).duration * 100), 100}); },
    [](AEGP_LayerH h, const AEGP_Time*, AEGP_Matrix4* m) {
        const std::array<double, 3>& p = layerOf(h).position;  // pointing along row 2
        return give(m, {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0.6, 0, 0.8, 0}, {p[0], p[1], p[2], 1}}});
    },
};
const AEGP_LightSuite1 kLights = {[](AEGP_LayerH h, AEGP_LightType* type) {
    return give(type, layerOf(h).light, &layerOf(h) == &gComp.layers[std::size_t(gComp.failAt)] ? gComp.typeError : 0);
}};
const AEGP_StreamSuite4 kStreams = {[](AEGP_LayerH h, AEGP_LayerStream stream, AEGP_LTimeMode, const AEGP_Time*,
                                       PF_Boolean, AEGP_StreamVal* value, AEGP_StreamType*) {
    const Layer& l = layerOf(h);
    if (stream == AEGP_LayerStream_COLOR) {
        return give(&value->color, {1, l.color[0], l.color[1], l.color[2]});
    }  // the cone is 90 degrees with a 50 % feather
    return give(&value->one_d, stream == AEGP_LayerStream_INTENSITY ? l.intensity
                               : stream == AEGP_LayerStream_CONE_ANGLE ? 90.0 : 50.0);
}};
const AEGP_CameraSuite2 kCameras = {[](AEGP_LayerH, AEGP_CameraType* type) { return give(type, gComp.cameraType); }};

class CompositionView : public ::testing::Test {
protected:
    CompositionView()
    {
        gComp = Composition{};
        host.offerSuite("AEGP PF Interface Suite", 1, &kEffect);
        host.offerSuite("AEGP Layer Suite", 5, &kLayers);
        host.offerSuite("AEGP Light Suite", 1, &kLights);
        host.offerSuite("AEGP Stream Suite", 4, &kStreams);
        host.offerSuite("AEGP Camera Suite", 2, &kCameras);
    }

    // Each light as "cutoff exponent intensity blue x z direction-z", then the ambient colour.
    std::vector<std::string> lights()
    {
        FrameValues v;
        gatherLights(&host.in_data, v);
        std::vector<std::string> text;
        for (int i = 0; i < v.lightCount; ++i) {
            const LightRecord& l = v.lights[std::size_t(i)];
            text.push_back(words(l.cutoff, l.exponentBase, l.intensity, l.color[2], l.position[0], l.position[2],
                                 l.direction[0], l.direction[2]));
        }
        text.push_back(words("ambient", v.ambientColor[0], v.ambientColor[1], v.ambientColor[2]));
        return text;
    }

    test::RecordingHost host;  // its frame is at 2 s
};

TEST_F(CompositionView, SpotAndPointLightsInLayerOrderUpToEightAndAmbientLightsAddUp)
{
    const Layer av{.light = AEGP_LightType_NONE}, dark{.on = false}, later{.inPoint = 3}, earlier{.duration = 1.5},
        point{.light = AEGP_LightType_POINT, .intensity = 50, .position = {7, 8, 9}},
        parallel{.light = AEGP_LightType_PARALLEL}, spot{},
        yellowAmbient{.light = AEGP_LightType_AMBIENT, .intensity = 50, .color = {1, 1, 0}},
        blueAmbient{.light = AEGP_LightType_AMBIENT, .intensity = 20, .color = {0, 0, 1}},
        darkAmbient{.light = AEGP_LightType_AMBIENT, .on = false};
    const std::string lit = "45 0.5 1 0.25 1 3 0.6 0.8", unlit = "45 0.5 0 0.25 1 3 0.6 0.8", black = "ambient 0 0 0";
    const struct {
        std::vector<Layer> layers;
        std::vector<std::string> lights;
    } rows[] = {
        {{av}, {"ambient 1 1 1"}},  // without any light the ambient is white
        {{spot, parallel, point}, {lit, "180 0 0.5 0.25 7 9 0.6 0.8", black}},
        // Dark lights, and lights outside the frame's time, keep their slot; a ninth is ignored.
        {{spot, dark, later, earlier, spot, spot, spot, spot, point},
         {lit, unlit, unlit, unlit, lit, lit, lit, lit, black}},
        {{yellowAmbient, blueAmbient, darkAmbient}, {"ambient 0.5 0.5 0.2"}},
        {{darkAmbient}, {black}},  // a dark ambient light still counts as one
    };
    for (const auto& r : rows) {
        gComp.layers = r.layers;
        EXPECT_EQ(lights(), r.lights);
    }
}

TEST_F(CompositionView, AHostErrorEndsTheWalkKeepingWhatWasFoundAndAMissingSuiteThrowsTheHostsCode)
{
    gComp.layers.assign(4, Layer{});
    gComp.failAt = 2;
    gComp.layerError = 5;
    EXPECT_EQ(lights().size(), 3u);
    gComp.failAt = 1;
    gComp.layerError = 0;
    gComp.typeError = 6;
    EXPECT_EQ(lights().size(), 2u);
    FrameValues v;
    host.withdraw("AEGP Light Suite");
    EXPECT_THROW(gatherLights(&host.in_data, v), PF_Err);
    host.withdraw("AEGP PF Interface Suite");
    EXPECT_THROW(gatherCamera(&host.in_data, v), PF_Err);
}

TEST_F(CompositionView, TheCameraGivesPlaneDistanceProjectionAndViewMatrix)
{
    FrameValues v;
    v.farClip = v.fogEnd = 5000;
    v.fogStart = 4000;
    const auto camera = [&] {
        const CameraAnswer answer = gatherCamera(&host.in_data, v);
        return words(answer.fatal, answer.soft, v.isPerspective, v.planeDistance, v.viewMatrix[12], v.fogStart,
                     v.fogReciprocal);
    };
    EXPECT_EQ(camera(), "0 0 1 2666.67 -960 4000 0.001");
    gComp.cameraLayer = true;
    gComp.cameraType = AEGP_CameraType_ORTHOGRAPHIC;  // which pushes the fog to the far clip
    EXPECT_EQ(camera(), "0 0 0 2666.67 -960 5000 0");
    gComp.cameraError = 11;  // the type is then taken as perspective
    EXPECT_EQ(camera(), "0 11 1 2666.67 -960 5000 0");
    gComp.timeError = 12;
    EXPECT_EQ(gatherCamera(&host.in_data, v).fatal, 12);
}

}  // namespace
}  // namespace zel
