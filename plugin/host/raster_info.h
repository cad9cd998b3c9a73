// A plain description of one image buffer that code can write pixels through.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zel {

// Format codes this host writes into RasterInfo::pixelFormat; other codes belong to other hosts.
enum RasterFormat : std::int32_t {
    kRasterARGB8 = 0,
    kRasterBGRA8 = 1,
    kRasterARGB16 = 3,  // channels 0..32768
    kRasterARGB32F = 9,
};

struct RasterInfo {
    std::uint8_t* data = nullptr;  // first pixel of the first row
    std::int32_t pixelFormat = kRasterARGB8;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t rowBytes = 0;
    std::int32_t bytesPerPixel = 0;  // 4, 8 or 16
    float pixelAspect = 1.0f;
    float valueScale = 1.0f;  // channel-range factor: 16-bit ranges are 2.0 or 0.5 by request
};

inline std::uint8_t* rowAt(const RasterInfo& info, std::int32_t y)
{
    return info.data + static_cast<std::ptrdiff_t>(y) * info.rowBytes;
}

}  // namespace zel
