// Keyframe evaluation: what a parameter's value is at any time.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <stdexcept>

#include "apps/zel-render/animated_value.h"

namespace zelrender {
namespace {

double sliderAt(const AnimatedValue& v, double seconds)
{
    return std::get<double>(v.at(seconds));
}

TEST(AnimatedValue, LinearKeyframesInterpolateAndHoldBeyondTheEnds)
{
    // Given out of order: keyframes are sorted by time.
    const AnimatedValue v({{3.0, 40.0}, {1.0, 10.0}, {2.0, 20.0}}, Interpolation::Linear);
    EXPECT_DOUBLE_EQ(sliderAt(v, 1.5), 15.0);
    EXPECT_DOUBLE_EQ(sliderAt(v, 2.25), 25.0);
    EXPECT_DOUBLE_EQ(sliderAt(v, -5.0), 10.0);
    EXPECT_DOUBLE_EQ(sliderAt(v, 99.0), 40.0);
}

TEST(AnimatedValue, HoldKeyframesStepAtEachKeyframe)
{
    const AnimatedValue v({{1.0, 10.0}, {2.0, 20.0}}, Interpolation::Hold);
    EXPECT_DOUBLE_EQ(sliderAt(v, 0.5), 10.0);
    EXPECT_DOUBLE_EQ(sliderAt(v, 1.999), 10.0);
    EXPECT_DOUBLE_EQ(sliderAt(v, 2.0), 20.0);
    EXPECT_DOUBLE_EQ(sliderAt(v, 7.0), 20.0);
    const AnimatedValue single({{4.0, 7.5}}, Interpolation::Linear);
    EXPECT_DOUBLE_EQ(sliderAt(single, 0.0), 7.5);
    EXPECT_DOUBLE_EQ(sliderAt(single, 9.0), 7.5);
}

TEST(AnimatedValue, ChoicesHoldColoursAndPointsInterpolateEveryChannel)
{
    const AnimatedValue choice({{0.0, Choice{1}}, {1.0, Choice{4}}}, Interpolation::Linear);
    EXPECT_EQ(std::get<Choice>(choice.at(0.9)), Choice{1});

    // Colours keep full precision; only their 8-bit form rounds, and holds at 0 and 255.
    const AnimatedValue colour({{0.0, Color{1, 0, 0, 0}}, {1.0, Color{1, 1, 0.4, 0.004}}},
                               Interpolation::Linear);
    EXPECT_EQ(std::get<Color>(colour.at(0.5)), (Color{1, 0.5, 0.2, 0.002}));
    const PF_Pixel c = Color{1.2, 0.25, -0.1, 0.5}.toPixel();
    EXPECT_EQ((std::array{c.alpha, c.red, c.green, c.blue}),
              (std::array<std::uint8_t, 4>{255, 64, 0, 128}));

    const AnimatedValue point({{0.0, LayerPoint{0, 100}}, {2.0, LayerPoint{100, -100}}},
                              Interpolation::Linear);
    EXPECT_EQ(std::get<LayerPoint>(point.at(0.5)), (LayerPoint{25, 50}));
}

TEST(AnimatedValue, RefusesNoKeyframesMixedKindsAndTimesThatAreNotNumbers)
{
    EXPECT_THROW(AnimatedValue({}, Interpolation::Linear), std::invalid_argument);
    EXPECT_THROW(AnimatedValue({{0.0, 1.0}, {1.0, Choice{2}}}, Interpolation::Hold),
                 std::invalid_argument);
    EXPECT_THROW(AnimatedValue({{std::nan(""), 1.0}}, Interpolation::Hold), std::invalid_argument);
}

}  // namespace
}  // namespace zelrender
