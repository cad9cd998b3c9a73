// The controls' enabled states and the loop helper, driven through the module's entry point as a
// host would drive them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "plugin/params/param_table.h"
#include "sdk/pf_suites.h"
#include "tests/plugin/recording_host.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                 PF_LayerDef* output, void* extra);

namespace zel {
namespace {

using namespace params;

// The interface state the host was last sent, by parameter index.
std::map<int, std::int32_t>* gSentUiFlags = nullptr;

const PF_ParamUtilsSuite2 kParamUtils = {
    [](PF_ProgPtr, int32_t index, const PF_ParamDef* def) {
        (*gSentUiFlags)[index] = def->ui_flags;
        return PF_Err{PF_Err_NONE};
    },
};

class ParameterInterplay : public ::testing::Test {
protected:
    ParameterInterplay()
    {
        gSentUiFlags = &sent;
        host.offerSuite("PF Param Utils Suite", 2, &kParamUtils);
        for (int i = 0; i < kParamCount; ++i) {
            array[static_cast<std::size_t>(i)] = &def(i);
        }
        for (int popup : {kShader, kDraw, kAmbientOcclusion, kFalloff, kZRange}) {
            def(popup).u.pd.value = 1;
        }
        def(kSpecular).ui_flags = 0x40 | PF_PUI_DISABLED;  // flags a rule must replace, not keep
    }

    PF_ParamDef& def(int index) { return defs[static_cast<std::size_t>(index)]; }

    PF_Err send(test::RecordingHost& to, PF_Cmd cmd, void* extra = nullptr)
    {
        sent.clear();
        return EntryPointFunc(cmd, &to.in_data, &to.out_data, array.data(), nullptr, extra);
    }

    test::RecordingHost host;
    std::array<PF_ParamDef, kParamCount> defs{};
    std::array<PF_ParamDef*, kParamCount> array{};
    std::map<int, std::int32_t> sent;
};

TEST_F(ParameterInterplay, DefaultsGreyOutWhatTheDensityFillLookLeavesUnused)
{
    EXPECT_EQ(send(host, PF_Cmd_UPDATE_PARAMS_UI), PF_Err_NONE);
    std::map<int, std::int32_t> expected = {{kDensityAffect, 0}, {kNormalAffect, 0}};
    for (int greyed : {kSpecular, kSpecularShininess, kLineSize, kPointSize, kAOIntensity, kAORadius, kAOLift, kAOScale,
                       kRadius, kDistance, kZMin, kZMax}) {
        expected[greyed] = PF_PUI_DISABLED;
    }
    EXPECT_EQ(sent, expected);  // exactly the fourteen, with exactly 32 or 0
    EXPECT_TRUE(host.out_data.out_flags & PF_OutFlag_REFRESH_UI);
    EXPECT_EQ(host.entries("release"), std::vector<std::string>{"release PF Param Utils Suite 2"});
}

TEST_F(ParameterInterplay, EachChoiceEnablesTheControlsItUses)
{
    const struct {
        int popup, choice;
        std::vector<int> enabled, greyed;
    } cases[] = {
        {kShader, 2, {kSpecular, kSpecularShininess}, {kDensityAffect, kNormalAffect}},  // Phong
        {kShader, 3, {kSpecular, kSpecularShininess}, {kDensityAffect, kNormalAffect}},  // Flat
        {kDraw, 2, {kLineSize}, {kPointSize}},                                          // Wireframe
        {kDraw, 3, {kPointSize}, {kLineSize}},                                          // Points
        {kDraw, 4, {kLineSize}, {kPointSize}},                                          // Front Fill, Back Wire
        {kAmbientOcclusion, 4, {kAOIntensity, kAORadius, kAOLift, kAOScale}, {}},       // Dither 2
        {kAmbientOcclusion, 2, {kAOIntensity, kAORadius, kAOLift, kAOScale}, {}},       // On
        {kFalloff, 3, {kRadius}, {kDistance}},                                          // Distance Squared
        {kFalloff, 2, {kRadius, kDistance}, {}},                                        // Smooth
        {kZRange, 3, {kZMin, kZMax}, {}},                                               // Compress
        {kZRange, 2, {kZMin, kZMax}, {}},                                               // Limit
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("popup " + std::to_string(c.popup) + " choice " + std::to_string(c.choice));
        def(c.popup).u.pd.value = c.choice;
        send(host, PF_Cmd_UPDATE_PARAMS_UI);
        for (int index : c.enabled) {
            EXPECT_EQ(sent.at(index), 0) << index;
        }
        for (int index : c.greyed) {
            EXPECT_EQ(sent.at(index), PF_PUI_DISABLED) << index;
        }
        def(c.popup).u.pd.value = 1;
    }
    EXPECT_EQ(sent.count(kZLift), 0u) << "Z Lift is never greyed";
}

TEST_F(ParameterInterplay, WithoutTheSuiteNothingChangesButTheReleaseIsStillAttempted)
{
    test::RecordingHost bare;
    bare.in_data.version = host.in_data.version;
    EXPECT_EQ(send(bare, PF_Cmd_UPDATE_PARAMS_UI), PF_Err_NONE);
    EXPECT_TRUE(sent.empty());
    EXPECT_FALSE(bare.out_data.out_flags & PF_OutFlag_REFRESH_UI);
    EXPECT_STREQ(bare.out_data.return_msg, "Failed to acquire suite.");
    EXPECT_EQ(bare.entries("release"), std::vector<std::string>{"release PF Param Utils Suite 2"});
}

// ---- The loop helper ------------------------------------------------------------------------------

// Parameter values over time: "Offset X" runs from 0 at 0 s to 100 at 2 s, "Scroll X" is 10,
// "Evolution" runs from 5 to 35; everything else is 0.
double valueAt(int index, double seconds)
{
    return index == kOffsetX     ? 50.0 * seconds
           : index == kScrollX   ? 10.0
           : index == kEvolution ? 5.0 + 15.0 * seconds
                                 : 0.0;
}

int gFailCheckoutOf = -1;
std::vector<std::string>* gLoopLog = nullptr;

class LoopHelper : public ParameterInterplay {
protected:
    static constexpr int kLoops[] = {kLoopX, kLoopY, kLoopZ, kLoopEvolution};

