#include "plugin/host/channel_order.h"

#include <array>
#include <cstddef>
#include <cstring>

namespace zel {
namespace {

// Slot of alpha, red, green and blue within a pixel.
using ChannelSlots = std::array<int, 4>;
constexpr ChannelSlots kARGB{0, 1, 2, 3};
constexpr ChannelSlots kBGRA{3, 2, 1, 0};
constexpr ChannelSlots kRGBA{3, 0, 1, 2};

constexpr const ChannelSlots* kOrderOfFormat[] = {
    &kARGB, &kBGRA, &kRGBA, &kARGB, &kBGRA, &kARGB, &kBGRA,  // 0..6
    &kARGB, &kRGBA, &kARGB, &kRGBA, &kBGRA, &kBGRA, &kBGRA,  // 7..13
    &kBGRA, &kBGRA, &kBGRA, &kBGRA, &kBGRA, &kARGB, &kARGB,  // 14..20
};

const ChannelSlots* orderOf(std::int32_t format)
{
    constexpr auto known = static_cast<std::int32_t>(std::size(kOrderOfFormat));
    return format >= 0 && format < known ? kOrderOfFormat[format] : nullptr;
}

template <class Channel>
void reorder(const RasterInfo& pixels, const ChannelSlots& from, const ChannelSlots& to)
{
    for (std::int32_t y = 0; y < pixels.height; ++y) {
        std::uint8_t* row = rowAt(pixels, y);
        for (std::int32_t x = 0; x < pixels.width; ++x) {
            std::uint8_t* pixel = row + static_cast<std::ptrdiff_t>(x) * 4 * sizeof(Channel);
            std::array<Channel, 4> before;
            std::array<Channel, 4> after;
            std::memcpy(before.data(), pixel, sizeof before);
            for (std::size_t c = 0; c < 4; ++c) {
                after[static_cast<std::size_t>(to[c])] = before[static_cast<std::size_t>(from[c])];
            }
            std::memcpy(pixel, after.data(), sizeof after);
        }
    }
}

}  // namespace

void reorderChannels(const RasterInfo& pixels, std::int32_t fromFormat)
{
    const ChannelSlots* from = orderOf(fromFormat);
    const ChannelSlots* to = orderOf(pixels.pixelFormat);
    if (from == nullptr || to == nullptr || *from == *to || pixels.data == nullptr) {
        return;
    }
    switch (pixels.bytesPerPixel) {
    case 8:
        reorder<std::uint16_t>(pixels, *from, *to);
        break;
    case 16:
        reorder<float>(pixels, *from, *to);
        break;
    default:
        reorder<std::uint8_t>(pixels, *from, *to);
        break;
    }
}

int alphaChannel(std::int32_t format)
{
    const ChannelSlots* order = orderOf(format);
    return order != nullptr ? (*order)[0] : 0;
}

}  // namespace zel
