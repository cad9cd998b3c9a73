// The commands this host sends, with the names its messages give them.
#pragma once

#include <cstddef>
#include <string_view>

#include "sdk/pf_effect.h"

namespace zelrender {

enum class Command {
    GlobalSetup,
    ParamsSetup,
    UpdateParamsUi,
    GlobalSetdown,
    About,
    SmartPreRender,
    SmartRender,
    Render,
    UserChangedParam
};

struct HostCommand {
    Command command;
    PF_Cmd code;
    std::string_view name;
};

inline constexpr HostCommand kHostCommands[] = {
    {Command::GlobalSetup, PF_Cmd_GLOBAL_SETUP, "GLOBAL_SETUP"},
    {Command::ParamsSetup, PF_Cmd_PARAMS_SETUP, "PARAMS_SETUP"},
    {Command::UpdateParamsUi, PF_Cmd_UPDATE_PARAMS_UI, "UPDATE_PARAMS_UI"},
    {Command::GlobalSetdown, PF_Cmd_GLOBAL_SETDOWN, "GLOBAL_SETDOWN"},
    {Command::About, PF_Cmd_ABOUT, "ABOUT"},
    {Command::SmartPreRender, PF_Cmd_SMART_PRE_RENDER, "SMART_PRE_RENDER"},
    {Command::SmartRender, PF_Cmd_SMART_RENDER, "SMART_RENDER"},
    {Command::Render, PF_Cmd_RENDER, "RENDER"},
    {Command::UserChangedParam, PF_Cmd_USER_CHANGED_PARAM, "USER_CHANGED_PARAM"},
};

constexpr const HostCommand& hostCommand(Command command)
{
    return kHostCommands[static_cast<std::size_t>(command)];
}

constexpr bool rowsFollowCommandOrder()
{
    for (std::size_t i = 0; i < std::size(kHostCommands); ++i) {
        if (static_cast<std::size_t>(kHostCommands[i].command) != i) {
            return false;
        }
    }
    return true;
}
static_assert(rowsFollowCommandOrder(), "each command's row sits at its own position");

}  // namespace zelrender
