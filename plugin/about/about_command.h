// The effect's answer to the about command.
#pragma once

#include "sdk/pf_effect.h"

namespace zel {

// Shows the about box and returns once it is closed; always 0.
PF_Err About(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** params, PF_LayerDef* output);

}  // namespace zel
