// The controls' enabled states and the loop helper, driven through the module's entry point as a
// host would drive them.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "plugin/params/param_table.h"
#include "sdk/pf_suites.h"
#include "tests/plugin/recording_host.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                 PF_ParamDef* params[], PF_LayerDef* output, void* extra);

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
            array[static_cast<std::size_t>(i)] = &defs[static_cast<std::size_t>(i)];
        }
        for (int popup : {kShader, kDraw, kAmbientOcclusion, kFalloff, kZRange}) {
            defs[static_cast<std::size_t>(popup)].u.pd.value = 1;
        }
        // Flags a rule must replace, not keep.
        defs[kSpecular].ui_flags = 0x40 | PF_PUI_DISABLED;
    }

    void choose(int popup, int choice) { defs[static_cast<std::size_t>(popup)].u.pd.value = choice; }

    PF_Err updateInterface()
    {
        sent.clear();
        return EntryPointFunc(PF_Cmd_UPDATE_PARAMS_UI, &host.in_data, &host.out_data, array.data(),
                              nullptr, nullptr);
    }

    bool enabled(int index) const { return sent.at(index) == 0; }

    test::RecordingHost host;
    std::array<PF_ParamDef, kParamCount> defs{};
    std::array<PF_ParamDef*, kParamCount> array{};
    std::map<int, std::int32_t> sent;
};

TEST_F(ParameterInterplay, DefaultsGreyOutWhatTheDensityFillLookLeavesUnused)
{
    EXPECT_EQ(updateInterface(), PF_Err_NONE);
    const std::map<int, std::int32_t> expected = {
        {kDensityAffect, 0},           {kNormalAffect, 0},           {kSpecular, PF_PUI_DISABLED},
        {kSpecularShininess, PF_PUI_DISABLED}, {kLineSize, PF_PUI_DISABLED}, {kPointSize, PF_PUI_DISABLED},
        {kAOIntensity, PF_PUI_DISABLED}, {kAORadius, PF_PUI_DISABLED}, {kAOLift, PF_PUI_DISABLED},
        {kAOScale, PF_PUI_DISABLED},   {kRadius, PF_PUI_DISABLED},   {kDistance, PF_PUI_DISABLED},
        {kZMin, PF_PUI_DISABLED},      {kZMax, PF_PUI_DISABLED}};
    EXPECT_EQ(sent, expected);  // exactly the fourteen, with exactly 32 or 0
    EXPECT_TRUE(host.out_data.out_flags & PF_OutFlag_REFRESH_UI);
    EXPECT_EQ(host.entries("release"), std::vector<std::string>{"release PF Param Utils Suite 2"});
}

TEST_F(ParameterInterplay, EachChoiceEnablesTheControlsItUses)
{
    struct Case {
        int popup;
        int choice;
        std::vector<int> enabledControls;
        std::vector<int> greyedControls;
    };
    const Case cases[] = {
        {kShader, 2, {kSpecular, kSpecularShininess}, {kDensityAffect, kNormalAffect}},  // Phong
        {kShader, 3, {kSpecular, kSpecularShininess}, {kDensityAffect, kNormalAffect}},  // Flat
        {kDraw, 2, {kLineSize}, {kPointSize}},                                          // Wireframe
        {kDraw, 3, {kPointSize}, {kLineSize}},                                          // Points
        {kDraw, 4, {kLineSize}, {kPointSize}},  // Front Fill, Back Wire
        {kAmbientOcclusion, 4, {kAOIntensity, kAORadius, kAOLift, kAOScale}, {}},  // Dither 2
        {kAmbientOcclusion, 2, {kAOIntensity, kAORadius, kAOLift, kAOScale}, {}},  // On
        {kFalloff, 3, {kRadius}, {kDistance}},            // Distance Squared
        {kFalloff, 2, {kRadius, kDistance}, {}},          // Smooth
        {kZRange, 3, {kZMin, kZMax}, {}},                 // Compress
        {kZRange, 2, {kZMin, kZMax}, {}},                 // Limit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("popup " + std::to_string(c.popup) + " choice " + std::to_string(c.choice));
        choose(c.popup, c.choice);
        updateInterface();
        for (int index : c.enabledControls) {
            EXPECT_TRUE(enabled(index)) << index;
        }
        for (int index : c.greyedControls) {
            EXPECT_FALSE(enabled(index)) << index;
        }
        choose(c.popup, 1);
    }
    EXPECT_EQ(sent.count(kZLift), 0u) << "Z Lift is never greyed";
}

