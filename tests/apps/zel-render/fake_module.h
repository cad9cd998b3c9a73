// A module written in the test: each command runs whatever the test says, and the commands
// received are recorded in order.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "apps/zel-render/effect_host.h"
#include "sdk/pf_effect.h"

namespace zelrender::test {

struct FakeModule {
    using Behaviour = std::function<PF_Err(PF_Cmd, PF_InData&, PF_OutData&)>;

    static inline Behaviour behaviour;
    static inline std::vector<PF_Cmd> received;
    static inline PF_ParamDef** params = nullptr;  // the command's, while it runs
    static inline PF_LayerDef* output = nullptr;
    static inline void* extra = nullptr;

    // Answers PARAMS_SETUP with the input layer alone and every other command with success.
    static void reset()
    {
        received.clear();
        behaviour = [](PF_Cmd cmd, PF_InData&, PF_OutData& out) {
            if (cmd == PF_Cmd_PARAMS_SETUP) {
                out.num_params = 1;
            }
            return PF_Err{PF_Err_NONE};
        };
    }

    static PF_Err entry(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                        PF_ParamDef** command_params, PF_LayerDef* command_output,
                        void* command_extra)
    {
        received.push_back(cmd);
        params = command_params;
        output = command_output;
        extra = command_extra;
        return behaviour(cmd, *in_data, *out_data);
    }
};

// Runs a whole session with FakeModule in which `body` runs during GLOBAL_SETUP.
inline void duringGlobalSetup(const std::function<void(PF_InData&)>& body)
{
    FakeModule::reset();
    FakeModule::behaviour = [&body](PF_Cmd cmd, PF_InData& in, PF_OutData& out) {
        if (cmd == PF_Cmd_GLOBAL_SETUP) {
            body(in);
        }
        out.num_params = 1;
        return PF_Err{PF_Err_NONE};
    };
    const ModuleOutput output = ModuleOutput::toStderr();
    EffectHost host(FakeModule::entry, Composition{}, output);
    host.setUp();
    host.setDown();
}

// A suite borrowed from the host for the length of a scope.
template <typename Suite>
class SuiteLoan {
public:
    SuiteLoan(const PF_InData& in, const char* name, std::int32_t version)
        : basic_(in.pica_basicP), name_(name), version_(version)
    {
        const void* table = nullptr;
        EXPECT_EQ(basic_->AcquireSuite(name, version, &table), kSPNoError) << name;
        suite_ = static_cast<const Suite*>(table);
    }
    ~SuiteLoan() { basic_->ReleaseSuite(name_, version_); }
    SuiteLoan(const SuiteLoan&) = delete;
    SuiteLoan& operator=(const SuiteLoan&) = delete;

    const Suite* operator->() const { return suite_; }

private:
    SPBasicSuite* basic_;
    const char* name_;
    std::int32_t version_;
    const Suite* suite_ = nullptr;
};

}  // namespace zelrender::test
