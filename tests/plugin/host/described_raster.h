// A raster of no particular host that is its own plain description, over pixels it owns. Each
// row has padding after its pixels and a guard row follows the last, so that writes outside the
// description show.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "plugin/host/PluginRaster_API.h"

namespace zel::test {

class DescribedRaster final : public PluginRaster_API {
public:
    static constexpr int kPadding = 4;

    // Every byte, pixels and margins, set to `fill`.
    DescribedRaster(int width, int height, int bytesPerPixel, std::uint8_t fill)
        : bytes(static_cast<std::size_t>((width * bytesPerPixel + kPadding) * (height + 1)), fill)
    {
        info.data = bytes.data();
        info.width = width;
        info.height = height;
        info.rowBytes = width * bytesPerPixel + kPadding;
        info.bytesPerPixel = bytesPerPixel;
    }

    int getWidth() override { return info.width; }
    int getHeight() override { return info.height; }
    PixelType getPixelType() override { return kPixel8; }
    int getRowBytes() override { return info.rowBytes; }
    PluginRaster_AE_Impl* getAERaster() override { return nullptr; }
    void* getAVX1Raster() override { return nullptr; }
    void* getAVX2Raster() override { return nullptr; }
    void* getFXPLUGRaster() override { return nullptr; }
    void* getSPARKRaster() override { return nullptr; }
    void setHost(PluginHost_API*) override {}
    RasterInfo* getRasterInfoBase() override { return &info; }

    std::uint8_t at(int row, int byte) const
    {
        return bytes[static_cast<std::size_t>(row * info.rowBytes + byte)];
    }

    // The described pixels, row after row.
    std::vector<std::uint8_t> pixels() const
    {
        std::vector<std::uint8_t> out;
        for (int row = 0; row < info.height; ++row) {
            for (int byte = 0; byte < info.width * info.bytesPerPixel; ++byte) {
                out.push_back(at(row, byte));
            }
        }
        return out;
    }

    // Whether the padding and the guard row still hold `fill`.
    bool marginsHold(std::uint8_t fill) const
    {
        const int used = info.width * info.bytesPerPixel;
        for (int row = 0; row <= info.height; ++row) {
            for (int byte = row < info.height ? used : 0; byte < info.rowBytes; ++byte) {
                if (at(row, byte) != fill) {
                    return false;
                }
            }
        }
        return true;
    }

    std::vector<std::uint8_t> bytes;
    RasterInfo info;
};

}  // namespace zel::test
