// The parameter store: what it keeps of a registration and what it hands back on checkout.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "apps/zel-render/param_store.h"
#include "tests/apps/zel-render/param_defs.h"

namespace zelrender {
namespace {

using namespace test;

PF_ParamDef checkedOut(const ParamStore& store, int index, double seconds = 0)
{
    PF_ParamDef def{};
    store.checkout(index, seconds, def);
    return def;
}

TEST(ParamStore, PointsAndTheInputLayerCheckOutAtTheDownsampledSize)
{
    Composition half;
    half.width = 1921;  // an odd width loses its half pixel, as the effect's own frame does
    half.downsampleX = half.downsampleY = {1, 2};
    ParamStore store(half);
    store.add(-1, pointDef("Centre", 50, 25));
    // The default is percent of the full-size layer: (960.5, 270), so (480.25, 135) at 1/2.
    EXPECT_EQ(checkedOut(store, 1).u.td.x_value, 480 * PF_FIXED_ONE + PF_FIXED_ONE / 4);
    EXPECT_EQ(checkedOut(store, 1).u.td.y_value, 135 * PF_FIXED_ONE);
    EXPECT_EQ(checkedOut(store, 1).u.td.x_default, 50 * PF_FIXED_ONE);

    store.animate(1, AnimatedValue({{0.0, LayerPoint{100, -31}}, {2.0, LayerPoint{300, 9}}},
                                   Interpolation::Linear));
    EXPECT_EQ(checkedOut(store, 1, 1.0).u.td.x_value, 100 * PF_FIXED_ONE);
    EXPECT_EQ(checkedOut(store, 1, 1.0).u.td.y_value, -(5 * PF_FIXED_ONE + PF_FIXED_ONE / 2));
    // 16.16 holds +-32768 pixels; beyond, points stop at its limits rather than wrap around.
    store.animate(1, AnimatedValue(LayerPoint{1e9, -1e9}));
    EXPECT_EQ(checkedOut(store, 1).u.td.x_value, INT32_MAX);
    EXPECT_EQ(checkedOut(store, 1).u.td.y_value, INT32_MIN);

    const PF_LayerDef input = checkedOut(store, 0).u.ld;
    EXPECT_EQ(input.width, 960);
    EXPECT_EQ(input.height, 540);
    EXPECT_EQ(input.data, nullptr);
}

TEST(ParamStore, CheckoutEvaluatesKeyframesAtTheTimeAsked)
{
    ParamStore store(Composition{});
    store.add(-1, floatSliderDef("Amount", 0, 100, 0, 10, 5));
    store.add(-1, colorDef("Tint", {255, 0, 0, 0}));
    EXPECT_DOUBLE_EQ(checkedOut(store, 1).u.fs_d.value, 5.0);
    store.animate(1, AnimatedValue({{1.0, 10.0}, {3.0, 30.0}}, Interpolation::Linear));
    store.animate(2, AnimatedValue({{1.0, Color{1, 0.785, 0, 0}}}, Interpolation::Hold));
    EXPECT_DOUBLE_EQ(checkedOut(store, 1, 2.0).u.fs_d.value, 20.0);
    EXPECT_EQ(checkedOut(store, 2, 1.0).u.cd.value.red, 200);
    EXPECT_EQ(checkedOut(store, 2, 1.0).u.cd.default_value.red, 0);
    EXPECT_THROW(store.animate(1, AnimatedValue(Choice{1})), std::invalid_argument);

    // 100, 100, 0 at 0, 1, 2 s: between the two 100s the smooth curve bulges past 100, beyond the
    // slider's valid range, which is all the module is ever handed.
    store.animate(1, AnimatedValue({{0.0, 100.0}, {1.0, 100.0}, {2.0, 0.0}},
                                   Interpolation::Smooth));
    EXPECT_EQ(checkedOut(store, 1, 2.0 / 3).u.fs_d.value, 100.0);
    EXPECT_DOUBLE_EQ(checkedOut(store, 1, 1.5).u.fs_d.value, 43.75);

    PF_ParamDef def{};
    EXPECT_THROW(store.checkout(3, 0, def), std::out_of_range);
    EXPECT_THROW(store.checkout(-1, 0, def), std::out_of_range);
}

TEST(ParamStore, KeepsItsOwnCopyOfTextsThatTheModuleOnlyLendsForTheCall)
{
    ParamStore store(Composition{});
    std::string choices = "One|Two|Three";
    PF_ParamDef def = popupDef("Mode", choices.c_str(), 3, 2);
    std::memset(def.name + 4, 'X', sizeof def.name - 4);  // no terminator: cut at the field's end
    store.add(-1, def);
    choices.assign("XXXXXXXXXXXXX");

    const PF_ParamDef out = checkedOut(store, 1);
    EXPECT_STREQ(out.u.pd.choices, "One|Two|Three");
    EXPECT_EQ(out.name, "Mode" + std::string(PF_MAX_NAME_LEN - 4, 'X'));
    EXPECT_EQ(out.u.pd.value, 2);
}

TEST(ParamStore, RefusesRegistrationsItCannotKeepFaithfully)
{
    ParamStore store(Composition{});
    EXPECT_THROW(store.add(5, floatSliderDef("Out of order", 0, 1, 0, 1, 0)),
                 std::invalid_argument);
    EXPECT_THROW(store.add(-1, namedDef(PF_Param_CHECKBOX, "Tick")), std::invalid_argument);
    EXPECT_THROW(store.add(-1, popupDef("Mode", "One|Two", 3, 1)), std::invalid_argument);
    EXPECT_THROW(store.add(-1, popupDef("Mode", "One|Two", 2, 3)), std::invalid_argument);
    EXPECT_THROW(store.add(-1, popupDef("Mode", nullptr, 2, 1)), std::invalid_argument);
    EXPECT_THROW(store.add(-1, floatSliderDef("Amount", 0, 1, 0, 1, 2)), std::invalid_argument);
    EXPECT_EQ(store.size(), 1);
    store.add(1, floatSliderDef("In order", 0, 1, 0, 1, 0));
    EXPECT_EQ(store.size(), 2);
}

}  // namespace
}  // namespace zelrender
