#include "plugin/entry/command_dispatch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

// What the handlers saw; they answer 77 or throw when `thrown` is set.
struct Calls {
    std::vector<std::string> ran;
    int updateFlag = -1;
    bool hostGiven = false;
    int thrown = 0;  // 0: none, 1: a standard exception, 2: a bare integer
};
Calls gCalls;

PF_Err ran(const char* name)
{
    gCalls.ran.emplace_back(name);
    if (gCalls.thrown == 1) {
        throw std::runtime_error("handler failed");
    }
    if (gCalls.thrown == 2) {
        throw 516;
    }
    return 77;
}

template <const char* Name>
PF_Err handler(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*)
{
    return ran(Name);
}

constexpr char kAbout[] = "about", kSetup[] = "setup", kSetdown[] = "setdown", kParams[] = "params";

CommandHandlers recordingHandlers()
{
    CommandHandlers h;
    h.about = handler<kAbout>;
    h.globalSetup = handler<kSetup>;
    h.globalSetdown = handler<kSetdown>;
    h.paramsSetup = handler<kParams>;
    h.updateECW = [](PF_InData*, PF_OutData*, PF_ParamDef**, unsigned char flag, PF_UserChangedParamExtra*) {
        gCalls.updateFlag = flag;
        ran("update");
    };
    h.smartPreRender = [](PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, PF_PreRenderExtra*) {
        return ran("prerender");
    };
    h.render = [](PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*, PluginHost_API* host) {
        gCalls.hostGiven = host != nullptr;
        return ran("render");
    };
    return h;
}

const PF_Cmd kHandled[] = {PF_Cmd_ABOUT, PF_Cmd_GLOBAL_SETUP, PF_Cmd_GLOBAL_SETDOWN, PF_Cmd_PARAMS_SETUP,
                           PF_Cmd_RENDER, PF_Cmd_USER_CHANGED_PARAM, PF_Cmd_UPDATE_PARAMS_UI,
                           PF_Cmd_SMART_PRE_RENDER, PF_Cmd_SMART_RENDER};

class CommandDispatch : public ::testing::Test {
protected:
    void SetUp() override { gCalls = Calls{}; }

    PF_Err send(PF_Cmd cmd, const CommandHandlers& handlers)
    {
        void* extra = cmd == PF_Cmd_SMART_RENDER       ? static_cast<void*>(&host.smartExtra)
                      : cmd == PF_Cmd_SMART_PRE_RENDER ? static_cast<void*>(&host.preRenderExtra)
                      : cmd == PF_Cmd_USER_CHANGED_PARAM ? static_cast<void*>(&changed)
                                                         : nullptr;
        return dispatchCommand(handlers, cmd, {&host.in_data, &host.out_data, params, &output, extra});
    }

    test::RecordingHost host;
    PF_ParamDef* params[1] = {};
    PF_LayerDef output{};
    PF_UserChangedParamExtra changed{36};
};

TEST_F(CommandDispatch, EachCommandReachesItsHandlerAndAnswersAsTheTableSays)
{
    const struct {
        PF_Cmd cmd;
        const char* handler;
        PF_Err result;    // with every handler answering 77
        int updateFlag;   // -1: the update handler does not run
        bool hostGiven;
    } table[] = {
        {PF_Cmd_ABOUT, "about", PF_Err_NONE, -1, false},  // the about box never fails the command
        {PF_Cmd_GLOBAL_SETUP, "setup", 77, -1, false},
        {PF_Cmd_GLOBAL_SETDOWN, "setdown", 77, -1, false},
        {PF_Cmd_PARAMS_SETUP, "params", 77, -1, false},
        {PF_Cmd_RENDER, "render", 77, -1, true},
        {PF_Cmd_USER_CHANGED_PARAM, "update", PF_Err_NONE, 1, false},
        {PF_Cmd_UPDATE_PARAMS_UI, "update", PF_Err_NONE, 0, false},
        {PF_Cmd_SMART_PRE_RENDER, "prerender", 77, -1, false},
        {PF_Cmd_SMART_RENDER, "render", 77, -1, true},
    };
    for (const auto& e : table) {
        gCalls = Calls{};
        SCOPED_TRACE("command " + std::to_string(e.cmd));
        EXPECT_EQ(send(e.cmd, recordingHandlers()), e.result);
        EXPECT_EQ(gCalls.ran, std::vector<std::string>{e.handler});
        EXPECT_EQ(gCalls.updateFlag, e.updateFlag);
        EXPECT_EQ(gCalls.hostGiven, e.hostGiven);
    }
}

TEST_F(CommandDispatch, CommandsOutsideTheTableTouchNothingAndAnswerZero)
{
    const PF_InData inBefore = host.in_data;
    const PF_OutData outBefore = host.out_data;
    for (PF_Cmd cmd : {-1, 2, 5, 6, 7, 8, 9, 10, 12, 15, 16, 17, 18, 19, 20, 21, 22, 25, 26, 100, 0x7fffffff}) {
        SCOPED_TRACE("command " + std::to_string(cmd));
        EXPECT_EQ(send(cmd, recordingHandlers()), PF_Err_NONE);
    }
    EXPECT_TRUE(gCalls.ran.empty());
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(std::memcmp(&inBefore, &host.in_data, sizeof inBefore), 0);
    EXPECT_EQ(std::memcmp(&outBefore, &host.out_data, sizeof outBefore), 0);
}

TEST_F(CommandDispatch, MissingHandlersAnswerZeroAndAnyExceptionBecomesTheInternalErrorCode)
{
    for (PF_Cmd cmd : kHandled) {
        SCOPED_TRACE("command " + std::to_string(cmd));
        EXPECT_EQ(send(cmd, CommandHandlers{}), PF_Err_NONE);
        for (int kind : {1, 2}) {
            gCalls.thrown = kind;
            EXPECT_EQ(send(cmd, recordingHandlers()), PF_Err_INTERNAL_STRUCT_DAMAGED) << "exception kind " << kind;
        }
    }
}

TEST_F(CommandDispatch, HostObjectGivesItsSuitesBackWhenTheRendererThrows)
{
    host.offerSuite("PF World Suite", 2);
    host.offerSuite("PF ColorParamSuite", 1);
    gCalls.thrown = 1;
    EXPECT_EQ(send(PF_Cmd_RENDER, recordingHandlers()), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(host.entries("release"),
              (std::vector<std::string>{"release PF World Suite 2", "release PF ColorParamSuite 1"}));
}

}  // namespace
}  // namespace zel
