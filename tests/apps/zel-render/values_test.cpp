// Values over time, the parameter store that hands them to the module, and --set.
#include <gtest/gtest.h>

#include <array>
#include <nlohmann/json.hpp>
#include <cmath>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "host/param_assignment.h"
#include "tests/apps/zel-render/fake_module.h"
#include "tests/support/text.h"

namespace zelrender {
namespace {

using namespace test;
using Json = nlohmann::json;

double sliderAt(const AnimatedValue& v, double seconds) { return std::get<double>(v.at(seconds)); }

// Smooth keyframes at 0, 1 and 3 s holding 0, 10 and 30 take the slope of the line between their
// neighbours at the middle one, (30 - 0) / (3 - 0) = 10 a second, and 0 at the ends. The cubics
// through them with those slopes, worked out by hand: from 0 to 1 s p(t) = 20t^2 - 10t^3, from 1
// to 3 s p(1 + u) = 10 + 10u + 5u^2 - 2.5u^3. Slopes taken as if the keyframes were evenly spaced
// would give another value at 1.5 s.
TEST(AnimatedValue, TakesItsValueAtAnyTimeByItsInterpolation)
{
    const AnimatedValue linear({{1.0, 10.0}, {3.0, 30.0}}, Interpolation::Linear);
    const AnimatedValue hold({{1.0, 10.0}, {2.0, 20.0}}, Interpolation::Hold);
    const AnimatedValue smooth({{0.0, 0.0}, {1.0, 10.0}, {3.0, 30.0}}, Interpolation::Smooth);
    const std::tuple<const AnimatedValue&, double, double> cases[] = {
        {linear, 2.5, 25},   {linear, -5, 10},        {linear, 99, 30}, {hold, 1.999, 10},
        {hold, 2, 20},       {smooth, 0.5, 3.75},     {smooth, 1.5, 15.9375}, {smooth, 4, 30}};
    for (const auto& [value, seconds, expected] : cases) {
        EXPECT_NEAR(sliderAt(value, seconds), expected, 1e-12) << seconds;
    }
}

TEST(AnimatedValue, MovesColoursAndPointsChannelByChannelWithinRangesAndHoldsChoices)
{
    const AnimatedValue colour({{0.0, Color{1, 0, 0, 0}}, {1.0, Color{1, 1, 0.4, 0.004}}},
                               Interpolation::Linear);
    EXPECT_EQ(std::get<Color>(colour.at(0.5)), (Color{1, 0.5, 0.2, 0.002}));
    // Only the 8-bit form rounds, held at 0 and 255.
    const PF_Pixel pixel = Color{1.2, 0.25, -0.1, 0.5}.toPixel();
    EXPECT_EQ((std::array{pixel.alpha, pixel.red, pixel.green, pixel.blue}),
              (std::array<std::uint8_t, 4>{255, 64, 0, 128}));
    // x follows the curve above, y = 30 - x, and z stays where it is.
    const AnimatedValue point(
        {{0.0, SpacePoint{0, 30, 32}}, {1.0, SpacePoint{10, 20, 32}}, {3.0, SpacePoint{30, 0, 32}}},
        Interpolation::Smooth);
    EXPECT_EQ(std::get<SpacePoint>(point.at(1.5)), (SpacePoint{15.9375, 14.0625, 32}));
    // 0, 0, 1 at 0, 1, 2 s: the first cubic, (t^3 - t^2) / 2, dips to -2/27 at 2/3 s. Colours
    // are held within 0 to 1 where such a curve overshoots, numbers where they are told to be.
    const AnimatedValue rising(
        {{0.0, Color{1, 0, 1, 0}}, {1.0, Color{1, 0, 1, 0}}, {2.0, Color{1, 1, 0, 0.5}}},
        Interpolation::Smooth);
    EXPECT_EQ(std::get<Color>(rising.at(2.0 / 3)), (Color{1, 0, 1, 0}));
    AnimatedValue dip({{0.0, 0.0}, {1.0, 0.0}, {2.0, 100.0}}, Interpolation::Smooth);
    EXPECT_NEAR(sliderAt(dip, 2.0 / 3), -200.0 / 27, 1e-12);
    dip.holdWithin(0, 100);
    EXPECT_EQ(sliderAt(dip, 2.0 / 3), 0.0);
    const AnimatedValue choice({{0.0, Choice{1}}, {1.0, Choice{3}}}, Interpolation::Smooth);
    EXPECT_EQ(std::get<Choice>(choice.at(0.99)), Choice{1});
}

TEST(AnimatedValue, RefusesNoKeyframesMixedKindsTimesOutOfOrderAndNumbersBeyondUse)
{
    const std::string far = " holds a time or a number that is not within +-1e300";
    const std::pair<std::vector<Keyframe>, std::string> cases[] = {
        {{}, "keyframes: an animation needs at least one"},
        {{{0.0, 1.0}, {1.0, Choice{2}}}, "keyframes[1] holds another kind of value than keyframes[0]"},
        {{{0.0, 1.0}, {2.0, 2.0}, {1.0, 3.0}},
         "keyframes[2] is at 1 s, not after keyframes[1] at 2 s; keyframes go in order of time"},
        {{{0.5, 1.0}, {0.5, 2.0}},
         "keyframes[1] is at 0.5 s, not after keyframes[0] at 0.5 s; keyframes go in order of time"},
        {{{std::nan(""), 1.0}}, "keyframes[0]" + far},
        {{{0.0, 1.0}, {1e301, 2.0}}, "keyframes[1]" + far},
        {{{0.0, LayerPoint{0, 0}}, {1.0, LayerPoint{-1e301, 0}}}, "keyframes[1]" + far},
        {{{-1e300, LayerPoint{1e300, -1e300}}, {1e300, LayerPoint{-1e300, 1e300}}}, ""},
    };
    for (const auto& [keyframes, message] : cases) {
        std::string refusal;
        try {
            AnimatedValue(keyframes, Interpolation::Smooth);
        } catch (const std::invalid_argument& e) {
            refusal = e.what();
        }
        EXPECT_EQ(refusal, message);
    }
}

PF_ParamDef checkedOut(const ParamStore& store, int index, double seconds = 0)
{
    PF_ParamDef def{};
    store.checkout(index, seconds, def);
    return def;
}

TEST(ParamStore, ChecksOutPointsAndTheInputLayerAtTheDownsampledSize)
{
    Composition half;
    half.width = 1921;  // an odd width loses its half pixel, as the effect's own frame does
    half.downsampleX = half.downsampleY = {1, 2};
    ParamStore store(half);
    store.add(-1, pointDef("Centre", 50, 25));
    const auto at = [&store](double seconds) {
        const PF_ParamDef def = checkedOut(store, 1, seconds);
        return std::pair(def.u.td.x_value, def.u.td.y_value);
    };
    constexpr PF_Fixed one = PF_FIXED_ONE;
    // The default is percent of the full-size layer: (960.5, 270), so (480.25, 135) at 1/2.
    EXPECT_EQ(at(0), std::pair(480 * one + one / 4, 135 * one));
    store.animate(1, AnimatedValue({{0.0, LayerPoint{100, -31}}, {2.0, LayerPoint{300, 9}}},
                                   Interpolation::Linear));
    EXPECT_EQ(at(1), std::pair(100 * one, -(5 * one + one / 2)));
    // 16.16 holds +-32768 pixels; beyond, points stop at its limits rather than wrap around.
    store.animate(1, AnimatedValue(LayerPoint{1e9, -1e9}));
    EXPECT_EQ(at(0), std::pair(INT32_MAX, INT32_MIN));
    const PF_LayerDef input = checkedOut(store, 0).u.ld;
    EXPECT_EQ(std::tuple(input.width, input.height, input.data), std::tuple(960, 540, nullptr));
}

TEST(ParamStore, ChecksOutValuesAtTheTimeAskedSlidersWithinRangeColoursAtFullPrecision)
{
    ParamStore store(Composition{});
    store.add(-1, sliderDef("Amount", 0, 100, 5));
    store.add(-1, colorDef("Tint", {255, 0, 0, 0}));
    EXPECT_EQ(checkedOut(store, 1).u.fs_d.value, 5.0);
    EXPECT_THROW(store.animate(1, AnimatedValue(Choice{1})), std::invalid_argument);
    // 100, 100, 0 at 0, 1, 2 s: between the two 100s the smooth curve bulges past 100, beyond the
    // slider's valid range, which is all the module is ever handed.
    store.animate(1, AnimatedValue({{0.0, 100.0}, {1.0, 100.0}, {2.0, 0.0}},
                                   Interpolation::Smooth));
    EXPECT_EQ(checkedOut(store, 1, 2.0 / 3).u.fs_d.value, 100.0);
    EXPECT_EQ(checkedOut(store, 1, 1.5).u.fs_d.value, 43.75);

    // The module gets 8 bits, and the colour itself through the colour suite from the definition
    // or a copy of it, until it changes the value.
    store.animate(2, AnimatedValue({{0.0, Color{1, 0, 0, 0}}, {1.0, Color{1, 0.5, 0.1, 1}}},
                                   Interpolation::Linear));
    PF_ParamDef half = checkedOut(store, 2, 0.5);
    EXPECT_EQ(half.u.cd.value.red, 64);
    EXPECT_EQ(half.u.cd.default_value.red, 0);
    half.uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;  // the module may overwrite it
    EXPECT_EQ(ParamStore::colorOf(half), (Color{1, 0.25, 0.05, 0.5}));
    half.u.cd.value.green = 0;
    EXPECT_EQ(ParamStore::colorOf(half), (Color{1, 64 / 255.0, 0, 128 / 255.0}));
    EXPECT_THROW(ParamStore::colorOf(checkedOut(store, 1)), std::invalid_argument);
    PF_ParamDef def{};
    EXPECT_THROW(store.checkout(3, 0, def), std::out_of_range);
    EXPECT_THROW(store.checkout(-1, 0, def), std::out_of_range);
}

TEST(ParamStore, KeepsItsOwnTextsAndRefusesRegistrationsItCannotKeepFaithfully)
{
    ParamStore store(Composition{});
    std::string choices = "One|Two|Three";
    PF_ParamDef def = popupDef("Mode", choices.c_str(), 3, 2);
    std::memset(def.name + 4, 'X', sizeof def.name - 4);  // no terminator: cut at the field's end
    store.add(-1, def);
    choices.assign("XXXXXXXXXXXXX");  // the module lends its texts for the call only
    const PF_ParamDef out = checkedOut(store, 1);
    EXPECT_STREQ(out.u.pd.choices, "One|Two|Three");
    EXPECT_EQ(out.name, "Mode" + std::string(PF_MAX_NAME_LEN - 4, 'X'));
    for (const PF_ParamDef& refused :
         {sliderDef("Default beyond", 0, 1, 2), namedDef(PF_Param_CHECKBOX, "Tick"),
          popupDef("Too few", "One|Two", 3, 1), popupDef("Default beyond", "One|Two", 2, 3),
          popupDef("No choices", nullptr, 2, 1)}) {
        EXPECT_THROW(store.add(-1, refused), std::invalid_argument) << refused.name;
    }
    EXPECT_THROW(store.add(5, sliderDef("Out of order", 0, 1, 0)), std::invalid_argument);
    store.add(2, sliderDef("In order", 0, 1, 0));
    EXPECT_EQ(store.size(), 3);
}

// --set against controls shaped like the module's, a group and a popup sharing a name among them.
TEST(Assignment, TakesEachKindOfControlsTextOrSaysWhatItTakesAndAppliesNoneOnARefusal)
{
    ParamStore store(Composition{});
    for (const PF_ParamDef& def :
         {namedDef(PF_Param_GROUP_START, "Geometry"), sliderDef("Vertices X", 2, 100000, 50),
          popupDef("Draw", "Fill|Wireframe|Points|Front Fill, Back Wire", 4, 1),
          namedDef(PF_Param_GROUP_END, ""), namedDef(PF_Param_GROUP_START, "Shader"),
          popupDef("Shader", "Density|Phong|Flat", 3, 1), colorDef("Color", {255, 255, 255, 255}),
          pointDef("Position XY", 50, 50), namedDef(PF_Param_LAYER, "Texture Layer"),
          namedDef(PF_Param_BUTTON, "Loop Setup Helper")}) {
        store.add(-1, def);
    }
    const auto refusal = [&store](const std::vector<std::string>& assignments) -> std::string {
        try {
            applyAssignments(store, assignments);
        } catch (const std::invalid_argument& e) {
            return e.what();
        }
        return "";
    };
    EXPECT_NE(refusal({"Vertices X=300", "Draw=Lines"}), "");
    EXPECT_EQ(store.at(2).value.at(0), ParamValue(50.0));
    // Values at a time: keyframes split where a time follows a comma, so points and choices may
    // hold commas; percent is of the 1920 x 1080 layer.
    const std::tuple<const char*, double, ParamValue> taken[] = {
        {"Vertices X= 1000.5 ", 0, 1000.5},  // beyond the slider, within the valid range
        {"Draw=Front Fill, Back Wire", 0, Choice{4}}, {"Draw=2", 0, Choice{2}},
        {"Shader=Flat", 0, Choice{3}},  // the popup, not the group
        {"Color=#ff8001", 0, Color{1, 1, 128 / 255.0, 1 / 255.0}},
        {"Position XY=-10.5, 3000", 0, LayerPoint{-10.5, 3000}},
        {"Position XY=50%, 25% ", 0, LayerPoint{960, 270}},
        {"Vertices X=1s:10, 3s : 30", 2.5, 25.0},
        {"Vertices X=1s:10,3s:30 hold", 2.5, 10.0},
        {"Draw=-1s:Fill,0.5s:Front Fill, Back Wire", 1, Choice{4}},
        {"Position XY=0s:0,10,2s:50%,10 linear", 1, LayerPoint{480, 10}},
    };
    for (const auto& [assignment, seconds, value] : taken) {
        EXPECT_EQ(refusal({assignment}), "");
        const std::string name = std::string(assignment).substr(0, std::string(assignment).find('='));
        EXPECT_EQ(store.at(findControl(store, name)).value.at(seconds), value) << assignment;
    }
    // What each refused assignment is told, word for word, is in messages.json.
    const Json messages = Json::parse(zel::test::readText(ZEL_RENDER_MESSAGES));
    for (const Json& row : messages["assignments"]) {
        EXPECT_EQ(refusal({row[0].get<std::string>()}), row[1]);
    }
}

}  // namespace
}  // namespace zelrender
