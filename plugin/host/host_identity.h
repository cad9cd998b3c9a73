// Which host and which version of the host interface a command comes from.
#pragma once

#include "sdk/pf_effect.h"

namespace zel {

// Hosts that offer the world suite; hosts that offer the pixel-data callbacks.
inline constexpr int kHostApiWorldSuite = 1212;
inline constexpr int kHostApiPixelData = 1205;

// major * 100 + minor: 12.12 gives 1212, 13.0 gives 1300.
inline int hostApiVersion(const PF_InData* in_data)
{
    return in_data->version.major * 100 + in_data->version.minor;
}

inline bool isHost(const PF_InData* in_data, std::int32_t applId)
{
    return in_data->appl_id == applId;
}

}  // namespace zel
