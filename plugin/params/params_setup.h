// Registration of the effect's controls with the host.
#pragma once

#include "sdk/pf_effect.h"

namespace zel {

// Adds parameters 1 to 114 through the host's add_param callback and reports 115 parameters. The
// first error the host returns stops the registration and is passed back unchanged.
PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** params,
                   PF_LayerDef* output);

}  // namespace zel
