// The composition as the module walks it: camera matrices, light transforms, the layer list and
// the streams.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "apps/zel-render/composition_layers.h"

namespace zelrender {
namespace {

constexpr double kTolerance = 1e-9;

SpacePoint row(const AEGP_Matrix4& m, int r)
{
    return {m.mat[r][0], m.mat[r][1], m.mat[r][2]};
}

double dot(const SpacePoint& a, const SpacePoint& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

void expectNear(const SpacePoint& actual, const SpacePoint& expected)
{
    EXPECT_NEAR(actual.x, expected.x, kTolerance);
    EXPECT_NEAR(actual.y, expected.y, kTolerance);
    EXPECT_NEAR(actual.z, expected.z, kTolerance);
}

// Rows 0 to 2 orthonormal and right-handed (x cross y = z), column 3 (0, 0, 0, 1).
void expectFrame(const AEGP_Matrix4& m)
{
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            EXPECT_NEAR(dot(row(m, a), row(m, b)), a == b ? 1.0 : 0.0, kTolerance) << a << b;
        }
        EXPECT_EQ(m.mat[a][3], 0.0);
    }
    const SpacePoint x = row(m, 0);
    const SpacePoint y = row(m, 1);
    expectNear(row(m, 2), {x.y * y.z - x.z * y.y, x.z * y.x - x.x * y.z, x.x * y.y - x.y * y.x});
    EXPECT_EQ(m.mat[3][3], 1.0);
}

Composition small()
{
    Composition c;
    c.width = 360;
    c.height = 200;
    return c;
}

TEST(CompositionLayers, TheDefaultCameraLooksAlongZFromAZoomInFrontOfTheCentre)
{
    const CompositionLayers layers(small());
    const CameraView view = layers.camera(3.0);
    EXPECT_DOUBLE_EQ(view.zoom, 500.0);  // 360 x 50 / 36
    expectFrame(view.cameraToLayer);
    expectNear(row(view.cameraToLayer, 0), {1, 0, 0});
    expectNear(row(view.cameraToLayer, 1), {0, 1, 0});
    expectNear(row(view.cameraToLayer, 2), {0, 0, 1});
    expectNear(row(view.cameraToLayer, 3), {180, 100, -500});
    EXPECT_EQ(layers.cameraLayer(), nullptr);
    EXPECT_EQ(layers.count(), 1);
    EXPECT_EQ(layers.objectType(layers.effectLayer()), AEGP_ObjectType_AV);
}

TEST(CompositionLayers, ASceneCameraLooksAtItsPointOfInterestWithYAsFarDownAsItCan)
{
    Composition c = small();
    c.camera =
        Camera{AEGP_CameraType_ORTHOGRAPHIC,
               AnimatedValue({{0.0, SpacePoint{0, 0, -100}}, {2.0, SpacePoint{400, 0, -100}}},
                             Interpolation::Linear),
               AnimatedValue(SpacePoint{200, 100, 0}), AnimatedValue(800.0)};
    const CompositionLayers layers(c);
    const CameraView view = layers.camera(1.0);
    EXPECT_EQ(view.zoom, 800.0);
    expectFrame(view.cameraToLayer);
    expectNear(row(view.cameraToLayer, 3), {200, 0, -100});
    // From (200, 0, -100) to (200, 100, 0): straight ahead and down at 45 degrees.
    const double h = std::sqrt(0.5);
    expectNear(row(view.cameraToLayer, 2), {0, h, h});
    expectNear(row(view.cameraToLayer, 1), {0, h, -h});
    expectNear(row(view.cameraToLayer, 0), {1, 0, 0});

    ASSERT_EQ(layers.count(), 2);
    const AEGP_LayerH camera = layers.at(1);
    EXPECT_EQ(layers.cameraLayer(), camera);
    EXPECT_EQ(layers.cameraType(camera), AEGP_CameraType_ORTHOGRAPHIC);
    EXPECT_EQ(layers.stream(camera, AEGP_LayerStream_ZOOM, 0).value.one_d, 800.0);
    EXPECT_THROW(layers.lightType(camera), std::invalid_argument);
}

TEST(CompositionLayers, LightsPointTowardsTheirPointOfInterestAndKeepTheirSpan)
{
    Composition c = small();
    Light spot;
    spot.type = AEGP_LightType_SPOT;
    spot.color = AnimatedValue(Color{1, 0.5, 0.25, 1});
    spot.coneAngle = AnimatedValue(30.0);
    spot.position = AnimatedValue(SpacePoint{10, 20, -30});
    spot.pointOfInterest = AnimatedValue(SpacePoint{13, 24, -30});
    spot.inPoint = 1;
    spot.duration = 2;
    spot.enabled = false;
    Light overhead;  // straight down onto the centre of the layer
    overhead.type = AEGP_LightType_POINT;
    overhead.position = AnimatedValue(SpacePoint{180, -400, 0});
    c.lights = {spot, overhead};
    const CompositionLayers layers(c);
    ASSERT_EQ(layers.count(), 3);
    const AEGP_LayerH first = layers.at(1);
    const AEGP_Matrix4 m = layers.toWorld(first, 0);
    expectFrame(m);
    expectNear(row(m, 3), {10, 20, -30});
    expectNear(row(m, 2), {0.6, 0.8, 0});
    EXPECT_EQ(layers.lightType(first), AEGP_LightType_SPOT);
    EXPECT_FALSE(layers.videoOn(first));
    EXPECT_EQ(layers.inPoint(first), 1.0);
    EXPECT_EQ(layers.duration(first), 2.0);
    EXPECT_EQ(layers.stream(first, AEGP_LayerStream_CONE_ANGLE, 0).value.one_d, 30.0);
    EXPECT_EQ(layers.stream(first, AEGP_LayerStream_INTENSITY, 0).value.one_d, 100.0);
    const StreamValue colour = layers.stream(first, AEGP_LayerStream_COLOR, 0);
    EXPECT_EQ(colour.type, AEGP_StreamType_COLOR);
    EXPECT_EQ(std::tie(colour.value.color.red, colour.value.color.green, colour.value.color.blue),
              std::make_tuple(0.5, 0.25, 1.0));

    const AEGP_Matrix4 down = layers.toWorld(layers.at(2), 0);
    expectFrame(down);
    expectNear(row(down, 2), {0, 1, 0});
    EXPECT_TRUE(layers.videoOn(layers.at(2)));
    EXPECT_EQ(layers.duration(layers.at(2)), 10.0);  // the composition's
    EXPECT_THROW(layers.stream(first, AEGP_LayerStream_ZOOM, 0), std::invalid_argument);
    EXPECT_THROW(layers.cameraType(first), std::invalid_argument);
    EXPECT_THROW(layers.at(3), std::out_of_range);
    EXPECT_THROW(layers.objectType(reinterpret_cast<AEGP_LayerH>(&c)), std::invalid_argument);
}

}  // namespace
}  // namespace zelrender
