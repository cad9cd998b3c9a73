// Sizes at the host's current resolution.
#pragma once

#include <cstdint>

#include "sdk/pf_types.h"

namespace zel {

// numerator / denominator; a zero denominator, which no host should send, counts as 1.
inline double downsampleFactor(PF_RationalScale scale)
{
    return scale.den == 0 ? 1.0 : static_cast<double>(scale.num) / static_cast<double>(scale.den);
}

// A full-resolution size at the downsampled resolution, truncated toward zero.
inline std::int32_t downsampledSize(std::int32_t fullSize, PF_RationalScale scale)
{
    return static_cast<std::int32_t>(downsampleFactor(scale) * static_cast<double>(fullSize));
}

}  // namespace zel
