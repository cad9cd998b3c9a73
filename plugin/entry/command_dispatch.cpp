#include "plugin/entry/command_dispatch.h"

#include "plugin/entry/smart_render.h"
#include "plugin/host/PluginHost_AE_Impl.h"

namespace zel {
namespace {

PF_Err call(CommandHandler handler, const Command& c)
{
    return handler != nullptr ? handler(c.in_data, c.out_data, c.params, c.output) : PF_Err_NONE;
}

// Control updates are the effect's own business: the host is always answered with 0.
PF_Err updateControls(const CommandHandlers& h, const Command& c, unsigned char flag)
{
    if (h.updateECW != nullptr) {
        h.updateECW(c.in_data, c.out_data, c.params, flag,
                    static_cast<PF_UserChangedParamExtra*>(c.extra));
    }
    return PF_Err_NONE;
}

using Route = PF_Err (*)(const CommandHandlers&, const Command&);

struct CommandRoute {
    PF_Cmd cmd;
    Route route;
};

constexpr CommandRoute kCommandTable[] = {
    // The about box only informs; whatever befalls it, the host is answered with 0.
    {PF_Cmd_ABOUT, [](const CommandHandlers& h, const Command& c) {
         call(h.about, c);
         return PF_Err{PF_Err_NONE};
     }},
    {PF_Cmd_GLOBAL_SETUP, [](const CommandHandlers& h, const Command& c) { return call(h.globalSetup, c); }},
    {PF_Cmd_GLOBAL_SETDOWN, [](const CommandHandlers& h, const Command& c) { return call(h.globalSetdown, c); }},
    {PF_Cmd_PARAMS_SETUP, [](const CommandHandlers& h, const Command& c) { return call(h.paramsSetup, c); }},
    {PF_Cmd_RENDER, [](const CommandHandlers& h, const Command& c) {
         PluginHost_AE_Impl host(c.in_data, c.out_data, c.params, c.output);
         return h.render != nullptr
                    ? h.render(c.in_data, c.out_data, c.params, c.output, c.extra, &host)
                    : PF_Err{PF_Err_NONE};
     }},
    {PF_Cmd_USER_CHANGED_PARAM, [](const CommandHandlers& h, const Command& c) { return updateControls(h, c, 1); }},
    {PF_Cmd_UPDATE_PARAMS_UI, [](const CommandHandlers& h, const Command& c) { return updateControls(h, c, 0); }},
    {PF_Cmd_SMART_PRE_RENDER, [](const CommandHandlers& h, const Command& c) {
         return h.smartPreRender != nullptr
                    ? h.smartPreRender(c.in_data, c.out_data, c.params, c.output,
                                       static_cast<PF_PreRenderExtra*>(c.extra))
                    : PF_Err{PF_Err_NONE};
     }},
    {PF_Cmd_SMART_RENDER, [](const CommandHandlers& h, const Command& c) {
         return SmartRender(h.render, c.in_data, c.out_data,
                            static_cast<PF_SmartRenderExtra*>(c.extra));
     }},
};

}  // namespace

PF_Err dispatchCommand(const CommandHandlers& handlers, PF_Cmd cmd, const Command& command) noexcept
{
    for (const CommandRoute& entry : kCommandTable) {
        if (entry.cmd == cmd) {
            try {
                return entry.route(handlers, command);
            } catch (...) {
                return PF_Err_INTERNAL_STRUCT_DAMAGED;
            }
        }
    }
    return PF_Err_NONE;
}

}  // namespace zel
