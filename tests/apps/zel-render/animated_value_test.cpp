// Keyframe evaluation: what a parameter's value is at any time.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "apps/zel-render/animated_value.h"

namespace zelrender {
namespace {

double sliderAt(const AnimatedValue& v, double seconds)
{
    return std::get<double>(v.at(seconds));
}

TEST(AnimatedValue, LinearKeyframesInterpolateAndHoldBeyondTheEnds)
{
    const AnimatedValue v({{1.0, 10.0}, {2.0, 20.0}, {3.0, 40.0}}, Interpolation::Linear);
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

// Smooth keyframes at 0, 1 and 3 s holding 0, 10 and 30 take the slope of the line between their
// neighbours, (30 - 0) / (3 - 0) = 10 a second, at the middle one, and 0 at the ends. The cubics
// through them with those slopes, worked out by hand:
//   from 0 to 1 s: p(t) = 20t^2 - 10t^3
//   from 1 to 3 s: p(1 + u) = 10 + 10u + 5u^2 - 2.5u^3
const AnimatedValue kSmooth({{0.0, 0.0}, {1.0, 10.0}, {3.0, 30.0}}, Interpolation::Smooth);

TEST(AnimatedValue, SmoothKeyframesFollowCubicsThroughEachKeyframe)
{
    for (const auto& [seconds, value] : {std::pair{0.0, 0.0}, {1.0, 10.0}, {3.0, 30.0}}) {
        EXPECT_EQ(sliderAt(kSmooth, seconds), value) << seconds;
    }
    const std::pair<double, double> between[] = {
        {0.25, 1.09375}, {0.5, 3.75}, {1.5, 15.9375}, {2.0, 22.5}, {2.5, 27.8125},
    };
    for (const auto& [seconds, value] : between) {
        EXPECT_NEAR(sliderAt(kSmooth, seconds), value, 1e-12) << seconds;
    }
    EXPECT_EQ(sliderAt(kSmooth, -1.0), 0.0);
    EXPECT_EQ(sliderAt(kSmooth, 4.0), 30.0);
}

TEST(AnimatedValue, SmoothMotionEasesInAndOutAndKeepsItsSlopeThroughAKeyframe)
{
    constexpr double d = 1e-5;
    const auto slope = [](double from, double to) {
        return (sliderAt(kSmooth, to) - sliderAt(kSmooth, from)) / (to - from);
    };
    EXPECT_NEAR(slope(0, d), 0, 1e-3);
    EXPECT_NEAR(slope(3 - d, 3), 0, 1e-3);
    // The same slope on both sides of the middle keyframe, no kink there; a slope taken as if the
    // keyframes were evenly spaced, (30 - 0) / 2, would be 15.
    EXPECT_NEAR(slope(1 - d, 1), 10, 1e-3);
    EXPECT_NEAR(slope(1, 1 + d), 10, 1e-3);
}

TEST(AnimatedValue, SmoothPointsAndColoursMoveChannelByChannel)
{
    // x follows the curve above, y = 30 - x and z stays where it is, to the last bit.
    const AnimatedValue point({{0.0, SpacePoint{0, 30, 32}},
                               {1.0, SpacePoint{10, 20, 32}},
                               {3.0, SpacePoint{30, 0, 32}}},
                              Interpolation::Smooth);
    const SpacePoint p = std::get<SpacePoint>(point.at(1.5));
    EXPECT_NEAR(p.x, 15.9375, 1e-12);
    EXPECT_NEAR(p.y, 14.0625, 1e-12);
    for (double seconds = 0; seconds < 3; seconds += 0.1) {
        EXPECT_EQ(std::get<SpacePoint>(point.at(seconds)).z, 32.0) << seconds;
    }

    // Red 1, 1, 0 and green 0, 0, 1: at 2/3 s the cubics reach 1 + 2/27 and -2/27, and are held
    // within 0 to 1; at 1.5 s both lie inside.
    const AnimatedValue colour({{0.0, Color{1, 1, 0, 0.5}},
                                {1.0, Color{1, 1, 0, 0.5}},
                                {2.0, Color{1, 0, 1, 0.5}}},
                               Interpolation::Smooth);
    EXPECT_EQ(std::get<Color>(colour.at(2.0 / 3)), (Color{1, 1, 0, 0.5}));
    const Color c = std::get<Color>(colour.at(1.5));
    EXPECT_NEAR(c.red, 0.4375, 1e-12);
    EXPECT_NEAR(c.green, 0.5625, 1e-12);

    const AnimatedValue choice({{0.0, Choice{1}}, {1.0, Choice{3}}}, Interpolation::Smooth);
    EXPECT_EQ(std::get<Choice>(choice.at(0.99)), Choice{1});
}

TEST(AnimatedValue, NumbersAreHeldWithinTheirRangeWhereTheCurveOvershoots)
{
    // 0, 0, 100 at 0, 1, 2 s: the first cubic is 50(s^3 - s^2), which dips to -200/27 at 2/3 s.
    AnimatedValue v({{0.0, 0.0}, {1.0, 0.0}, {2.0, 100.0}}, Interpolation::Smooth);
    EXPECT_NEAR(sliderAt(v, 2.0 / 3), -200.0 / 27, 1e-12);
    v.holdWithin(0, 100);
    EXPECT_EQ(sliderAt(v, 2.0 / 3), 0.0);
    EXPECT_NEAR(sliderAt(v, 1.5), 56.25, 1e-12);
}

TEST(AnimatedValue, RefusesNoKeyframesMixedKindsTimesOutOfOrderAndNumbersBeyondUse)
{
    const auto refusal = [](std::vector<Keyframe> keyframes) {
        try {
            AnimatedValue(std::move(keyframes), Interpolation::Smooth);
        } catch (const std::invalid_argument& e) {
            return std::string(e.what());
        }
        return std::string("(accepted)");
    };
    EXPECT_EQ(refusal({}), "keyframes: an animation needs at least one");
    EXPECT_EQ(refusal({{0.0, 1.0}, {1.0, Choice{2}}}),
              "keyframes[1] holds another kind of value than keyframes[0]");
    EXPECT_EQ(refusal({{0.0, 1.0}, {2.0, 2.0}, {1.0, 3.0}}),
              "keyframes[2] is at 1 s, not after keyframes[1] at 2 s; keyframes go in order of "
              "time");
    EXPECT_EQ(refusal({{0.5, 1.0}, {0.5, 2.0}}),
              "keyframes[1] is at 0.5 s, not after keyframes[0] at 0.5 s; keyframes go in order "
              "of time");
    for (const auto& far : std::vector<std::vector<Keyframe>>{
             {{std::nan(""), 1.0}},
             {{0.0, 1.0}, {1e301, 2.0}},
             {{0.0, LayerPoint{0, 0}}, {1.0, LayerPoint{-1e301, 0}}},
         }) {
        EXPECT_EQ(refusal(far).find(" holds a time or a number that is not within +-1e300"), 12u)
            << refusal(far);
    }
    EXPECT_EQ(refusal({{-1e300, LayerPoint{1e300, -1e300}}, {1e300, LayerPoint{-1e300, 1e300}}}),
              "(accepted)");
}

}  // namespace
}  // namespace zelrender
