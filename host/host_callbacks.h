// The callbacks in PF_InData. Each one finds the host running the current command through the
// effect_ref the module passes (the pixel-data callbacks, which take none, use the one host
// alive), and answers an error rather than crash on anything unexpected.
#pragma once

#include "sdk/pf_effect.h"

namespace zelrender {

PF_InteractCallbacks interactCallbacks();

// Every member is set. Of the compositing callbacks (transfer_rect, transform_world) only a copy
// at full opacity, moved by whole pixels, is implemented; other requests answer
// PF_Err_BAD_CALLBACK_PARAM and are noted once per kind.
PF_UtilCallbacks utilCallbacks();

// The callbacks of SMART_PRE_RENDER and SMART_RENDER: the input layer by checkout id, and the
// output world.
PF_PreRenderCallbacks preRenderCallbacks();
PF_SmartRenderCallbacks smartRenderCallbacks();

}  // namespace zelrender
