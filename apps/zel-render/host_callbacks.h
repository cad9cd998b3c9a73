// The callbacks in PF_InData. Each one finds the host running the current command through the
// effect_ref the module passes, and answers an error rather than crash on anything unexpected.
#pragma once

#include "sdk/pf_effect.h"

namespace zelrender {

PF_InteractCallbacks interactCallbacks();

// Every member is set; those this host cannot honour yet say so on stderr, once, and answer
// PF_Err_BAD_CALLBACK_PARAM.
PF_UtilCallbacks utilCallbacks();

}  // namespace zelrender
