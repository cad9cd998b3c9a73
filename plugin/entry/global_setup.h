// The effect's answer to global set-up and set-down: what it tells the host about itself.
#pragma once

#include <cstdint>

#include "sdk/pf_effect.h"

namespace zel {

// 1.2.0, released, build 1.
inline constexpr std::uint32_t kZelVersion = PF_VERSION(1, 2, 0, PF_Stage_RELEASE, 1);

// Declares version and capabilities; the editing host is declined (517) and nothing happens.
PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** params,
                   PF_LayerDef* output);

// The editing host is declined (517); otherwise 0.
PF_Err GlobalSetdown(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** params,
                     PF_LayerDef* output);

}  // namespace zel
