// The host's side of the command protocol: the records handed to the module, the commands sent
// to it, and the set-up and set-down around a session.
#pragma once

#include <optional>
#include <stdexcept>

#include "apps/zel-render/basic_suite.h"
#include "apps/zel-render/composition.h"
#include "apps/zel-render/host_commands.h"
#include "apps/zel-render/module_output.h"
#include "apps/zel-render/param_store.h"
#include "apps/zel-render/persistent_settings.h"
#include "sdk/pf_effect.h"

namespace zelrender {

// A command the module answered with an error, or a session the module left inconsistent.
class CommandFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EffectHost {
public:
    EffectHost(PF_EntryPointFunc entryPoint, const Composition& composition,
               const ModuleOutput& moduleOutput);
    // Sends GLOBAL_SETDOWN if set-up was sent and setDown() was not called; a failure then is
    // only reported, on stderr.
    ~EffectHost();
    EffectHost(const EffectHost&) = delete;
    EffectHost& operator=(const EffectHost&) = delete;

    // GLOBAL_SETUP, then PARAMS_SETUP. Throws CommandFailed.
    void setUp();
    // GLOBAL_SETDOWN, once, if set-up was sent. Throws CommandFailed.
    void setDown();

    ParamStore& params() { return params_; }
    // Whether the command under way is PARAMS_SETUP, the one time parameters may be added.
    bool registeringParams() const { return current_ == Command::ParamsSetup; }
    const BasicSuite& suites() const { return suites_; }

    // The host that runs the command under way for `effect_ref`; null for any other pointer.
    static EffectHost* serving(PF_ProgPtr effect_ref);

private:
    void send(Command command);

    PF_EntryPointFunc entryPoint_;
    const ModuleOutput& moduleOutput_;
    PersistentSettings settings_;
    BasicSuite suites_;
    ParamStore params_;
    PF_UtilCallbacks utils_;
    PF_InData inData_{};
    PF_Handle globalData_ = nullptr;
    std::int32_t reportedParams_ = 0;
    std::optional<Command> current_;
    bool setUpSent_ = false;
};

}  // namespace zelrender