TEST_F(ParameterInterplay, WithoutTheSuiteNothingChangesButTheReleaseIsStillAttempted)
{
    test::RecordingHost bare;
    bare.in_data.version = host.in_data.version;
    EXPECT_EQ(EntryPointFunc(PF_Cmd_UPDATE_PARAMS_UI, &bare.in_data, &bare.out_data, array.data(),
                             nullptr, nullptr),
              PF_Err_NONE);
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
    switch (index) {
    case kOffsetX: return 50.0 * seconds;
    case kScrollX: return 10.0;
    case kEvolution: return 5.0 + 15.0 * seconds;
    default: return 0.0;
    }
}

int gFailCheckoutOf = -1;
std::vector<std::string>* gLoopLog = nullptr;

PF_Err checkoutAtTime(PF_ProgPtr, int32_t index, int32_t time, int32_t, uint32_t scale,
                      PF_ParamDef* def)
{
    gLoopLog->push_back("checkout " + std::to_string(index) + " at " + std::to_string(time));
    if (index == gFailCheckoutOf) {
        return 9;
    }
    def->u.fs_d.value = valueAt(index, static_cast<double>(time) / scale);
    return PF_Err_NONE;
}

class LoopHelper : public ParameterInterplay {
protected:
    LoopHelper()
    {
        gLoopLog = &host.log;
        gFailCheckoutOf = -1;
        host.in_data.inter.checkout_param = checkoutAtTime;
        host.in_data.inter.checkin_param = [](PF_ProgPtr, PF_ParamDef*) { return PF_Err{PF_Err_NONE}; };
        for (int loop : {kLoopX, kLoopY, kLoopZ, kLoopEvolution}) {
            defs[static_cast<std::size_t>(loop)].u.fs_d.value = -7;
        }
    }

    // Presses a parameter at `seconds` with the array valued at that time.
    PF_Err press(int index, double seconds)
    {
        host.in_data.current_time = static_cast<int32_t>(seconds * host.in_data.time_scale);
        for (int i = 1; i < kParamCount; ++i) {
            defs[static_cast<std::size_t>(i)].u.fs_d.value =
                i == kLoopX || i == kLoopY || i == kLoopZ || i == kLoopEvolution
                    ? defs[static_cast<std::size_t>(i)].u.fs_d.value
                    : valueAt(i, seconds);
        }
        PF_UserChangedParamExtra changed{index};
        return EntryPointFunc(PF_Cmd_USER_CHANGED_PARAM, &host.in_data, &host.out_data, array.data(),
                              nullptr, &changed);
    }

    double loop(int index) const { return defs[static_cast<std::size_t>(index)].u.fs_d.value; }
    int32_t changeFlags(int index) const { return defs[static_cast<std::size_t>(index)].uu.change_flags; }
};

TEST_F(LoopHelper, FillsTheLoopWithHowFarTheNoiseTravelledSinceTimeZero)
{
    EXPECT_EQ(press(kLoopSetupHelper, 2.0), PF_Err_NONE);
    EXPECT_EQ(loop(kLoopX), 100.0);  // the constant scroll cancels out
    EXPECT_EQ(loop(kLoopY), 0.0);
    EXPECT_EQ(loop(kLoopZ), 0.0);
    EXPECT_EQ(loop(kLoopEvolution), 30.0);
    for (int index : {kLoopX, kLoopY, kLoopZ, kLoopEvolution}) {
        EXPECT_EQ(changeFlags(index), PF_ChangeFlag_CHANGED_VALUE);
    }
    EXPECT_EQ(host.entries("checkout"),
              (std::vector<std::string>{"checkout 23 at 0", "checkout 26 at 0", "checkout 24 at 0",
                                        "checkout 27 at 0", "checkout 25 at 0", "checkout 22 at 0"}));
}

TEST_F(LoopHelper, AtTimeZeroEveryLoopValueIsZero)
{
    press(kLoopSetupHelper, 0.0);
    for (int index : {kLoopX, kLoopY, kLoopZ, kLoopEvolution}) {
        EXPECT_EQ(loop(index), 0.0);
    }
}

TEST_F(LoopHelper, OnlyTheLoopButtonActs)
{
    for (int other : {kShader, kDraw, kLoopEvolution, kOffsetX}) {
        EXPECT_EQ(press(other, 2.0), PF_Err_NONE);
        EXPECT_EQ(loop(kLoopX), -7.0);
        EXPECT_EQ(changeFlags(kLoopX), 0);
    }
    EXPECT_TRUE(host.entries("checkout").empty());
}

TEST_F(LoopHelper, AStartValueTheHostCannotGiveLeavesTheLoopUntouched)
{
    gFailCheckoutOf = kOffsetZ;
    EXPECT_EQ(press(kLoopSetupHelper, 2.0), PF_Err_NONE);
    for (int index : {kLoopX, kLoopY, kLoopZ, kLoopEvolution}) {
        EXPECT_EQ(loop(index), -7.0);
        EXPECT_EQ(changeFlags(index), 0);
    }
}

}  // namespace
}  // namespace zel
