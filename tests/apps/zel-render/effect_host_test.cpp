// The host's side of the protocol against modules written in the test: the records and callbacks
// it hands over, what it makes of the answers, the frame commands, and the suites it lends.
#include <gtest/gtest.h>

#include <cstring>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/basic_suite.h"
#include "apps/zel-render/render_job.h"
#include "tests/apps/zel-render/fake_module.h"
#include "tests/support/text.h"

namespace zelrender {
namespace {

using namespace test;
using zel::test::contains;

TEST(EffectHost, TellsWhatAModuleSaysOnFailureOrSuccessAndSetDownStillFollows)
{
    const struct {
        PF_Cmd failing;
        PF_Err err;  // -1: the module throws
        bool display;
        const char* failure;  // what set-up throws
        const char* told;     // on stderr
    } cases[] = {
        {PF_Cmd_PARAMS_SETUP, PF_Interrupt_CANCEL, false,
         "PARAMS_SETUP failed with error 517: Not today", ""},
        {PF_Cmd_GLOBAL_SETUP, -1, false, "GLOBAL_SETUP failed: the module let an exception out",
         "zel-render: GLOBAL_SETDOWN failed with error 4\n"},
        {PF_Cmd_PARAMS_SETUP, PF_Err_NONE, true, "",
         "zel-render: warning from PARAMS_SETUP: Not today\n"},
    };
    for (const auto& c : cases) {
        FakeModule::received.clear();
        FakeModule::behaviour = [&c](PF_Cmd cmd, PF_InData&, PF_OutData& out) -> PF_Err {
            if (cmd != c.failing) {
                return cmd == PF_Cmd_GLOBAL_SETDOWN && c.err == -1 ? PF_Err_OUT_OF_MEMORY : 0;
            }
            if (c.err == -1) {
                throw std::runtime_error("module bug");
            }
            std::strcpy(out.return_msg, "Not today");
            out.out_flags |= c.display ? PF_OutFlag_DISPLAY_ERROR_MESSAGE : 0;
            return c.err;
        };
        testing::internal::CaptureStderr();
        EXPECT_EQ(session(), c.failure);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.told);
        EXPECT_EQ(FakeModule::received.back(), PF_Cmd_GLOBAL_SETDOWN);
    }
}

TEST(EffectHost, ParameterCountsMustAgreeAndGlobalDataPersists)
{
    std::vector<PF_Handle> seen;
    FakeModule::received.clear();
    FakeModule::behaviour = [&](PF_Cmd cmd, PF_InData& in, PF_OutData& out) {
        seen.push_back(in.global_data);
        PF_ParamDef def = sliderDef("Amount", 0, 1, 0);
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
    EXPECT_TRUE(seen[0] == nullptr && seen[1] != nullptr && seen[2] == seen[1]);
}

// The module is handed the records of a compositing host, whose callbacks answer errors to bad
// requests instead of crashing.
TEST(EffectHost, HandsTheRecordsOfACompositingHostWithCallbacksThatRefuseBadRequests)
{
    std::vector<PF_Err> answers;
    PF_InData kept{};
    onCommand(PF_Cmd_PARAMS_SETUP, [&](PF_InData& in, PF_OutData& out) {
        kept = in;
        EXPECT_EQ(std::tuple(in.appl_id, in.quality, in.width, in.height, in.extent_hint.right,
                             in.downsample_x.den, in.time_scale / in.time_step,
                             in.total_time / in.time_scale),
                  std::tuple(PF_APPL_ID_COMPOSITOR, PF_Quality_HI, 1920, 1080, 1920, 1u, 24u, 10u));
        EXPECT_GE(in.version.major * 100 + in.version.minor, 1212);
        const PF_ANSICallbacks& a = in.utils->ansi;
        // Each C library function sits in its own slot: no two give the same answers here.
        constexpr double pi = std::numbers::pi;
        const double results[] = {a.sqrt(16),  a.floor(2.5),  a.exp(1),  a.atan2(1, 1),
                                  a.fabs(-3),  a.sin(pi / 2), a.cos(pi), a.fmod(7.5, 2),
                                  a.pow(2, 3), a.ceil(2.5),   a.log(1)};
        EXPECT_EQ(std::vector(std::begin(results), std::end(results)),
                  (std::vector<double>{4, 2, std::numbers::e, pi / 4, 3, 1, -1, 1.5, 8, 3, 0}));
        char text[8] = {};
        char copy[8] = {};
        a.sprintf(text, "%d-%s", 42, "x");
        EXPECT_STREQ(a.strcpy(copy, text), "42-x");
        const PF_InteractCallbacks& cb = in.inter;
        PF_ParamDef def = sliderDef("Amount", 0, 10, 3);
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
        EXPECT_EQ(got.u.fs_d.value, 3);
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
        EXPECT_TRUE(contains(err, std::string("zel-render: ") + reason + "\n")) << reason << err;
    }
    // Between commands no effect is running, so nothing answers to its reference.
    PF_ParamDef late{};
    EXPECT_EQ(kept.inter.checkout_param(kept.effect_ref, 0, 0, 1, 24, &late), kBad);
}

// One frame, frame 3 of a 40 x 20 composition at 16 bits rendered at 1/2: a 20 x 10 layer. Returns
// what render() threw, or ""; `delivered` gets the size of the world handed over and its first
// pixel's blue.
std::string renderFrame(EffectHost::RenderPath path, std::vector<std::int32_t>& delivered)
{
    Composition c;
    c.width = 40;
    c.height = 20;
    c.downsampleX = c.downsampleY = {1, 2};
    c.bitsPerChannel = 16;
    Host h(c);
    h.host.setUp();
    std::string failure;
    try {
        h.host.render(3, path, [&](const WorldView& world) {
            const auto* first = reinterpret_cast<const PF_Pixel16*>(world.data);
            delivered = {world.width, world.height, first->blue};
        });
    } catch (const CommandFailed& e) {
        failure = e.what();
    }
    h.host.setDown();
    EXPECT_EQ(h.host.worlds().size(), 0u);  // the host's worlds are gone, however the frame ended
    return failure;
}

TEST(FrameCommands, SmartRenderHandsOutTheInputByCheckoutIdAndAnOutputOfTheAnswersSize)
{
    std::vector<PF_Err> answers;
    FakeModule::received.clear();
    FakeModule::behaviour = [&](PF_Cmd cmd, PF_InData& in, PF_OutData&) {
        if (cmd == PF_Cmd_SMART_PRE_RENDER) {
            auto* extra = static_cast<PF_PreRenderExtra*>(FakeModule::extra);
            const PF_RenderRequest& request = extra->input->output_request;
            EXPECT_EQ(std::tuple(request.rect.right, request.rect.bottom, extra->input->bitdepth,
                                 in.current_time),
                      std::tuple(20, 10, 16, 3 * in.time_step));
            PF_CheckoutResult result{};
            answers.push_back(extra->cb->checkout_layer(in.effect_ref, 0, 7, &request,
                                                        in.current_time, in.time_step,
                                                        in.time_scale, &result));
            EXPECT_EQ(std::tuple(result.result_rect.right, result.ref_width, result.ref_height),
                      std::tuple(20, 40, 20));
            answers.push_back(extra->cb->checkout_layer(in.effect_ref, 1, 8, &request, 0, 1, 24,
                                                        &result));
            extra->output->result_rect = {2, 1, 14, 9};
        }
        if (cmd == PF_Cmd_SMART_RENDER) {
            auto* extra = static_cast<PF_SmartRenderExtra*>(FakeModule::extra);
            PF_EffectWorld stale{};
            PF_EffectWorld* input = nullptr;
            PF_EffectWorld* unknown = &stale;  // a refusal must not leave it pointing anywhere
            PF_EffectWorld* output = nullptr;
            answers.push_back(extra->cb->checkout_layer_pixels(in.effect_ref, 7, &input));
            answers.push_back(extra->cb->checkout_layer_pixels(in.effect_ref, 8, &unknown));
            answers.push_back(extra->cb->checkout_output(in.effect_ref, &output));
            answers.push_back(extra->cb->checkin_layer_pixels(in.effect_ref, 7));
            EXPECT_EQ(unknown, nullptr);
            EXPECT_EQ(std::tuple(input->width, input->height, input->world_flags & PF_WorldFlag_DEEP),
                      std::tuple(20, 10, PF_WorldFlag_DEEP));
            EXPECT_EQ(std::pair(output->origin_x, output->origin_y), std::pair(2, 1));
            static_cast<PF_Pixel16*>(output->data)->blue = 3;  // shows which world was delivered
        }
        return PF_Err{PF_Err_NONE};
    };
    std::vector<std::int32_t> delivered;
    EXPECT_EQ(renderFrame(EffectHost::RenderPath::Smart, delivered), "");
    EXPECT_EQ(answers, (std::vector<PF_Err>{PF_Err_NONE, kBad, PF_Err_NONE, kBad, PF_Err_NONE,
                                            PF_Err_NONE}));
    EXPECT_EQ(delivered, (std::vector<std::int32_t>{12, 8, 3}));
}

// A module that fails a frame is told by zel-render's own runs; this answer leaves no pixels.
TEST(FrameCommands, AnAnswerWithoutPixelsIsToldAndNothingDelivered)
{
    onCommand(PF_Cmd_SMART_PRE_RENDER, [](PF_InData&, PF_OutData&) {
        static_cast<PF_PreRenderExtra*>(FakeModule::extra)->output->result_rect = {5, 0, 5, 10};
    });
    std::vector<std::int32_t> delivered;
    EXPECT_EQ(renderFrame(EffectHost::RenderPath::Smart, delivered),
              "SMART_PRE_RENDER answered the result rectangle {5, 0, 5, 10} (left, top, right, "
              "bottom); the output world takes 1 to 30000 pixels each way");
    EXPECT_TRUE(delivered.empty());
    EXPECT_EQ(FakeModule::received.back(), PF_Cmd_GLOBAL_SETDOWN);
}

// Frame 2 at 1/3 of 900 x 600, which the driver refuses to allocate: the module's words say
// nothing of the size, which is the cause.
TEST(FrameCommands, AFrameTheDriverCannotAllocateIsToldWithItsSize)
{
    FakeModule::behaviour = [](PF_Cmd cmd, PF_InData&, PF_OutData& out) -> PF_Err {
        if (cmd != PF_Cmd_RENDER) {
            return PF_Err_NONE;
        }
        std::strcpy(out.return_msg, "ZEL: OpenGL error: glCheckFramebufferStatusEXT failed");
        out.out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    };
    Composition c;
    c.width = 900;
    c.height = 600;
    c.downsampleX = c.downsampleY = {1, 3};
    Host h(c);
    h.host.setUp();
    EXPECT_THROW(
        try {
            renderScene(h.host, Scene{}, EffectHost::RenderPath::Classic, {2, 2, 1},
                        [](std::int32_t, const WorldView&, const std::string&) {});
        } catch (const CommandFailed& e) {
            EXPECT_EQ(std::string(e.what()),
                      "frame 2: RENDER failed with error 512: ZEL: OpenGL error: "
                      "glCheckFramebufferStatusEXT failed; this machine's OpenGL driver cannot "
                      "hold a frame of 300 x 200 pixels: choose a smaller size, or render at 1/N "
                      "of it with --downsample N");
            throw;
        },
        CommandFailed);
    h.host.setDown();
}

TEST(BasicSuite, HandsOutOnlyWhatItOffersAndCountsWhatIsHeld)
{
    constexpr int kTable = 7;  // stands for a suite's table
    BasicSuite basic;
    EXPECT_THROW(BasicSuite second, std::logic_error);  // the table's functions reach one only
    basic.add({"Test Suite", 2}, &kTable);
    SPBasicSuite* sp = basic.table();
    const void* suite = &kTable;
    const void* wrong = &kTable;  // a refusal leaves no table behind
    EXPECT_EQ((std::vector<SPErr>{sp->AcquireSuite("Test Suite", 1, &wrong),
                                  sp->AcquireSuite(nullptr, 2, &suite),
                                  sp->AcquireSuite("Test Suite", 2, nullptr)}),
              std::vector<SPErr>(3, kSPSuiteNotFoundError));
    EXPECT_TRUE(wrong == nullptr && basic.held().empty());
    EXPECT_EQ(sp->AcquireSuite("Test Suite", 2, &suite), kSPNoError);
    EXPECT_EQ(suite, &kTable);
    sp->AcquireSuite("Test Suite", 2, &suite);
    EXPECT_EQ(basic.held(), (std::vector<SuiteName>{{"Test Suite", 2}, {"Test Suite", 2}}));
    EXPECT_EQ((std::vector<SPErr>{sp->ReleaseSuite("Test Suite", 2), sp->ReleaseSuite("Test Suite", 2),
                                  sp->ReleaseSuite("Test Suite", 2)}),
              (std::vector<SPErr>{kSPNoError, kSPNoError, kSPSuiteNotFoundError}));
    EXPECT_TRUE(basic.held().empty());
    EXPECT_EQ(basic.acquisitions(), 2);
}

}  // namespace
}  // namespace zelrender
