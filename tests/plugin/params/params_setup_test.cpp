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

    const PF_ParamDef& named(const std::string& name, PF_ParamType type) const
    {
        for (const PF_ParamDef& def : host.added) {
            if (name == def.name && def.param_type == type) {
                return def;
            }
        }
        throw std::runtime_error("no parameter " + name);
    }

    test::RecordingHost host;
};

TEST_F(ParamsSetupTest, AddsTheWholeSetAppendingEachAndReports115)
{
    EXPECT_EQ(host.out_data.num_params, 115);
    EXPECT_EQ(host.entries("add_param"), std::vector<std::string>(114, "add_param -1"));
    EXPECT_STREQ(param(114).name, "Memory Check");
    EXPECT_EQ(param(114).u.pd.num_choices, 12);
}

TEST_F(ParamsSetupTest, DiskIdsRunFrom1To115WithoutGapsBut85)
{
    std::set<int> ids;
    for (const PF_ParamDef& def : host.added) {
        EXPECT_TRUE(ids.insert(def.uu.id).second) << "disk id " << def.uu.id << " used twice";
    }
    std::set<int> expected;
    for (int id = 1; id <= 115; ++id) {
        if (id != 85) {
            expected.insert(id);
        }
    }
    EXPECT_EQ(ids, expected);
}

TEST_F(ParamsSetupTest, GroupsNestAsTheControlsShowThemAndOpenCollapsed)
{
    const std::map<int, int> groups = {{1, 17},  {18, 56}, {35, 41},  {42, 47},  {48, 55},
                                       {57, 75}, {76, 87}, {88, 95}, {96, 106}, {107, 113}};
    std::vector<int> open;
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
        }
    }
    EXPECT_TRUE(open.empty());
    EXPECT_EQ(param(114).param_type, PF_Param_POPUP) << "Memory Check stands outside every group";
}

TEST_F(ParamsSetupTest, OnlyShaderDrawAndTheLoopHelperAreSupervised)
{
    std::vector<int> supervised;
    for (int i = 1; i <= 114; ++i) {
        if (param(i).flags & PF_ParamFlag_SUPERVISE) {
            supervised.push_back(i);
        }
        if (param(i).param_type == PF_Param_FLOAT_SLIDER) {
            EXPECT_EQ(param(i).flags, PF_ParamFlag_COLLAPSE_TWIRLY) << param(i).name;
        }
        EXPECT_EQ(param(i).ui_flags, 0);
    }
    EXPECT_EQ(supervised, (std::vector<int>{36, 58, 59}));
    EXPECT_EQ(param(36).param_type, PF_Param_BUTTON);
    EXPECT_STREQ(param(36).u.button_d.label, "Set End Frame");
}

