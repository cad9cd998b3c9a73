// A module written in the test: each command runs whatever the test says, and the commands
// received are recorded in order.
#pragma once

#include <functional>
#include <vector>

#include "sdk/pf_effect.h"

namespace zelrender::test {

struct FakeModule {
    using Behaviour = std::function<PF_Err(PF_Cmd, PF_InData&, PF_OutData&)>;

    static inline Behaviour behaviour;
    static inline std::vector<PF_Cmd> received;

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

    static PF_Err entry(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef**,
                        PF_LayerDef*, void*)
    {
        received.push_back(cmd);
        return behaviour(cmd, *in_data, *out_data);
    }
};

}  // namespace zelrender::test
