// Image buffers ("worlds") that the host makes for the module, and the pixel operations the host
// performs on any world: fill, and copy of a rectangle to a place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string_view>

#include "sdk/pf_suites.h"

namespace zelrender {

// What a pixel format looks like in memory.
struct PixelLayout {
    PF_PixelFormat format;
    std::string_view name;
    std::int32_t bytes;       // per pixel: 4 for 8 bits per channel, 8 for 16, 16 for float
    std::int32_t worldFlags;  // PF_WorldFlag_* of a world in this format
    // Writes an 8-bit colour as one pixel of this format.
    void (*encode)(const PF_Pixel& color, unsigned char* pixel);
};

// Throws std::invalid_argument for a format this host does not make.
const PixelLayout& layoutOf(PF_PixelFormat format);

// A world's pixels, checked to lie within memory that its description vouches for.
struct WorldView {
    unsigned char* data;
    std::int32_t width;
    std::int32_t height;
    std::int32_t rowbytes;
    const PixelLayout* layout;

    unsigned char* at(std::int64_t x, std::int64_t y) const
    {
        return data + y * rowbytes + x * layout->bytes;
    }
};

class WorldStore {
public:
    // Describes in `world` a new world of width x height pixels of `format`, zeroed (which also
    // clears it when asked): memory is never left to chance, so renders repeat exactly. Rows are
    // padded to the next multiple of 16 bytes above width x pixel size, so that code assuming
    // tight rows shows at once. Throws std::invalid_argument for a size or format this host
    // cannot make, std::bad_alloc when memory runs out.
    void make(std::int32_t width, std::int32_t height, PF_PixelFormat format, PF_LayerDef& world);

    // Frees a world made here and clears its description. Throws std::invalid_argument for any
    // other world, which includes one already disposed.
    void dispose(PF_LayerDef& world);

    // The format a world made here was made in. Of any other world (the module's own, or the
    // input layer) it is told by world_flags, the one thing such a description carries:
    // PF_WorldFlag_DEEP gives ARGB64, its absence ARGB32.
    PF_PixelFormat formatOf(const PF_LayerDef& world) const;

    // Throws std::invalid_argument for a world without pixels, a description of a world made
    // here that no longer matches it, or rows narrower than the pixels they hold.
    WorldView view(const PF_LayerDef& world) const;

    // Worlds made and not yet disposed.
    std::size_t size() const { return worlds_.size(); }

private:
    struct Free {
        void operator()(void* p) const { std::free(p); }
    };
    struct Allocation {
        std::unique_ptr<unsigned char, Free> pixels;
        const PixelLayout* layout;
        std::int32_t width;
        std::int32_t height;
        std::int32_t rowbytes;
    };
    const Allocation* find(const PF_LayerDef& world) const;

    std::map<const void*, Allocation> worlds_;  // by their pixels' address
};

// Fills the part of `rect` (null: the whole world) inside the world with `color`.
void fillWorld(const WorldView& world, const PF_Pixel& color, const PF_Rect* rect);

// Copies the pixels of `from` inside `area` so that the pixel at (x, y) lands at
// (x + dx, y + dy) in `to`, writing only inside `clip` and the destination. Throws
// std::invalid_argument when the two worlds differ in format.
void copyArea(const WorldView& from, const PF_Rect& area, std::int64_t dx, std::int64_t dy,
              const WorldView& to, const PF_Rect& clip);

// The rectangle covering a whole world.
PF_Rect bounds(const WorldView& world);

}  // namespace zelrender
