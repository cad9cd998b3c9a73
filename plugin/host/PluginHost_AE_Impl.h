// The host interface over one command of the effect protocol.
#pragma once

#include "plugin/host/PluginHost_API.h"
#include "sdk/pf_suites.h"

namespace zel {

// Built on the stack for one render command and destroyed before the command returns. Holds the
// world and colour-parameter suites from construction to destruction on hosts that offer them.
class PluginHost_AE_Impl final : public PluginHost_API {
public:
    PluginHost_AE_Impl(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** params,
                       PF_LayerDef* output);
    ~PluginHost_AE_Impl();

    PluginHost_AE_Impl(const PluginHost_AE_Impl&) = delete;
    PluginHost_AE_Impl& operator=(const PluginHost_AE_Impl&) = delete;

private:
    PF_InData* inData;
    PF_OutData* outData;
    PF_ParamDef** params;
    PF_LayerDef* output;
    const PF_WorldSuite2* worldSuite = nullptr;
    const PF_ColorParamSuite1* colorParamSuite = nullptr;
};

}  // namespace zel
