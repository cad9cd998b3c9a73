// Images read for the layer controls through OpenImageIO, converted as a host hands layers to an
// effect.
#pragma once

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imageio.h>

#include <filesystem>
#include <memory>

#include "host/world_store.h"

namespace zelrender {

// How a world of one depth holds a channel, as OpenImageIO reads it: its type, and the factor
// from OpenImageIO's 0 to 1 to the world's range (16-bit white is 32768, not 65535).
struct WorldDepth {
    PF_PixelFormat format;
    int bits;
    OIIO::TypeDesc::BASETYPE type;
    float fromUnit;
};

// Throws std::invalid_argument for a world whose format is not read or written as images.
const WorldDepth& depthOf(const WorldView& world);

// A layer image open for reading, with the header of its first image, metadata included.
struct OpenedImage {
    std::unique_ptr<OIIO::ImageInput> input;
    OIIO::ImageSpec header;
};

// Opens a layer image for its header: refuses, before any library opens it, a path that is not a
// regular file (a FIFO or a device would be read for ever), then an image OpenImageIO cannot open
// or one of a size no layer takes. Throws std::runtime_error with the reason alone, on one line.
OpenedImage openLayerImage(const std::filesystem::path& file);

// Reads any image OpenImageIO reads as alpha, red, green, blue floats from 0 to 1, alpha straight
// (colour stored multiplied by alpha, as OpenEXR stores it, divided by it) and 1 where there is
// none, grey spread to all three colours, row 0 the top; scaled to 1/N each way when the
// composition renders at 1/N, as a host hands layers. Refuses, before reading a pixel, an image whose reading would take more memory than
// is free, then one that ends early or holds NaN or infinity. Throws std::runtime_error naming
// the file and what is wrong with it, on one line.
OIIO::ImageBuf readLayerImage(const std::filesystem::path& file, PF_RationalScale downsampleX,
                              PF_RationalScale downsampleY);

// Copies an image as readLayerImage gives it into a world of its size, converted to the world's
// depth: 8-bit 0 to 255, 16-bit 0 to 32768, float as is.
void storeImage(const OIIO::ImageBuf& argb, const WorldView& world);

}  // namespace zelrender
