// The module as a host sees it: one exported entry function (and the occlusion kernel), the
// routing of each command to its handler, and the smart-render protocol.
#include "plugin/entry/command_dispatch.h"
#include "plugin/entry/smart_render.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

using Strings = std::vector<std::string>;

TEST(ModuleExports, OnlyTheEntryPointAndTheKernelAreExportedAndTheEntryPointAnswers)
{
    std::string symbols;
    FILE* nm = popen("nm -D --defined-only --just-symbols '" ZEL_MODULE_PATH "'", "r");
    for (int c; nm != nullptr && (c = std::fgetc(nm)) != EOF;) {
        symbols += char(c);
    }
    EXPECT_EQ(nm != nullptr ? pclose(nm) : -1, 0);
    EXPECT_EQ(symbols, "EntryPointFunc\nSSAOSamplePattern\n");

    void* module = dlopen(ZEL_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    const auto entry = reinterpret_cast<PF_EntryPointFunc>(dlsym(module, PF_ENTRY_POINT_NAME));
    PF_InData in{};
    PF_OutData out{};
    EXPECT_EQ(entry != nullptr ? entry(2, &in, &out, nullptr, nullptr, nullptr) : -1, PF_Err_NONE);
    dlclose(module);
}

// What the handlers ran; each answers 77, or throws a standard exception (1) or an integer (2).
Strings gRan;
int gThrow = 0;

PF_Err ran(const std::string& what)
{
    gRan.push_back(what);
    return gThrow == 1 ? throw std::runtime_error(what) : gThrow == 2 ? throw 516 : 77;
}

template <const char* Name>
PF_Err handler(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*)
{
    return ran(Name);
}
constexpr char kAbout[] = "about", kSetup[] = "setup", kSetdown[] = "setdown", kParams[] = "params";

constexpr CommandHandlers kRecording = {
    .about = handler<kAbout>,
    .globalSetup = handler<kSetup>,
    .globalSetdown = handler<kSetdown>,
    .paramsSetup = handler<kParams>,
    .updateECW = [](PF_InData*, PF_OutData*, PF_ParamDef**, unsigned char flag,
                    PF_UserChangedParamExtra*) { ran(test::words("update", int(flag))); },
    .smartPreRender = [](PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*,
                         PF_PreRenderExtra*) { return ran("prerender"); },
    .render = [](PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*,
                 PluginHost_API* host) { return ran(host != nullptr ? "render by a host" : "render"); },
};

PF_Err send(test::RecordingHost& host, PF_Cmd cmd, const CommandHandlers& handlers)
{
    static PF_UserChangedParamExtra changed{36};
    void* extra = cmd == PF_Cmd_SMART_RENDER       ? static_cast<void*>(&host.smartExtra)
                  : cmd == PF_Cmd_SMART_PRE_RENDER ? static_cast<void*>(&host.preRenderExtra)
                                                   : static_cast<void*>(&changed);
    return dispatchCommand(handlers, cmd, {&host.in_data, &host.out_data, host.params(), &host.output, extra});
}

TEST(CommandDispatch, EachCommandReachesItsHandlerAndAnswersAsTheTableSaysEvenWhenItThrows)
{
    const struct {
        PF_Cmd cmd;
        const char* ran;
        PF_Err result;  // with every handler answering 77
    } rows[] = {
        {PF_Cmd_ABOUT, "about", PF_Err_NONE},  // the about box never fails the command
        {PF_Cmd_GLOBAL_SETUP, "setup", 77},
        {PF_Cmd_GLOBAL_SETDOWN, "setdown", 77},
        {PF_Cmd_PARAMS_SETUP, "params", 77},
        {PF_Cmd_RENDER, "render by a host", 77},
        {PF_Cmd_USER_CHANGED_PARAM, "update 1", PF_Err_NONE},
        {PF_Cmd_UPDATE_PARAMS_UI, "update 0", PF_Err_NONE},
        {PF_Cmd_SMART_PRE_RENDER, "prerender", 77},
        {PF_Cmd_SMART_RENDER, "render by a host", 77},
    };
    for (const auto& r : rows) {
        test::RecordingHost host;
        gRan.clear();
        gThrow = 0;
        EXPECT_EQ(send(host, r.cmd, kRecording), r.result) << r.ran;
        EXPECT_EQ(gRan, Strings{r.ran});
        EXPECT_EQ(send(host, r.cmd, CommandHandlers{}), PF_Err_NONE) << "a handler not written yet";
        for (gThrow = 1; gThrow <= 2; ++gThrow) {
            host.log.clear();
            EXPECT_EQ(send(host, r.cmd, kRecording), PF_Err_INTERNAL_STRUCT_DAMAGED) << r.ran;
        }
        if (r.ran == std::string("render by a host")) {  // whose suites go back on the way out
            EXPECT_EQ(host.entries("release"), (Strings{"release PF World Suite 2", "release PF ColorParamSuite 1"}));
        }
    }
    test::RecordingHost host;  // commands outside the table reach nothing and answer 0
    gRan.clear();
    for (PF_Cmd cmd : {-1, 2, 5, 10, 12, 15, 22, 25, 0x7fffffff}) {
        EXPECT_EQ(send(host, cmd, kRecording), PF_Err_NONE) << "command " << cmd;
    }
    EXPECT_EQ((std::tuple{gRan.size(), host.log.size()}), (std::tuple{0u, 0u}));
}

TEST(SmartPreRender, AnswersTheWholeDownsampledFrameTruncatedAndAsksForTheInputAsAFullFrame)
{
    const struct {
        PF_RationalScale x, y;
        std::array<int, 4> frame;
        PF_Err checkoutError;  // returned, and the answer is written all the same
    } rows[] = {{{1, 2}, {1, 2}, {0, 0, 960, 540}, PF_Err_NONE}, {{1, 3}, {2, 3}, {0, 0, 640, 720}, 9}};
    for (const auto& r : rows) {
        test::RecordingHost host;
        host.in_data.downsample_x = r.x;
        host.in_data.downsample_y = r.y;
        host.in_data.width = 1921;  // a third of it is 640.33
        host.layerCheckoutError = r.checkoutError;
        host.preRenderInput.output_request = {{10, 20, 30, 40}, PF_Field_UPPER, PF_ChannelMask_RED, 0};
        EXPECT_EQ(SmartPreRender(&host.in_data, &host.out_data, nullptr, nullptr, &host.preRenderExtra),
                  r.checkoutError);
        const PF_PreRenderOutput& out = host.preRenderOutput;
        for (const PF_Rect& rect : {out.result_rect, out.max_result_rect}) {
            EXPECT_EQ((std::array{rect.left, rect.top, rect.right, rect.bottom}), r.frame);
        }
        EXPECT_EQ((std::tuple{out.solid, out.flags}), (std::tuple{0, PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS}));
        EXPECT_EQ(host.log, Strings{"checkout layer 0 id 0 at 48"});
        const PF_RenderRequest& sent = host.layerRequests.at(0);
        EXPECT_EQ((std::tuple{sent.field, sent.preserve_rgb_of_zero_alpha, sent.rect.left, sent.rect.bottom,
                              sent.channel_mask}),
                  (std::tuple{PF_Field_FRAME, 1, 10, 40, PF_ChannelMask_RED}));
    }
}

// What the renderer saw: the input's type and world, the output, and parameters 1 to 114. It
// throws when parameter 1 is negative.
Strings gSeen;

PF_Err recordingRender(PF_InData*, PF_OutData*, PF_ParamDef** params, PF_LayerDef* output, void*, PluginHost_API*)
{
    gSeen = {test::words(params[0]->param_type, params[0]->u.ld.width, params[0]->u.ld.rowbytes, output->rowbytes)};
    for (int i = 1; i < 115; ++i) {
        gSeen.push_back(test::words("value", params[i]->u.fs_d.value));
    }
    test::RecordingHost::current().note("render");
    return params[1]->u.fs_d.value < 0 ? throw std::runtime_error("render failed") : 5;
}

// "<what> first" to "<what> last", each followed by `after`.
Strings range(const std::string& what, int first, int last, const std::string& after = "")
{
    Strings entries;
    for (int i = first; i <= last; ++i) {
        entries.push_back(test::words(what, i) + after);
    }
    return entries;
}

Strings operator+(Strings a, const Strings& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(SmartRender, TheRendererSeesTheInputAndEveryParameterWhichGoBackInOrderOnceOnEveryPath)
{
    const Strings releases = {"release PF World Suite 2", "release PF ColorParamSuite 1"};
    for (bool throws : {false, true}) {
        test::RecordingHost host;
        for (int i = 1; i < 115; ++i) {
            host.param(i).u.fs_d.value = throws ? -i : i;
        }
        host.inputWorld.width = 640;
        host.inputWorld.rowbytes = 2568;
        host.outputWorld.rowbytes = 1234;
        try {
            EXPECT_EQ(SmartRender(recordingRender, &host.in_data, &host.out_data, &host.smartExtra), 5);
            EXPECT_EQ(gSeen, (Strings{test::words(PF_Param_LAYER, 640, 2568, 1234)} + range("value", 1, 114)));
        } catch (const std::runtime_error&) {
            EXPECT_TRUE(throws);
        }
        const Strings checkouts = range("checkout", 1, 114, " at 48 step 1 scale 24");
        EXPECT_EQ(host.entries("checkout"), (checkouts + Strings{"checkout input 0", "checkout output"}));
        // The parameters go back before the host object's suites, and after them on a throw's way out.
        EXPECT_EQ(Strings(host.log.end() - 117, host.log.end()),
                  throws ? Strings{"render"} + releases + range("checkin", 1, 114)
                         : Strings{"render"} + range("checkin", 1, 114) + releases);
    }
}

TEST(SmartRender, AFailedCheckoutOrAMissingWorldReturnsWhatWasCheckedOutAndSkipsTheRender)
{
    const struct {
        int failCheckoutAt;
        PF_Err inputError, outputError;
        bool inputNull, outputNull;
        PF_Err result;
        int checkedIn;  // parameters 1 to this one
        const char* message;
    } rows[] = {
        {50, PF_Err_NONE, PF_Err_NONE, false, false, 44, 49, ""},
        {-1, 21, PF_Err_NONE, false, false, 21, 114, ""},
        {-1, PF_Err_NONE, 22, false, false, 22, 114, ""},
        {-1, PF_Err_NONE, PF_Err_NONE, true, false, PF_Err_BAD_CALLBACK_PARAM, 114,
         "ZEL: The host provided no input layer for the frame."},
        {-1, PF_Err_NONE, PF_Err_NONE, false, true, PF_Err_BAD_CALLBACK_PARAM, 114,
         "ZEL: The host provided no output buffer for the frame."},
    };
    for (const auto& r : rows) {
        test::RecordingHost host;
        host.failCheckoutAt = r.failCheckoutAt;
        host.inputError = r.inputError;
        host.outputError = r.outputError;
        host.inputAnswer = r.inputNull ? nullptr : host.inputAnswer;
        host.outputAnswer = r.outputNull ? nullptr : host.outputAnswer;
        EXPECT_EQ(SmartRender(recordingRender, &host.in_data, &host.out_data, &host.smartExtra), r.result);
        EXPECT_EQ(host.entries({"render", "acquire"}), Strings{}) << "no render, no host object";
        EXPECT_EQ(host.entries("checkin"), range("checkin", 1, r.checkedIn));
        EXPECT_STREQ(host.out_data.return_msg, r.message);
        EXPECT_EQ(host.out_data.out_flags, *r.message != '\0' ? PF_OutFlag_DISPLAY_ERROR_MESSAGE : 0);
    }
    test::RecordingHost host;  // a host without the smart callbacks is refused before any checkout
    host.smartCallbacks.checkout_output = nullptr;
    for (PF_SmartRenderExtra* extra : {&host.smartExtra, static_cast<PF_SmartRenderExtra*>(nullptr)}) {
        EXPECT_EQ(SmartRender(recordingRender, &host.in_data, &host.out_data, extra), PF_Err_BAD_CALLBACK_PARAM);
    }
    EXPECT_TRUE(host.log.empty());
}

}  // namespace
}  // namespace zel
