// The composition the effect is applied in: layer size, resolution, frame rate and depth.
// A scene file will set these; until then every field keeps the default below.
#pragma once

#include <cstdint>

#include "sdk/pf_types.h"

namespace zelrender {

struct Composition {
    std::int32_t width = 1920;  // the full-resolution layer, in pixels
    std::int32_t height = 1080;
    PF_RationalScale pixelAspect{1, 1};
    PF_RationalScale downsampleX{1, 1};  // 1/N renders at 1/N resolution
    PF_RationalScale downsampleY{1, 1};
    // Time is counted in units of 1/timeScale s and one frame lasts timeStep units, so the frame
    // rate timeScale/timeStep can be fractional (24000/1001) without rounding.
    std::uint32_t timeScale = 24;
    std::int32_t timeStep = 1;
    std::int32_t duration = 240;  // 10 s, in time units
    std::int32_t currentTime = 0;
    int bitsPerChannel = 8;
};

// A full-resolution length in pixels scaled to the downsampled layer, rounded up so that no
// pixel of the layer is lost.
inline std::int32_t downsampled(std::int32_t length, PF_RationalScale factor)
{
    const auto scaled = static_cast<std::int64_t>(length) * factor.num;
    return static_cast<std::int32_t>((scaled + factor.den - 1) / factor.den);
}

inline double factorOf(PF_RationalScale scale)
{
    return static_cast<double>(scale.num) / scale.den;
}

}  // namespace zelrender
