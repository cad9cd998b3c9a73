// The host's side of the protocol, against modules written in the test.
#include <gtest/gtest.h>

#include <cstring>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "apps/zel-render/effect_host.h"
#include "tests/apps/zel-render/fake_module.h"
#include "tests/apps/zel-render/param_defs.h"

namespace zelrender {
namespace {

using test::FakeModule;

const std::vector<PF_Cmd> kWholeSession = {PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP,
                                           PF_Cmd_GLOBAL_SETDOWN};
constexpr PF_Err kBad = PF_Err_BAD_CALLBACK_PARAM;

template <typename... Callback>
std::vector<bool> present(Callback... callbacks)
{
    return {(callbacks != nullptr)...};
}

// Runs set-up and set-down against FakeModule; returns what set-up threw, or "".
std::string session()
{
    const ModuleOutput output = ModuleOutput::toStderr();
    EffectHost host(FakeModule::entry, Composition{}, output);
    try {
        host.setUp();
    } catch (const CommandFailed& e) {
        return e.what();
    }
    host.setDown();
    return "";
}

// Runs `during` at PARAMS_SETUP, which registers nothing unless `during` does, and answers
// every command with success.
void atParamsSetUp(std::function<void(PF_InData&, PF_OutData&)> during)
{
    FakeModule::reset();
    FakeModule::behaviour = [during](PF_Cmd cmd, PF_InData& in, PF_OutData& out) {
        if (cmd == PF_Cmd_PARAMS_SETUP) {
            out.num_params = 1;
            during(in, out);
        }
        return PF_Err{PF_Err_NONE};
    };
}

TEST(EffectHost, HandsTheModuleTheRecordsOfACompositingHostWithEveryCallback)
{
    atParamsSetUp([](PF_InData& in, PF_OutData&) {
        EXPECT_EQ(in.appl_id, PF_APPL_ID_COMPOSITOR);
        EXPECT_GE(in.version.major * 100 + in.version.minor, 1212);
        EXPECT_EQ(in.quality, PF_Quality_HI);
        EXPECT_EQ(in.width, 1920);
        EXPECT_EQ(in.height, 1080);
        EXPECT_EQ(in.extent_hint.right, 1920);
        EXPECT_EQ(in.downsample_x.den, 1u);
        EXPECT_EQ(in.time_scale / static_cast<std::uint32_t>(in.time_step), 24u);
        EXPECT_EQ(in.total_time, 10 * static_cast<std::int32_t>(in.time_scale));
        EXPECT_NE(in.pica_basicP, nullptr);

        const PF_InteractCallbacks& i = in.inter;
        const PF_UtilCallbacks& u = *in.utils;
        const PF_ANSICallbacks& a = u.ansi;
        EXPECT_EQ(present(i.checkout_param, i.checkin_param, i.add_param, i.abort, i.progress,
                          a.sqrt, a.floor, a.exp, a.atan2, a.fabs, a.sin, a.cos, a.fmod, a.pow,
                          a.ceil, a.log, a.sprintf, a.strcpy, u.fill, u.copy, u.new_world,
                          u.dispose_world, u.get_pixel_data8, u.get_pixel_data16, u.transfer_rect,
                          u.transform_world, u.host_new_handle, u.host_lock_handle,
                          u.host_unlock_handle, u.host_dispose_handle),
                  std::vector<bool>(30, true));
        // Each C library function sits in its own slot: no two give the same answers here.
        constexpr double pi = std::numbers::pi;
        const double got[] = {a.sqrt(16),  a.floor(2.5),  a.exp(1),  a.atan2(1, 1),
                              a.fabs(-3),  a.sin(pi / 2), a.cos(pi), a.fmod(7.5, 2),
                              a.pow(2, 3), a.ceil(2.5),   a.log(1)};
        const double expected[] = {4, 2, std::numbers::e, pi / 4, 3, 1, -1, 1.5, 8, 3, 0};
        for (std::size_t k = 0; k < std::size(got); ++k) {
            EXPECT_DOUBLE_EQ(got[k], expected[k]) << "function " << k;
        }
        char text[8] = {};
        char copy[8] = {};
        a.sprintf(text, "%d-%s", 42, "x");
        EXPECT_STREQ(a.strcpy(copy, text), "42-x");
    });
    EXPECT_EQ(session(), "");
    EXPECT_EQ(FakeModule::received, kWholeSession);
}

TEST(EffectHost, AFailedCommandIsNamedWithTheModulesMessageAndSetDownStillFollows)
{
    FakeModule::reset();
    FakeModule::behaviour = [](PF_Cmd cmd, PF_InData&, PF_OutData& out) {
        std::strcpy(out.return_msg, "Not today");
        return PF_Err{cmd == PF_Cmd_PARAMS_SETUP ? PF_Interrupt_CANCEL : PF_Err_NONE};
    };
    EXPECT_EQ(session(), "PARAMS_SETUP failed with error 517: Not today");
    EXPECT_EQ(FakeModule::received, kWholeSession);

    FakeModule::reset();
    FakeModule::behaviour = [](PF_Cmd cmd, PF_InData&, PF_OutData&) -> PF_Err {
        if (cmd == PF_Cmd_GLOBAL_SETUP) {
            throw std::runtime_error("module bug");
        }
        return cmd == PF_Cmd_GLOBAL_SETDOWN ? PF_Err_OUT_OF_MEMORY : PF_Err_NONE;
    };
    testing::internal::CaptureStderr();
    EXPECT_EQ(session(), "GLOBAL_SETUP failed: the module let an exception out");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "zel-render: GLOBAL_SETDOWN failed with error 4\n");
    EXPECT_EQ(FakeModule::received,
              (std::vector<PF_Cmd>{PF_Cmd_GLOBAL_SETUP, PF_Cmd_GLOBAL_SETDOWN}));
}

TEST(EffectHost, ParameterCountsMustAgreeAndGlobalDataPersists)
{
    std::vector<PF_Handle> seen;
    FakeModule::reset();
    FakeModule::behaviour = [&](PF_Cmd cmd, PF_InData& in, PF_OutData& out) {
        seen.push_back(in.global_data);
        PF_ParamDef def = test::floatSliderDef("Amount", 0, 1, 0, 1, 0);
        if (cmd == PF_Cmd_GLOBAL_SETUP) {
            out.global_data = in.utils->host_new_handle(16);
            EXPECT_EQ(in.inter.add_param(in.effect_ref, -1, &def), kBad);  // not registering yet
        }
        if (cmd == PF_Cmd_PARAMS_SETUP) {
            in.inter.add_param(in.effect_ref, -1, &def);
            in.inter.add_param(in.effect_ref, -1, &def);
            out.num_params = 2;
        }
        if (cmd == PF_Cmd_GLOBAL_SETDOWN) {
            in.utils->host_dispose_handle(in.global_data);
        }
        return PF_Err{PF_Err_NONE};
    };
    EXPECT_EQ(session(), "PARAMS_SETUP added 2 parameters but reports num_params 2 (expected 3, "
                         "the input layer included)");
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], nullptr);
    EXPECT_NE(seen[1], nullptr);
    EXPECT_EQ(seen[2], seen[1]);
}

