// Frames written as image files through OpenImageIO, and as the pixels a video encoder takes.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "apps/zel-render/background.h"
#include "host/world_store.h"

namespace zelrender {

// A file zel-render was asked to write could not be written.
class OutputFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws std::invalid_argument unless the file's extension names a format that holds frames of
// this depth: .png 8 or 16 bits, .tif and .tiff 8, 16 or 32 (float), .exr any (as float), .jpg,
// .jpeg and .webp 8.
void checkImageFile(const std::filesystem::path& file, int bitsPerChannel);

// Whether the image or video file `output` holds alpha: all but JPEG, .mp4 and .gif do.
bool keepsAlpha(const std::filesystem::path& output);

// Writes a world of 8, 16 or 32 bits as red, green, blue and alpha in the format its extension
// names (see checkImageFile), composited over `backdrop` unless it has none, with alpha as the
// format declares it: straight in PNG, TIFF (its ExtraSamples tag says so) and WebP, colour
// multiplied by alpha in OpenEXR, none in JPEG. 16-bit values are scaled from the host's 0 to
// 32768 to the file's 0 to 65535, and those beyond 32768 are held at 65535 with a warning. The
// frame goes to a temporary file in the same directory and is renamed when whole; a failed write
// leaves the file as it was.
// Throws OutputFailed naming the file and the reason.
void writeImage(const WorldView& world, const std::filesystem::path& file,
                const Backdrop& backdrop);

// A world's pixels as a video encoder takes them: rows from the top, each pixel red, green, blue
// and alpha (straight; 1 where `backdrop` is opaque), 8 bits per channel from an 8-bit world,
// else 16 in the machine's byte order; 16-bit values scaled as writeImage scales them, floats
// held to 0 to 1. Throws OutputFailed naming `destination`, which also names warnings.
std::vector<std::byte> rgbaPixels(const WorldView& world, const std::filesystem::path& destination,
                                  const Backdrop& backdrop);

// The same from a frame zel-render wrote as OpenEXR (colour multiplied by alpha), for the video
// `destination`: alpha kept straight where it holds alpha, else the frame over black.
std::vector<std::byte> rgbaPixels(OIIO::ImageBuf premultiplied,
                                  const std::filesystem::path& destination, bool deep);

}  // namespace zelrender
