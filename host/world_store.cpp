#include "host/world_store.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>

namespace zelrender {
namespace {

void encodeArgb8(const PF_Pixel& c, unsigned char* pixel)
{
    const unsigned char bytes[] = {c.alpha, c.red, c.green, c.blue};
    std::memcpy(pixel, bytes, sizeof bytes);
}

void encodeBgra8(const PF_Pixel& c, unsigned char* pixel)
{
    const unsigned char bytes[] = {c.blue, c.green, c.red, c.alpha};
    std::memcpy(pixel, bytes, sizeof bytes);
}

// 255 becomes 32768, the host's 16-bit white; rounded to nearest.
std::uint16_t to16(std::uint8_t channel)
{
    return static_cast<std::uint16_t>((channel * PF_MAX_CHAN16 + PF_MAX_CHAN8 / 2) /
                                      PF_MAX_CHAN8);
}

void encodeArgb16(const PF_Pixel& c, unsigned char* pixel)
{
    const PF_Pixel16 wide{to16(c.alpha), to16(c.red), to16(c.green), to16(c.blue)};
    std::memcpy(pixel, &wide, sizeof wide);
}

void encodeArgbFloat(const PF_Pixel& c, unsigned char* pixel)
{
    constexpr float max = PF_MAX_CHAN8;
    const PF_PixelFloat wide{c.alpha / max, c.red / max, c.green / max, c.blue / max};
    std::memcpy(pixel, &wide, sizeof wide);
}

constexpr PixelLayout kLayouts[] = {
    {PF_PixelFormat_ARGB32, "8-bit ARGB", 4, 0, encodeArgb8},
    {PF_PixelFormat_BGRA32, "8-bit BGRA", 4, 0, encodeBgra8},
    {PF_PixelFormat_ARGB64, "16-bit ARGB", 8, PF_WorldFlag_DEEP, encodeArgb16},
    {PF_PixelFormat_ARGB128, "32-bit float ARGB", 16, 0, encodeArgbFloat},
};

// A four-character code as its characters when they are printable, else as a number.
std::string formatName(PF_PixelFormat format)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((static_cast<std::uint32_t>(format) >> shift) & 0xFF);
        if (std::isprint(static_cast<unsigned char>(c)) == 0) {
            return std::to_string(format);
        }
        text += c;
    }
    return "'" + text + "'";
}

// A rectangle in 64 bits, so that shifting one never overflows.
struct Area {
    std::int64_t left, top, right, bottom;

    explicit Area(const PF_Rect& r) : left(r.left), top(r.top), right(r.right), bottom(r.bottom) {}
    Area(std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b)
        : left(l), top(t), right(r), bottom(b)
    {
    }

    bool empty() const { return left >= right || top >= bottom; }
    Area operator&(const Area& o) const
    {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                std::min(bottom, o.bottom)};
    }
    Area shifted(std::int64_t dx, std::int64_t dy) const
    {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
};

std::string sizeText(std::int32_t width, std::int32_t height, std::int32_t rowbytes)
{
    return std::to_string(width) + " x " + std::to_string(height) + ", rowbytes " +
           std::to_string(rowbytes);
}

}  // namespace

const PixelLayout& layoutOf(PF_PixelFormat format)
{
    for (const PixelLayout& layout : kLayouts) {
        if (layout.format == format) {
            return layout;
        }
    }
    throw std::invalid_argument("pixel format " + formatName(format) +
                                " is none of ARGB32, ARGB64, ARGB128 and BGRA32");
}

PF_Rect bounds(const WorldView& world)
{
    return {0, 0, world.width, world.height};
}

void WorldStore::make(std::int32_t width, std::int32_t height, PF_PixelFormat format,
                      PF_LayerDef& world)
{
    const PixelLayout& layout = layoutOf(format);
    if (width < 1 || height < 1) {
        throw std::invalid_argument("a world needs at least one pixel each way, not " +
                                    std::to_string(width) + " x " + std::to_string(height));
    }
    constexpr std::int64_t kAlign = 16;
    const std::int64_t padded = (std::int64_t{width} * layout.bytes / kAlign + 1) * kAlign;
    if (padded > std::numeric_limits<std::int32_t>::max()) {
        throw std::invalid_argument("a row of " + std::to_string(width) +
                                    " pixels is too long to describe");
    }
    std::unique_ptr<unsigned char, Free> pixels(static_cast<unsigned char*>(
        std::calloc(static_cast<std::size_t>(padded), static_cast<std::size_t>(height))));
    if (pixels == nullptr) {
        throw std::bad_alloc();
    }
    unsigned char* data = pixels.get();
    const auto rowbytes = static_cast<std::int32_t>(padded);
    worlds_.emplace(data, Allocation{std::move(pixels), &layout, width, height, rowbytes});

    world = PF_LayerDef{};
    world.data = data;
    world.rowbytes = rowbytes;
    world.width = width;
    world.height = height;
    world.extent_hint = {0, 0, width, height};
    world.world_flags = layout.worldFlags | PF_WorldFlag_WRITEABLE;
    world.pix_aspect_ratio = {1, 1};
}