    LoopHelper()
    {
        gLoopLog = &host.log;
        gFailCheckoutOf = -1;
        host.in_data.inter.checkout_param = [](PF_ProgPtr, int32_t index, int32_t time, int32_t, uint32_t scale,
                                               PF_ParamDef* def) {
            gLoopLog->push_back("checkout " + std::to_string(index) + " at " + std::to_string(time));
            if (index == gFailCheckoutOf) {
                return PF_Err{9};
            }
            def->u.fs_d.value = valueAt(index, static_cast<double>(time) / scale);
            return PF_Err{PF_Err_NONE};
        };
        host.in_data.inter.checkin_param = [](PF_ProgPtr, PF_ParamDef*) { return PF_Err{PF_Err_NONE}; };
        for (int loop : kLoops) {
            def(loop).u.fs_d.value = -7;
        }
    }

    // Presses a parameter at `seconds` with the array valued at that time.
    PF_Err press(int index, double seconds)
    {
        host.in_data.current_time = static_cast<int32_t>(seconds * host.in_data.time_scale);
        for (int i = 1; i < kParamCount; ++i) {
            if (std::ranges::find(kLoops, i) == std::end(kLoops)) {
                def(i).u.fs_d.value = valueAt(i, seconds);
            }
        }
        PF_UserChangedParamExtra changed{index};
        return send(host, PF_Cmd_USER_CHANGED_PARAM, &changed);
    }

    // The four loop values and whether each was marked changed.
    std::vector<double> loops()
    {
        std::vector<double> values;
        for (int loop : kLoops) {
            values.push_back(def(loop).u.fs_d.value);
            values.push_back(def(loop).uu.change_flags == PF_ChangeFlag_CHANGED_VALUE ? 1 : def(loop).uu.change_flags);
        }
        return values;
    }
};

TEST_F(LoopHelper, FillsTheLoopWithHowFarTheNoiseTravelledSinceTimeZero)
{
    EXPECT_EQ(press(kLoopSetupHelper, 2.0), PF_Err_NONE);
    // X 100: the constant scroll cancels out; evolution 30.
    EXPECT_EQ(loops(), (std::vector<double>{100, 1, 0, 1, 0, 1, 30, 1}));
    EXPECT_EQ(host.entries("checkout"), (std::vector<std::string>{"checkout 23 at 0", "checkout 26 at 0",
                                                                  "checkout 24 at 0", "checkout 27 at 0",
                                                                  "checkout 25 at 0", "checkout 22 at 0"}));
    press(kLoopSetupHelper, 0.0);
    EXPECT_EQ(loops(), (std::vector<double>{0, 1, 0, 1, 0, 1, 0, 1}));
}

TEST_F(LoopHelper, OnlyTheLoopButtonActsAndAStartValueTheHostCannotGiveLeavesTheLoopUntouched)
{
    for (int other : {kShader, kDraw, kLoopEvolution, kOffsetX}) {
        EXPECT_EQ(press(other, 2.0), PF_Err_NONE);
        EXPECT_EQ(loops(), (std::vector<double>{-7, 0, -7, 0, -7, 0, -7, 0})) << other;
    }
    EXPECT_TRUE(host.entries("checkout").empty());
    gFailCheckoutOf = kOffsetZ;
    EXPECT_EQ(press(kLoopSetupHelper, 2.0), PF_Err_NONE);
    EXPECT_EQ(loops(), (std::vector<double>{-7, 0, -7, 0, -7, 0, -7, 0}));
}

}  // namespace
}  // namespace zel