TEST(EffectHost, CallbacksAnswerErrorsToBadRequestsInsteadOfCrashing)
{
    std::vector<PF_Err> answers;
    PF_InData kept{};
    atParamsSetUp([&](PF_InData& in, PF_OutData& out) {
        kept = in;
        const PF_InteractCallbacks& cb = in.inter;
        PF_ParamDef def = test::floatSliderDef("Amount", 0, 10, 0, 1, 3);
        PF_ParamDef got{};
        answers = {
            cb.add_param(in.effect_ref, -1, &def),
            cb.add_param(in.effect_ref, -1, nullptr),
            cb.add_param(in.effect_ref, 7, &def),
            cb.checkout_param(in.effect_ref, 1, 0, 1, 24, &got),
            cb.checkin_param(in.effect_ref, &got),
            cb.checkout_param(in.effect_ref, 2, 0, 1, 24, &got),
            cb.checkout_param(in.effect_ref, -1, 0, 1, 24, &got),
            cb.checkout_param(in.effect_ref, 1, 0, 1, 0, &got),
            cb.checkout_param(in.effect_ref, 1, 0, 1, 24, nullptr),
            cb.checkout_param(nullptr, 1, 0, 1, 24, &got),
            cb.abort(in.effect_ref),
            cb.progress(in.effect_ref, 1, 2),
            in.utils->fill(in.effect_ref, nullptr, nullptr, nullptr),
            in.utils->get_pixel_data8(nullptr, nullptr, nullptr),
        };
        EXPECT_DOUBLE_EQ(got.u.fs_d.value, 3);
        out.num_params = 2;
    });
    testing::internal::CaptureStderr();
    EXPECT_EQ(session(), "");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answers, (std::vector<PF_Err>{0, kBad, kBad, 0, 0, kBad, kBad, kBad, kBad, kBad, 0, 0,
                                            kBad, kBad}));
    // Each refusal says which callback refused what.
    for (const char* reason : {"add_param: the definition is null",
                               "checkout_param: effect_ref is not the effect this host is running",
                               "fill: the world is null",
                               "get_pixel_data8: the pointer to fill is null"}) {
        EXPECT_NE(err.find(std::string("zel-render: ") + reason + "\n"), std::string::npos)
            << reason << " in " << err;
    }

    // Between commands no effect is running, so nothing answers to its reference.
    PF_ParamDef late{};
    EXPECT_EQ(kept.inter.checkout_param(kept.effect_ref, 0, 0, 1, 24, &late), kBad);
}

TEST(EffectHost, AMessageShownOnSuccessBecomesAWarning)
{
    atParamsSetUp([](PF_InData&, PF_OutData& out) {
        std::strcpy(out.return_msg, "Low on video memory");
        out.out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    });
    testing::internal::CaptureStderr();
    EXPECT_EQ(session(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "zel-render: warning from PARAMS_SETUP: Low on video memory\n");
}

}  // namespace
}  // namespace zelrender
