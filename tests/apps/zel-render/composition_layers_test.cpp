// The composition as the module walks it: camera matrices, light transforms, the layer list and
// the streams.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <stdexcept>

#include "host/composition_layers.h"

namespace zelrender {
namespace {

// Rows 0 to 2 the x, y and z axes, row 3 the position; column 3 (0, 0, 0, 1).
void expectMatrix(const AEGP_Matrix4& m, const std::array<SpacePoint, 4>& rows)
{
    for (int r = 0; r < 4; ++r) {
        const SpacePoint& p = rows[static_cast<std::size_t>(r)];
        const double expected[] = {p.x, p.y, p.z, r == 3 ? 1.0 : 0.0};
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(m.mat[r][c], expected[c], 1e-9) << "row " << r << " column " << c;
        }
    }
}

Composition small()
{
    Composition c;
    c.width = 360;
    c.height = 200;
    return c;
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
    // From (200, 0, -100) to (200, 100, 0): straight ahead and down at 45 degrees.
    const double h = std::sqrt(0.5);
    expectMatrix(view.cameraToLayer, {{{1, 0, 0}, {0, h, -h}, {0, h, h}, {200, 0, -100}}});
    ASSERT_EQ(layers.count(), 2);
    EXPECT_EQ(layers.objectType(layers.effectLayer()), AEGP_ObjectType_AV);
    const AEGP_LayerH camera = layers.at(1);
    EXPECT_EQ(layers.cameraLayer(), camera);
    EXPECT_EQ(layers.cameraType(camera), AEGP_CameraType_ORTHOGRAPHIC);
    EXPECT_EQ(layers.stream(camera, AEGP_LayerStream_ZOOM, 0).value.one_d, 800.0);
    EXPECT_THROW(layers.lightType(camera), std::invalid_argument);
}

TEST(CompositionLayers, LightsPointTowardsTheirPointOfInterestAndKeepTheirSpan)
{
    Composition c = small();
    c.lights.resize(2);
    Light& spot = c.lights[0];
    spot.type = AEGP_LightType_SPOT;
    spot.color = AnimatedValue(Color{1, 0.5, 0.25, 1});
    spot.coneAngle = AnimatedValue(30.0);
    spot.position = AnimatedValue(SpacePoint{10, 20, -30});
    spot.pointOfInterest = AnimatedValue(SpacePoint{13, 24, -30});
    std::tie(spot.inPoint, spot.duration, spot.enabled) = std::tuple(1.0, 2.0, false);
    c.lights[1].type = AEGP_LightType_POINT;  // straight down onto the centre of the layer
    c.lights[1].position = AnimatedValue(SpacePoint{180, -400, 0});
    const CompositionLayers layers(c);
    ASSERT_EQ(layers.count(), 3);
    const AEGP_LayerH first = layers.at(1);
    // z towards (3, 4, 0) from the light; y, within the plane it leaves, as far down as it goes.
    expectMatrix(layers.toWorld(first, 0),
                 {{{0, 0, -1}, {-0.8, 0.6, 0}, {0.6, 0.8, 0}, {10, 20, -30}}});
    const AEGP_ColorVal colour = layers.stream(first, AEGP_LayerStream_COLOR, 0).value.color;
    EXPECT_EQ(std::tuple(layers.lightType(first), layers.videoOn(first), layers.inPoint(first),
                         layers.duration(first), colour.red, colour.green, colour.blue,
                         layers.stream(first, AEGP_LayerStream_CONE_ANGLE, 0).value.one_d,
                         layers.stream(first, AEGP_LayerStream_INTENSITY, 0).value.one_d),
              std::tuple(AEGP_LightType_SPOT, false, 1.0, 2.0, 0.5, 0.25, 1.0, 30.0, 100.0));
    // Looking straight down, y has no way down left: x stays along the layer's x.
    const AEGP_Matrix4 down = layers.toWorld(layers.at(2), 0);
    EXPECT_NEAR(std::abs(down.mat[0][0]), 1, 1e-9);
    EXPECT_NEAR(down.mat[2][1], 1, 1e-9);
    EXPECT_EQ(std::pair(layers.videoOn(layers.at(2)), layers.duration(layers.at(2))),
              std::pair(true, 10.0));  // the composition's
    EXPECT_THROW(layers.stream(first, AEGP_LayerStream_ZOOM, 0), std::invalid_argument);
    EXPECT_THROW(layers.cameraType(first), std::invalid_argument);
    EXPECT_THROW(layers.at(3), std::out_of_range);
    EXPECT_THROW(layers.objectType(reinterpret_cast<AEGP_LayerH>(&c)), std::invalid_argument);
}

}  // namespace
}  // namespace zelrender
