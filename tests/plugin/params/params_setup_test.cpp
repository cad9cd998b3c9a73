#include "plugin/params/params_setup.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "plugin/params/param_table.h"
#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

class ParamsSetupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(ParamsSetup(&host.in_data, &host.out_data, nullptr, nullptr), PF_Err_NONE);
        ASSERT_EQ(host.added.size(), 114u);
    }

    // Parameter `index` as the host received it.
    const PF_ParamDef& param(int index) const { return host.added[static_cast<std::size_t>(index - 1)]; }

    const PF_ParamDef& named(const std::string& name) const
    {
        for (const PF_ParamDef& def : host.added) {
            if (name == def.name && def.param_type != PF_Param_GROUP_START) {
                return def;
            }
        }
        throw std::runtime_error("no parameter " + name);
    }

    test::RecordingHost host;
};

TEST_F(ParamsSetupTest, AddsTheWholeSetAppendingEachThroughTheHostsStringCopyAndReports115)
{
    EXPECT_EQ(host.out_data.num_params, 115);
    EXPECT_EQ(host.entries("add_param"), std::vector<std::string>(114, "add_param -1"));
    const auto copies = host.entries("strcpy");
    ASSERT_EQ(copies.size(), 104u);  // every parameter but the ten group ends
    EXPECT_EQ(copies.front(), "strcpy Geometry");
    EXPECT_EQ(copies.back(), "strcpy Memory Check");
}

TEST_F(ParamsSetupTest, DiskIdsRunFrom1To115WithoutGapsBut85)
{
    std::set<int> ids;
    for (const PF_ParamDef& def : host.added) {
        EXPECT_TRUE(ids.insert(def.uu.id).second) << "disk id " << def.uu.id << " used twice";
    }
    EXPECT_EQ(ids.size(), 114u);
    EXPECT_EQ(*ids.begin(), 1);
    EXPECT_EQ(*ids.rbegin(), 115);
    EXPECT_FALSE(ids.contains(85));
    EXPECT_EQ(params::paramAt(params::kFogColor).diskId, 61);
    EXPECT_EQ(params::paramAt(params::kSPColor).diskId, 95);
    EXPECT_EQ(params::paramAt(params::kColor).diskId, 41);
}

TEST_F(ParamsSetupTest, GroupsNestCollapsedOnlyShaderDrawAndTheLoopHelperAreSupervised)
{
    const std::map<int, int> groups = {{1, 17},  {18, 56}, {35, 41}, {42, 47},  {48, 55},
                                       {57, 75}, {76, 87}, {88, 95}, {96, 106}, {107, 113}};
    std::vector<int> open, supervised;
    for (int i = 1; i <= 114; ++i) {
        const PF_ParamDef& def = param(i);
        if (def.param_type == PF_Param_GROUP_START) {
            EXPECT_TRUE(groups.count(i)) << "unexpected group at " << i;
            EXPECT_EQ(def.flags, PF_ParamFlag_START_COLLAPSED);
            open.push_back(i);
        } else if (def.param_type == PF_Param_GROUP_END) {
            ASSERT_FALSE(open.empty()) << "group end without a start at " << i;
            EXPECT_EQ(groups.at(open.back()), i);
            EXPECT_STREQ(def.name, "");
            open.pop_back();
        } else if (def.param_type == PF_Param_FLOAT_SLIDER) {
            EXPECT_EQ(def.flags, PF_ParamFlag_COLLAPSE_TWIRLY) << def.name;
        }
        if (def.flags & PF_ParamFlag_SUPERVISE) {
            supervised.push_back(i);
        }
        EXPECT_EQ(def.ui_flags, 0);
    }
    EXPECT_TRUE(open.empty());
    EXPECT_EQ(param(114).param_type, PF_Param_POPUP) << "Memory Check stands outside every group";
    EXPECT_EQ(supervised, (std::vector<int>{36, 58, 59}));
    EXPECT_EQ(param(36).param_type, PF_Param_BUTTON);
    EXPECT_STREQ(param(36).u.button_d.label, "Set End Frame");
}

