#include "plugin/host/PluginHost_API.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace zel {

int PluginHost_API::fill(PluginRaster_API* raster, ZQ_Rect* rect)
{
    if (rect == nullptr) {
        return fill(raster);
    }
    RasterInfo info;
    getRasterInfo(raster, &info);
    // Clipped, so that a rectangle reaching past the raster never writes outside it.
    const int top = std::max<int>(rect->top, 0);
    const int bottom = std::min<int>(rect->bottom, info.height - 1);
    const int left = std::max<int>(rect->left, 0);
    const int right = std::min<int>(rect->right, info.width);
    if (info.data == nullptr || right <= left) {
        return 0;
    }
    const auto bytes = static_cast<std::size_t>(right - left) * info.bytesPerPixel;
    for (int y = top; y <= bottom; ++y) {
        std::memset(rowAt(info, y) + static_cast<std::ptrdiff_t>(left) * info.bytesPerPixel, 0,
                    bytes);
    }
    return 0;
}

}  // namespace zel
