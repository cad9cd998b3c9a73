// The host's 16.16 fixed-point values.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

#include "sdk/pf_types.h"

namespace zel {

// Rounded half away from zero, so that -1.25 and 1.25 mirror each other; values beyond the 16.16
// range stop at its ends instead of wrapping.
inline PF_Fixed toFixed(double value)
{
    const double scaled = value * PF_FIXED_ONE;
    const double rounded = scaled >= 0.0 ? scaled + 0.5 : scaled - 0.5;
    constexpr double lowest = std::numeric_limits<PF_Fixed>::min();
    constexpr double highest = std::numeric_limits<PF_Fixed>::max();
    return static_cast<PF_Fixed>(std::clamp(rounded, lowest, highest));
}

inline double fromFixed(PF_Fixed value)
{
    return static_cast<double>(value) / PF_FIXED_ONE;
}

}  // namespace zel
