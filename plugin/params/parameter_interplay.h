// Keeping the controls consistent with the user's choices: greying out what the current shader,
// draw, occlusion, falloff and Z-range choices make meaningless, and the "Set End Frame" loop
// helper.
#pragma once

#include "sdk/pf_effect.h"

namespace zel {

// flag 0 (interface update): applies the enable rules through the host's parameter utilities.
// flag 1 (a parameter changed): when it is the loop helper's button, fills "Loop Evolution",
// "Loop X", "Loop Y" and "Loop Z" with how far evolution and offsets travelled since time 0.
void UpdateECW(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** params, unsigned char flag,
               PF_UserChangedParamExtra* extra);

}  // namespace zel
