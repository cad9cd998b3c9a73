#include "plugin/host/PluginHost_AE_Impl.h"

#include "plugin/host/aefx_suites.h"
#include "plugin/host/host_identity.h"

namespace zel {

PluginHost_AE_Impl::PluginHost_AE_Impl(PF_InData* in_data, PF_OutData* out_data,
                                       PF_ParamDef** params_, PF_LayerDef* output_)
    : inData(in_data), outData(out_data), params(params_), output(output_)
{
    if (hostApiVersion(inData) >= kHostApiWorldSuite) {
        acquireSuite(inData, outData, "Couldn't load kPFWorldSuite.", &worldSuite);
        acquireSuite(inData, outData, "Couldn't load kPFColorParamSuite.", &colorParamSuite);
    }
}

PluginHost_AE_Impl::~PluginHost_AE_Impl()
{
    if (worldSuite != nullptr) {
        releaseSuite<PF_WorldSuite2>(inData, outData, "Couldn't release kPFWorldSuite.");
    }
    if (colorParamSuite != nullptr) {
        releaseSuite<PF_ColorParamSuite1>(inData, outData, "Couldn't release kPFColorParamSuite.");
    }
}

}  // namespace zel