TEST_F(ParamsSetupTest, AFreshInstanceShowsTheDefaults)
{
    const PF_FloatSliderDef& frequency = named("Frequency").u.fs_d;
    EXPECT_EQ(frequency.value, 800);
    EXPECT_EQ(frequency.default_value, 800);
    EXPECT_EQ(frequency.slider_max, 500);  // the default lies beyond the slider
    EXPECT_EQ(frequency.valid_max, 5000);
    EXPECT_EQ(frequency.precision, 2);
    for (const char* name : {"Vertices X", "Vertices Y"}) {
        const PF_FloatSliderDef& v = named(name).u.fs_d;
        EXPECT_EQ((std::array{v.value, v.valid_min, v.valid_max, v.slider_max}), (std::array{50.0, 2.0, 1e5, 500.0}));
    }
    for (const auto& [name, value] :
         {std::pair{"Size X", 200.0}, {"Amplitude", 50.0}, {"Complexity", 4.0}, {"Z Min", -0.5}}) {
        EXPECT_EQ(named(name).u.fs_d.value, value) << name;
    }
    EXPECT_EQ(named("Z Max").u.fs_d.precision, 2);
    EXPECT_EQ(named("Near").u.fs_d.valid_min, 0.01);
    EXPECT_EQ(named("Line Size").u.fs_d.valid_min, 0.0001);

    const PF_PopupDef& blend = named("Blend").u.pd;
    EXPECT_EQ(blend.value, 3);
    EXPECT_EQ(blend.default_value, 3);
    EXPECT_STREQ(blend.choices, "Off|Normal|Add|Super Add");
    for (const char* name : {"Texture Layer", "Amplitude Layer"}) {
        EXPECT_EQ(named(name).param_type, PF_Param_LAYER);
        EXPECT_EQ(named(name).u.ld.data, nullptr);
        EXPECT_EQ(named(name).flags, 0);
    }
    for (const char* name : {"Color", "SP Color", "Fog Color"}) {
        const PF_ColorDef& c = named(name).u.cd;
        for (const PF_Pixel& p : {c.value, c.default_value}) {
            EXPECT_EQ(p.alpha + p.red + p.green + p.blue, 4 * 255) << name;
        }
    }
    const PF_PointDef& position = named("Position XY").u.td;
    EXPECT_EQ(position.x_default, 50 * 65536);
    EXPECT_EQ(position.y_value, 50 * 65536);
    EXPECT_EQ(position.restrict_bounds, 0);
}

TEST_F(ParamsSetupTest, EveryPopupCountsItsChoicesAndStartsOnOneButBlend)
{
    const std::map<std::string, int> counts = {
        {"Reduce Geometry", 5}, {"Tessalate", 2}, {"Fractal Type", 4}, {"Z Range", 3}, {"Shader", 3},
        {"Draw", 4}, {"Blend", 4}, {"DepthBuf", 2}, {"Second Pass", 2}, {"Ambient Occlusion", 5}, {"Falloff", 3},
        {"Texture Filter", 3}, {"Texture Coordinates", 2}, {"Memory Check", 12}};
    int popups = 0;
    for (const PF_ParamDef& def : host.added) {
        if (def.param_type == PF_Param_POPUP) {
            ++popups;
            EXPECT_EQ(def.u.pd.num_choices, counts.at(def.name)) << def.name;
            EXPECT_EQ(def.u.pd.value, std::string(def.name) == "Blend" ? 3 : 1) << def.name;
        }
    }
    EXPECT_EQ(popups, 14);
}

TEST(ParamsSetup, TheFirstRefusalStopsRegistrationAndLeavesTheCountUnset)
{
    for (int failAt : {0, 57, 113}) {
        test::RecordingHost host;
        host.failAddParamAt = failAt;
        EXPECT_EQ(ParamsSetup(&host.in_data, &host.out_data, nullptr, nullptr), host.addParamError);
        EXPECT_EQ(host.added.size(), static_cast<std::size_t>(failAt));
        EXPECT_EQ(host.out_data.num_params, 0);
    }
}

TEST(ParamTable, IndicesMatchTheNamesTheRendererUses)
{
    for (const auto& [index, name] : {std::pair{params::kVerticesX, "Vertices X"}, {params::kZRange, "Z Range"},
                                      {params::kLoopSetupHelper, "Loop Setup Helper"}, {params::kShader, "Shader"},
                                      {params::kFogColor, "Fog Color"}}) {
        EXPECT_STREQ(params::paramAt(index).name, name);
    }
    EXPECT_EQ(params::paramAt(params::kZRange).kind, params::Kind::Popup);
    EXPECT_EQ(params::paramAt(params::kShader).kind, params::Kind::Popup);
    EXPECT_THROW(params::paramAt(0), std::out_of_range);
    EXPECT_THROW(params::paramAt(115), std::out_of_range);
}

}  // namespace
}  // namespace zel
