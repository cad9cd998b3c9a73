// A module written in the test, each command doing what the test says, and parameter definitions
// as a module registers them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "apps/zel-render/module_output.h"
#include "host/effect_host.h"
#include "sdk/pf_suites.h"

namespace zelrender::test {

constexpr PF_Err kBad = PF_Err_BAD_CALLBACK_PARAM;

struct FakeModule {
    static inline std::function<PF_Err(PF_Cmd, PF_InData&, PF_OutData&)> behaviour;
    static inline std::vector<PF_Cmd> received;  // in order
    static inline PF_ParamDef** params = nullptr;  // the command's, while it runs
    static inline PF_LayerDef* output = nullptr;
    static inline void* extra = nullptr;

    // PARAMS_SETUP reports the input layer alone unless the behaviour adds more.
    static PF_Err entry(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef** commandParams,
                        PF_LayerDef* commandOutput, void* commandExtra)
    {
        received.push_back(cmd);
        params = commandParams;
        output = commandOutput;
        extra = commandExtra;
        out->num_params = cmd == PF_Cmd_PARAMS_SETUP ? 1 : out->num_params;
        return behaviour(cmd, *in, *out);
    }
};

// The module runs `body` at `command` and answers every command with success.
inline void onCommand(PF_Cmd command, std::function<void(PF_InData&, PF_OutData&)> body)
{
    FakeModule::received.clear();
    FakeModule::behaviour = [command, body](PF_Cmd cmd, PF_InData& in, PF_OutData& out) {
        if (cmd == command) {
            body(in, out);
        }
        return PF_Err{PF_Err_NONE};
    };
}

// A host running FakeModule.
struct Host {
    explicit Host(const Composition& c = {}) : host(FakeModule::entry, c, output) {}
    ModuleOutput output = ModuleOutput::toStderr();
    EffectHost host;
};

// Set-up and set-down; what set-up threw, or "".
inline std::string session()
{
    Host h;
    try {
        h.host.setUp();
    } catch (const CommandFailed& e) {
        return e.what();
    }
    h.host.setDown();
    return "";
}

inline void duringGlobalSetup(const std::function<void(PF_InData&)>& body)
{
    onCommand(PF_Cmd_GLOBAL_SETUP, [&body](PF_InData& in, PF_OutData&) { body(in); });
    session();
}

// A suite borrowed from the host for the length of a scope.
template <typename Suite>
class SuiteLoan {
public:
    SuiteLoan(const PF_InData& in, const char* name, std::int32_t version)
        : basic_(in.pica_basicP), name_(name), version_(version)
    {
        EXPECT_EQ(basic_->AcquireSuite(name, version, reinterpret_cast<const void**>(&suite_)),
                  kSPNoError) << name;
    }
    ~SuiteLoan() { basic_->ReleaseSuite(name_, version_); }
    const Suite* operator->() const { return suite_; }

private:
    SPBasicSuite* basic_;
    const char* name_;
    std::int32_t version_;
    const Suite* suite_ = nullptr;
};

inline PF_ParamDef namedDef(PF_ParamType type, const char* name)
{
    PF_ParamDef def{};
    def.param_type = type;
    std::memcpy(def.name, name, std::min(std::strlen(name), sizeof def.name - 1));
    return def;
}

// The slider runs over a tenth of the valid range.
inline PF_ParamDef sliderDef(const char* name, double validMin, double validMax, double dflt)
{
    PF_ParamDef def = namedDef(PF_Param_FLOAT_SLIDER, name);
    def.u.fs_d = {dflt, validMin, validMax, validMin, validMax / 10, dflt, 1, 0, 0, 0};
    return def;
}

inline PF_ParamDef popupDef(const char* name, const char* choices, std::int16_t count,
                            std::int16_t dflt)
{
    PF_ParamDef def = namedDef(PF_Param_POPUP, name);
    def.u.pd = {dflt, count, dflt, choices};
    return def;
}

inline PF_ParamDef colorDef(const char* name, PF_Pixel dflt)
{
    PF_ParamDef def = namedDef(PF_Param_COLOR, name);
    def.u.cd = {dflt, dflt};
    return def;
}

// Defaults in percent of the layer.
inline PF_ParamDef pointDef(const char* name, PF_Fixed xPercent, PF_Fixed yPercent)
{
    PF_ParamDef def = namedDef(PF_Param_POINT, name);
    def.u.td.x_default = xPercent * PF_FIXED_ONE;
    def.u.td.y_default = yPercent * PF_FIXED_ONE;
    return def;
}

}  // namespace zelrender::test
