// The suites beyond worlds: colour parameters at full precision, control updates and the
// UPDATE_PARAMS_UI command that carries them, and what a command-line host answers for masks and
// for its (absent) user interface.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "apps/zel-render/param_listing.h"
#include "sdk/pf_suites.h"
#include "tests/apps/zel-render/fake_module.h"
#include "tests/apps/zel-render/param_defs.h"

namespace zelrender {
namespace {

using test::FakeModule;
using test::SuiteLoan;

constexpr PF_Err kBad = PF_Err_BAD_CALLBACK_PARAM;
enum Index { kTint = 1, kAmount = 2 };

// A module with a colour and a slider that asks for UPDATE_PARAMS_UI when `asks`, and runs
// `update` on each.
void controlsModule(bool asks, std::function<void(PF_InData&, PF_ParamDef**)> update)
{
    FakeModule::reset();
    FakeModule::behaviour = [asks, update](PF_Cmd cmd, PF_InData& in, PF_OutData& out) {
        if (cmd == PF_Cmd_GLOBAL_SETUP && asks) {
            out.out_flags |= PF_OutFlag_SEND_UPDATE_PARAMS_UI;
        }
        if (cmd == PF_Cmd_PARAMS_SETUP) {
            PF_ParamDef tint = test::colorDef("Tint", {255, 255, 0, 0});
            PF_ParamDef amount = test::floatSliderDef("Amount", 0, 10, 0, 10, 1);
            in.inter.add_param(in.effect_ref, -1, &tint);
            in.inter.add_param(in.effect_ref, -1, &amount);
            out.num_params = 3;
        }
        if (cmd == PF_Cmd_UPDATE_PARAMS_UI) {
            update(in, FakeModule::params);
        }
        return PF_Err{PF_Err_NONE};
    };
}

TEST(ColorParamSuite, GivesTheColourOfTheDefinitionsTimeAtFullPrecision)
{
    std::vector<PF_PixelFloat> colours;
    std::vector<PF_Err> answers;
    std::uint8_t eightBit = 0;
    controlsModule(true, [&](PF_InData& in, PF_ParamDef** params) {
        const SuiteLoan<PF_ColorParamSuite1> suite(in, kPFColorParamSuite,
                                                   kPFColorParamSuiteVersion1);
        const auto ask = [&](const PF_ParamDef* def) {
            PF_PixelFloat c{};
            answers.push_back(suite->PF_GetFloatingPointColorFromColorDef(in.effect_ref, def, &c));
            colours.push_back(c);
        };
        PF_ParamDef half{};  // at 0.5 s, halfway between the keyframes
        in.inter.checkout_param(in.effect_ref, kTint, 12, 1, 24, &half);
        eightBit = half.u.cd.value.red;
        const PF_ParamDef copy = half;
        PF_ParamDef edited = half;
        edited.uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;  // what a module may overwrite
        PF_ParamDef changed = half;
        changed.u.cd.value.red = 255;  // a value the module set: the stamp no longer applies
        const PF_ParamDef* defs[] = {params[kTint], &half,           &copy,  &edited,
                                     &changed,      params[kAmount], nullptr};
        for (const PF_ParamDef* def : defs) {
            ask(def);
        }
        in.inter.checkin_param(in.effect_ref, &half);
    });
    const ModuleOutput output = ModuleOutput::toStderr();
    EffectHost host(FakeModule::entry, Composition{}, output);
    host.setUp();
    host.params().animate(
        kTint, AnimatedValue({{0.0, Color{1, 0, 0, 0}}, {1.0, Color{1, 0.5, 0.1, 1}}},
                             Interpolation::Linear));
    colours.clear();
    answers.clear();
    testing::internal::CaptureStderr();
    host.refreshControls();
    testing::internal::GetCapturedStderr();
    host.setDown();

    EXPECT_EQ(answers, (std::vector<PF_Err>{0, 0, 0, 0, 0, kBad, kBad}));
    ASSERT_EQ(colours.size(), 7u);
    EXPECT_EQ(colours[0].red, 0.0f);  // the command's own array is at the current time, 0
    for (std::size_t i : {1, 2, 3}) {
        EXPECT_EQ(colours[i].red, 0.25f) << i;
        EXPECT_EQ(colours[i].green, 0.05f) << i;
        EXPECT_EQ(colours[i].blue, 0.5f) << i;
        EXPECT_EQ(colours[i].alpha, 1.0f) << i;
    }
    EXPECT_EQ(eightBit, 64);  // 0.25 x 255 = 63.75, rounded
    EXPECT_EQ(colours[4].red, 1.0f);
    EXPECT_FLOAT_EQ(colours[4].green, 13 / 255.0f);
}

TEST(ParamUtilsSuite, KeepsEachControlsLookAndTheListingShowsItGreyed)
{
    std::vector<PF_Err> refusals;
    int updates = 0;
    controlsModule(true, [&](PF_InData& in, PF_ParamDef** params) {
        ++updates;
        const SuiteLoan<PF_ParamUtilsSuite2> suite(in, kPFParamUtilsSuite,
                                                   kPFParamUtilsSuiteVersion2);
        PF_ParamDef look = *params[kAmount];
        look.ui_flags = PF_PUI_DISABLED;
        std::strcpy(look.name, "Renamed");
        look.flags |= PF_ParamFlag_COLLAPSE_TWIRLY | PF_ParamFlag_SUPERVISE;
        look.u.fs_d.value = 9;  // ignored: values change by other means
        EXPECT_EQ(suite->PF_UpdateParamUI(in.effect_ref, kAmount, &look), PF_Err_NONE);
        refusals = {suite->PF_UpdateParamUI(in.effect_ref, 0, &look),
                    suite->PF_UpdateParamUI(in.effect_ref, 3, &look),
                    suite->PF_UpdateParamUI(in.effect_ref, kTint, &look),
                    suite->PF_UpdateParamUI(in.effect_ref, kAmount, nullptr)};
    });
    const ModuleOutput output = ModuleOutput::toStderr();
    EffectHost host(FakeModule::entry, Composition{}, output);
    testing::internal::CaptureStderr();
    host.setUp();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(refusals, std::vector<PF_Err>(4, kBad));
    EXPECT_NE(err.find("parameter 1 (\"Tint\") has type 5, but the definition sent has type 10"),
              std::string::npos)
        << err;

    const RegisteredParam& amount = host.params().at(kAmount);
    EXPECT_EQ(amount.def.ui_flags, PF_PUI_DISABLED);
    EXPECT_EQ(amount.name(), "Renamed");
    EXPECT_EQ(amount.def.flags, PF_ParamFlag_COLLAPSE_TWIRLY);
    PF_ParamDef out{};
    host.params().checkout(kAmount, 0, out);
    EXPECT_EQ(out.u.fs_d.value, 1);
    EXPECT_EQ(out.ui_flags, PF_PUI_DISABLED);

    const nlohmann::ordered_json list = paramListJson(host.params());
    EXPECT_EQ(list[0]["enabled"], true);
    EXPECT_EQ(list[1]["enabled"], false);
    std::ostringstream table;
    printParamTable(table, host.params());
    EXPECT_NE(table.str().find("Renamed  float_slider  greyed"), std::string::npos) << table.str();

    host.refreshControls();  // after a change of values
    EXPECT_EQ(updates, 2);
    host.setDown();
}

TEST(ParamUtilsSuite, UpdateParamsUiIsSentOnlyToAModuleThatAskedForIt)
{
    for (const bool asks : {true, false}) {
        controlsModule(asks, [](PF_InData&, PF_ParamDef**) {});
        const ModuleOutput output = ModuleOutput::toStderr();
        EffectHost host(FakeModule::entry, Composition{}, output);
        host.setUp();
        host.refreshControls();
        host.setDown();
        const auto sent = std::count(FakeModule::received.begin(), FakeModule::received.end(),
                                     PF_Cmd_UPDATE_PARAMS_UI);
        EXPECT_EQ(sent, asks ? 2 : 0);
    }
}

TEST(HostSuites, TheLayerHasNoMasksAndThereIsNoUserInterface)
{
    std::vector<PF_Err> answers;
    std::int32_t paths = -1;
    testing::internal::CaptureStderr();
    test::duringGlobalSetup([&](PF_InData& in) {
        const SuiteLoan<PF_PathQuerySuite1> query(in, kPFPathQuerySuite, kPFPathQuerySuiteVersion1);
        const SuiteLoan<PF_PathDataSuite1> data(in, kPFPathDataSuite, kPFPathDataSuiteVersion1);
        const SuiteLoan<PF_AppSuite6> app(in, kPFAppSuite, kPFAppSuiteVersion6);
        const PF_ProgPtr ref = in.effect_ref;
        EXPECT_EQ(query->PF_NumPaths(ref, &paths), PF_Err_NONE);
        PF_PathID id = 0;
        PF_PathOutlinePtr path = nullptr;
        PF_Boolean open = 0;
        std::int32_t segments = 0;
        PF_PathVertex vertex{};
        PF_App_Color colour{};
        PF_Point mouse{};
        for (int round = 0; round < 2; ++round) {
            answers.insert(answers.end(), {query->PF_NumPaths(ref, nullptr),
                                           query->PF_PathInfo(ref, 0, &id),
                                           query->PF_CheckoutPath(ref, 1, 0, 1, 24, &path),
                                           query->PF_CheckinPath(ref, 1, 0, path),
                                           data->PF_PathIsOpen(ref, path, &open),
                                           data->PF_PathNumSegments(ref, path, &segments),
                                           data->PF_PathVertexInfo(ref, path, 0, &vertex),
                                           app->PF_SetCursor(2), app->PF_AppGetColor(0, &colour),
                                           app->PF_GetMouse(&mouse)});
        }
    });
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(paths, 0);
    EXPECT_EQ(answers, std::vector<PF_Err>(20, kBad));
    EXPECT_NE(err.find("PF_PathInfo: the layer has no masks, so there is no mask 0"),
              std::string::npos)
        << err;
    // The application suite's answers are told once each, the wrong requests every time.
    for (const char* function : {"PF_SetCursor", "PF_AppGetColor", "PF_GetMouse"}) {
        const std::string note =
            std::string("zel-render: ") + function + ": there is no cursor, mouse";
        EXPECT_NE(err.find(note), std::string::npos) << function;
        EXPECT_EQ(err.find(note), err.rfind(note)) << function;
    }
    EXPECT_NE(err.find("PF_PathVertexInfo"), err.rfind("PF_PathVertexInfo"));
}

}  // namespace
}  // namespace zelrender
