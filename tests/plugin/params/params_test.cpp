// The controls as the module registers them, the controls each choice greys out, and the loop
// helper, all driven through the module's entry point as a host drives them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "plugin/params/param_table.h"
#include "tests/plugin/recording_host.h"
#include "tests/support/text.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                 PF_LayerDef* output, void* extra);

namespace zel {
namespace {

using namespace params;
using Strings = std::vector<std::string>;

PF_Err send(test::RecordingHost& host, PF_Cmd cmd, void* extra = nullptr)
{
    return EntryPointFunc(cmd, &host.in_data, &host.out_data, host.params(), &host.output, extra);
}

// A number as the data file writes it.
std::string shown(double value)
{
    std::ostringstream out;
    out.precision(12);
    out << value;
    return out.str();
}

// A default, marked when the initial value differs from it.
template <typename T>
std::string initial(const std::string& dflt, const T& expected, const T& value)
{
    return dflt + (std::memcmp(&expected, &value, sizeof value) != 0 ? " but the value differs" : "");
}

// A registered control in the columns of tests/data/controls.tsv.
Strings columns(int index, const PF_ParamDef& d)
{
    static const std::map<PF_ParamType, std::string> kTypes = {
        {PF_Param_GROUP_START, "group_start"}, {PF_Param_GROUP_END, "group_end"}, {PF_Param_POPUP, "popup"},
        {PF_Param_FLOAT_SLIDER, "float_slider"}, {PF_Param_COLOR, "color"}, {PF_Param_POINT, "point"},
        {PF_Param_LAYER, "layer"}, {PF_Param_BUTTON, "button"}};
    Strings c = {shown(index), d.name, kTypes.contains(d.param_type) ? kTypes.at(d.param_type) : "unknown",
                 shown(d.uu.id), shown(d.flags), "-", "-", "-", "-", "-", "-", "-", "-"};
    const PF_FloatSliderDef& s = d.u.fs_d;
    const PF_Pixel& color = d.u.cd.default_value;
    const PF_PointDef& p = d.u.td;
    switch (d.param_type) {
    case PF_Param_FLOAT_SLIDER:
        c = {c[0], c[1], c[2], c[3], c[4], shown(s.valid_min), shown(s.valid_max), shown(s.slider_min),
             shown(s.slider_max), initial(shown(s.default_value), s.default_value, s.value), shown(s.precision),
             "-", "-"};
        c[2] += s.display_flags != 0 || s.fs_flags != 0 || s.curve_tolerance != 0 ? " shown unplainly" : "";
        break;
    case PF_Param_POPUP:
        c[9] = initial(shown(d.u.pd.default_value), std::int32_t{d.u.pd.default_value}, d.u.pd.value);
        c[11] = shown(d.u.pd.num_choices);
        c[12] = d.u.pd.choices;
        break;
    case PF_Param_COLOR:
        c[9] = initial(shown(color.alpha) + "," + shown(color.red) + "," + shown(color.green) + "," + shown(color.blue),
                       color, d.u.cd.value);
        break;
    case PF_Param_POINT:
        c[9] = initial(shown(p.x_default / 65536.0) + "," + shown(p.y_default / 65536.0),
                       std::array{p.x_default, p.y_default}, std::array{p.x_value, p.y_value}) +
               (p.restrict_bounds != 0 ? " restricted" : "");
        break;
    case PF_Param_LAYER: c[9] = d.u.ld.data == nullptr ? "0" : "a world"; break;
    case PF_Param_BUTTON: c[12] = d.u.button_d.label; break;
    }
    return c;
}

TEST(Controls, TheModuleRegistersTheStoredSetThroughTheHostAndReports115)
{
    test::RecordingHost host;
    ASSERT_EQ(send(host, PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    std::istringstream table(test::readText(ZEL_TEST_DATA_DIR "/controls.tsv"));
    std::string line;
    std::getline(table, line);  // the column names
    std::size_t i = 0;
    for (; std::getline(table, line) && i < host.added.size(); ++i) {
        Strings expected;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) {
            expected.push_back(field);
        }
        const PF_ParamDef& def = host.added[i];
        EXPECT_EQ(columns(int(i) + 1, def), expected);
        EXPECT_EQ((std::array{def.ui_flags, int{def.ui_width}, int{def.ui_height}}), (std::array{0, 0, 0})) << line;
    }
    EXPECT_EQ((std::tuple{i, host.added.size(), host.out_data.num_params}), (std::tuple{114u, 114u, 115}));
    EXPECT_EQ(host.entries("add_param"), Strings(114, "add_param -1"));
    EXPECT_EQ(host.entries("strcpy").size(), 104u) << "every name but the ten group ends, by the host's own copy";

    for (int failAt : {0, 57, 113}) {
        test::RecordingHost refusing;
        refusing.failAddParamAt = failAt;
        EXPECT_EQ(send(refusing, PF_Cmd_PARAMS_SETUP), refusing.addParamError);
        EXPECT_EQ((std::tuple{refusing.added.size(), refusing.out_data.num_params}), (std::tuple{failAt, 0}));
    }
}

class ControlStates : public ::testing::Test {
protected:
    ControlStates()
    {
        for (int i = 1; i < kParamCount; ++i) {
            host.param(i).u.fs_d.value = i;
            host.param(i).ui_flags = 0x40 | PF_PUI_DISABLED;  // flags a rule must replace, not keep
        }
    }

    test::RecordingHost host;
};

TEST_F(ControlStates, EachChoiceEnablesExactlyTheControlsItUsesInRuleOrder)
{
    const int kRuled[] = {kDensityAffect, kNormalAffect, kSpecular, kSpecularShininess, kLineSize, kPointSize,
                          kAOIntensity, kAORadius, kAOLift, kAOScale, kRadius, kDistance, kZMin, kZMax};
    const struct {
        std::array<int, 5> choices;  // of Shader, Draw, Ambient Occlusion, Falloff and Z Range
        std::vector<int> enabled;
    } rows[] = {
        {{1, 1, 1, 1, 1}, {kDensityAffect, kNormalAffect}},
        {{2, 2, 2, 2, 2},
         {kSpecular, kSpecularShininess, kLineSize, kAOIntensity, kAORadius, kAOLift, kAOScale, kRadius, kDistance,
          kZMin, kZMax}},
        {{3, 3, 3, 3, 3},
         {kSpecular, kSpecularShininess, kPointSize, kAOIntensity, kAORadius, kAOLift, kAOScale, kRadius, kZMin,
          kZMax}},
        {{1, 4, 4, 1, 1}, {kDensityAffect, kNormalAffect, kLineSize, kAOIntensity, kAORadius, kAOLift, kAOScale}},
        {{2, 1, 5, 3, 1}, {kSpecular, kSpecularShininess, kAOIntensity, kAORadius, kAOLift, kAOScale, kRadius}},
    };
    for (const auto& r : rows) {
        for (std::size_t i = 0; i < 5; ++i) {
            host.param(std::array{kShader, kDraw, kAmbientOcclusion, kFalloff, kZRange}[i]).u.pd.value = r.choices[i];
        }
        host.uiUpdates.clear();
        host.out_data.out_flags = 0;
        EXPECT_EQ(send(host, PF_Cmd_UPDATE_PARAMS_UI), PF_Err_NONE);
        Strings told, expected;  // each "index flags value"
        for (const auto& [index, def] : host.uiUpdates) {
            told.push_back(test::words(index, def.ui_flags, def.u.fs_d.value));
        }
        for (int index : kRuled) {
            expected.push_back(test::words(index, std::ranges::count(r.enabled, index) ? 0 : PF_PUI_DISABLED, index));
        }
        EXPECT_EQ(told, expected) << "choices " << r.choices[0] << r.choices[1] << r.choices[2] << r.choices[3];
        EXPECT_TRUE(host.out_data.out_flags & PF_OutFlag_REFRESH_UI);
    }
    EXPECT_EQ(host.param(kSpecular).ui_flags, 0x40 | PF_PUI_DISABLED) << "the host's own array is left alone";
    EXPECT_EQ(host.entries("release"), Strings(5, "release PF Param Utils Suite 2"));

    host.withdraw(kPFParamUtilsSuite);  // without the suite nothing changes, but the release is attempted
    host.uiUpdates.clear();
    host.out_data.out_flags = 0;
    host.log.clear();
    EXPECT_EQ(send(host, PF_Cmd_UPDATE_PARAMS_UI), PF_Err_NONE);
    EXPECT_TRUE(host.uiUpdates.empty());
    EXPECT_FALSE(host.out_data.out_flags & PF_OutFlag_REFRESH_UI);
    EXPECT_STREQ(host.out_data.return_msg, "Failed to acquire suite.");
    EXPECT_EQ(host.entries("release"), Strings{"release PF Param Utils Suite 2"});
}

// The loop helper: each loop value is how far its inputs travelled from time 0 (as checked out)
// to the current 2 s (as in the array).
TEST_F(ControlStates, TheLoopHelperFillsTheLoopWithHowFarEachAxisTravelledSinceTimeZero)
{
    static const std::map<int, std::pair<double, double>> kTravel = {
        {kOffsetX, {1, 100}}, {kScrollX, {4, 10}}, {kOffsetY, {2, -40}},
        {kScrollY, {0.5, 3}}, {kOffsetZ, {-5, 7}}, {kEvolution, {5, 35}}};
    for (const auto& [index, values] : kTravel) {
        host.param(index).u.fs_d.value = values.second;
    }
    host.onCheckout = [](int index, int time, PF_ParamDef& def) {
        def.u.fs_d.value = time == 0 ? kTravel.at(index).first : -1000;
    };
    const auto press = [&](int index) {
        PF_UserChangedParamExtra changed{index};
        EXPECT_EQ(send(host, PF_Cmd_USER_CHANGED_PARAM, &changed), PF_Err_NONE);
        Strings loops;  // each value and its change flags
        for (int loop : {kLoopX, kLoopY, kLoopZ, kLoopEvolution}) {
            loops.push_back(test::words(host.param(loop).u.fs_d.value, host.param(loop).uu.change_flags));
        }
        return loops;
    };
    // Only the loop button acts, and a start the host cannot give leaves the loop untouched.
    for (int other : {kShader, kDraw, kOffsetX}) {
        EXPECT_EQ(press(other), (Strings{"38 0", "39 0", "40 0", "37 0"})) << other;
    }
    EXPECT_TRUE(host.entries("check").empty());
    host.failCheckoutAt = kOffsetZ;
    EXPECT_EQ(press(kLoopSetupHelper), (Strings{"38 0", "39 0", "40 0", "37 0"}));

    host.failCheckoutAt = -1;
    host.log.clear();
    // X (100 + 10) - (1 + 4), Y (-40 + 3) - (2 + 0.5), Z 7 - -5, evolution 35 - 5; each marked changed.
    EXPECT_EQ(press(kLoopSetupHelper), (Strings{"105 1", "-39.5 1", "12 1", "30 1"}));
    Strings expected;
    for (int index : {kOffsetX, kScrollX, kOffsetY, kScrollY, kOffsetZ, kEvolution}) {
        expected.push_back(test::words("checkout", index, "at 0 step 1 scale 24"));
        expected.push_back(test::words("checkin", index));
    }
    EXPECT_EQ(host.entries("check"), expected);
}

}  // namespace
}  // namespace zel