TEST_F(ParamsSetupTest, AFreshInstanceShowsTheDefaults)
{
    const PF_FloatSliderDef& frequency = named("Frequency", PF_Param_FLOAT_SLIDER).u.fs_d;
    EXPECT_EQ(frequency.value, 800);
    EXPECT_EQ(frequency.default_value, 800);
    EXPECT_EQ(frequency.slider_max, 500);  // the default lies beyond the slider
    EXPECT_EQ(frequency.valid_max, 5000);
    EXPECT_EQ(frequency.precision, 2);

    for (const char* name : {"Vertices X", "Vertices Y"}) {
        const PF_FloatSliderDef& v = named(name, PF_Param_FLOAT_SLIDER).u.fs_d;
        EXPECT_EQ(v.value, 50);
        EXPECT_EQ(v.valid_min, 2);
        EXPECT_EQ(v.valid_max, 100000);
        EXPECT_EQ(v.slider_max, 500);
    }
    EXPECT_EQ(named("Size X", PF_Param_FLOAT_SLIDER).u.fs_d.value, 200);
    EXPECT_EQ(named("Amplitude", PF_Param_FLOAT_SLIDER).u.fs_d.value, 50);
    EXPECT_EQ(named("Complexity", PF_Param_FLOAT_SLIDER).u.fs_d.value, 4);
    EXPECT_EQ(named("Z Min", PF_Param_FLOAT_SLIDER).u.fs_d.value, -0.5);
    EXPECT_EQ(named("Z Max", PF_Param_FLOAT_SLIDER).u.fs_d.precision, 2);
    EXPECT_EQ(named("Near", PF_Param_FLOAT_SLIDER).u.fs_d.valid_min, 0.01);
    EXPECT_EQ(named("Line Size", PF_Param_FLOAT_SLIDER).u.fs_d.valid_min, 0.0001);

    const PF_PopupDef& blend = named("Blend", PF_Param_POPUP).u.pd;
    EXPECT_EQ(blend.value, 3);
    EXPECT_EQ(blend.default_value, 3);
    EXPECT_STREQ(blend.choices, "Off|Normal|Add|Super Add");
    EXPECT_EQ(named("Memory Check", PF_Param_POPUP).u.pd.value, 1);

    for (const char* name : {"Texture Layer", "Amplitude Layer"}) {
        const PF_ParamDef& layer = named(name, PF_Param_LAYER);
        EXPECT_EQ(layer.u.ld.data, nullptr);
        EXPECT_EQ(layer.flags, 0);
    }
    for (const char* name : {"Color", "SP Color", "Fog Color"}) {
        const PF_ColorDef& c = named(name, PF_Param_COLOR).u.cd;
        for (const PF_Pixel& p : {c.value, c.default_value}) {
            EXPECT_EQ(p.alpha + p.red + p.green + p.blue, 4 * 255) << name;
        }
    }
    const PF_PointDef& position = named("Position XY", PF_Param_POINT).u.td;
    EXPECT_EQ(position.x_default, 50 * 65536);
    EXPECT_EQ(position.y_value, 50 * 65536);
    EXPECT_EQ(position.restrict_bounds, 0);
}

TEST_F(ParamsSetupTest, EveryPopupCountsItsChoices)
{
    const std::map<std::string, int> counts = {
        {"Reduce Geometry", 5}, {"Tessalate", 2},        {"Fractal Type", 4}, {"Z Range", 3},
        {"Shader", 3},          {"Draw", 4},             {"Blend", 4},        {"DepthBuf", 2},
        {"Second Pass", 2},     {"Ambient Occlusion", 5}, {"Falloff", 3},     {"Texture Filter", 3},
        {"Texture Coordinates", 2}, {"Memory Check", 12}};
    int popups = 0;
    for (const PF_ParamDef& def : host.added) {
        if (def.param_type == PF_Param_POPUP) {
            ++popups;
            EXPECT_EQ(def.u.pd.num_choices, counts.at(def.name)) << def.name;
            EXPECT_GE(def.u.pd.value, 1);
            EXPECT_LE(def.u.pd.value, def.u.pd.num_choices) << def.name;
        }
    }
    EXPECT_EQ(popups, 14);
}

TEST_F(ParamsSetupTest, NamesGoThroughTheHostsStringCopy)
{
    const auto copies = host.entries("strcpy");
    ASSERT_EQ(copies.size(), 104u);  // every parameter but the ten group ends
    EXPECT_EQ(copies.front(), "strcpy Geometry");
    EXPECT_EQ(copies.back(), "strcpy Memory Check");
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
    EXPECT_STREQ(params::spec(params::kVerticesX).name, "Vertices X");
    EXPECT_STREQ(params::spec(params::kLoopSetupHelper).name, "Loop Setup Helper");
    EXPECT_STREQ(params::spec(params::kZRange).name, "Z Range");
    EXPECT_EQ(params::spec(params::kZRange).kind, params::Kind::Popup);
    EXPECT_STREQ(params::spec(params::kShader).name, "Shader");
    EXPECT_EQ(params::spec(params::kShader).kind, params::Kind::Popup);
    EXPECT_STREQ(params::spec(params::kFogColor).name, "Fog Color");
    EXPECT_EQ(params::spec(params::kFogColor).diskId, 61);
    EXPECT_EQ(params::spec(params::kSPColor).diskId, 95);
    EXPECT_EQ(params::spec(params::kColor).diskId, 41);
    EXPECT_THROW(params::spec(0), std::out_of_range);
    EXPECT_THROW(params::spec(115), std::out_of_range);
}

}  // namespace
}  // namespace zel
