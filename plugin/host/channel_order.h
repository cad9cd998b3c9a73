// The order of the four channels in a pixel, by RasterInfo format code.
#pragma once

#include <cstdint>

#include "plugin/host/raster_info.h"

namespace zel {

// Rewrites every pixel of `pixels`, whose channels are in the order of format `fromFormat`, into
// the order of its own pixelFormat. Channels are 16-bit for 8 bytes per pixel, float for 16 and
// bytes otherwise. Formats without a known order (above 20) are left as they are.
void reorderChannels(const RasterInfo& pixels, std::int32_t fromFormat);

// Where alpha sits in a pixel of `format`, counted in channels; 0 for formats without a known
// order.
int alphaChannel(std::int32_t format);

}  // namespace zel