void WorldStore::dispose(PF_LayerDef& world)
{
    if (world.data == nullptr) {
        throw std::invalid_argument("the world has no pixels: it was never made, or was disposed "
                                    "already");
    }
    const auto found = worlds_.find(world.data);
    if (found == worlds_.end()) {
        throw std::invalid_argument("the world was not made by this host, or was disposed already");
    }
    worlds_.erase(found);
    world = PF_LayerDef{};
}

const WorldStore::Allocation* WorldStore::find(const PF_LayerDef& world) const
{
    const auto found = worlds_.find(world.data);
    return found != worlds_.end() ? &found->second : nullptr;
}

PF_PixelFormat WorldStore::formatOf(const PF_LayerDef& world) const
{
    if (const Allocation* made = find(world)) {
        return made->layout->format;
    }
    return (world.world_flags & PF_WorldFlag_DEEP) != 0 ? PF_PixelFormat_ARGB64
                                                        : PF_PixelFormat_ARGB32;
}

WorldView WorldStore::view(const PF_LayerDef& world) const
{
    if (world.data == nullptr) {
        throw std::invalid_argument("the world has no pixels");
    }
    auto* data = static_cast<unsigned char*>(world.data);
    if (const Allocation* made = find(world)) {
        if (world.width != made->width || world.height != made->height ||
            world.rowbytes != made->rowbytes) {
            throw std::invalid_argument(
                "the world (" + sizeText(world.width, world.height, world.rowbytes) +
                ") no longer matches the one made at its address (" +
                sizeText(made->width, made->height, made->rowbytes) + ")");
        }
        return {data, world.width, world.height, world.rowbytes, made->layout};
    }
    const PixelLayout& layout = layoutOf(formatOf(world));
    if (world.width < 0 || world.height < 0 ||
        world.rowbytes < std::int64_t{world.width} * layout.bytes) {
        throw std::invalid_argument("the world (" +
                                    sizeText(world.width, world.height, world.rowbytes) +
                                    ") does not hold its " + std::string(layout.name) + " pixels");
    }
    return {data, world.width, world.height, world.rowbytes, &layout};
}

void fillWorld(const WorldView& world, const PF_Pixel& color, const PF_Rect* rect)
{
    const Area whole(bounds(world));
    const Area area = rect != nullptr ? Area(*rect) & whole : whole;
    if (area.empty()) {
        return;
    }
    const std::int32_t bytes = world.layout->bytes;
    unsigned char pixel[sizeof(PF_PixelFloat)];
    world.layout->encode(color, pixel);
    // One row pixel by pixel, the others copied from it.
    unsigned char* first = world.at(area.left, area.top);
    const auto rowLength = static_cast<std::size_t>((area.right - area.left) * bytes);
    for (std::size_t offset = 0; offset < rowLength; offset += static_cast<std::size_t>(bytes)) {
        std::memcpy(first + offset, pixel, static_cast<std::size_t>(bytes));
    }
    for (std::int64_t y = area.top + 1; y < area.bottom; ++y) {
        std::memcpy(world.at(area.left, y), first, rowLength);
    }
}

void copyArea(const WorldView& from, const PF_Rect& area, std::int64_t dx, std::int64_t dy,
              const WorldView& to, const PF_Rect& clip)
{
    if (from.layout != to.layout) {
        throw std::invalid_argument("cannot copy " + std::string(from.layout->name) +
                                    " pixels into a " + std::string(to.layout->name) +
                                    " world; both must have one format");
    }
    const Area target = (Area(area) & Area(bounds(from))).shifted(dx, dy) &
                        Area(clip) & Area(bounds(to));
    if (target.empty()) {
        return;
    }
    const auto rowLength =
        static_cast<std::size_t>((target.right - target.left) * to.layout->bytes);
    // A destination below its source in memory is written from the last row up, so that a copy
    // within one world reads each row before overwriting it.
    const bool upwards = std::greater<>{}(to.at(target.left, target.top),
                                          from.at(target.left - dx, target.top - dy));
    const std::int64_t rows = target.bottom - target.top;
    for (std::int64_t i = 0; i < rows; ++i) {
        const std::int64_t y = upwards ? target.bottom - 1 - i : target.top + i;
        std::memmove(to.at(target.left, y), from.at(target.left - dx, y - dy), rowLength);
    }
}

}  // namespace zelrender
