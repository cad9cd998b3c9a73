#include "apps/zel-render/image_files.h"

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imagebufalgo.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/layer_images.h"
#include "host/whole_files.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using OIIO::ImageBuf;
using OIIO::ImageSpec;
using OIIO::TypeDesc;
namespace algo = OIIO::ImageBufAlgo;

// The file formats frames are written in, and the type each depth is written as (NONE: the
// format cannot hold it).
struct FileFormat {
    std::string_view extension;
    const char* name;                         // OpenImageIO's
    std::array<TypeDesc::BASETYPE, 3> types;  // for 8, 16 and 32 bits
};

constexpr FileFormat kFileFormats[] = {
    {".png", "png", {TypeDesc::UINT8, TypeDesc::UINT16, TypeDesc::NONE}},
    {".tif", "tiff", {TypeDesc::UINT8, TypeDesc::UINT16, TypeDesc::FLOAT}},
    {".tiff", "tiff", {TypeDesc::UINT8, TypeDesc::UINT16, TypeDesc::FLOAT}},
    {".exr", "openexr", {TypeDesc::FLOAT, TypeDesc::FLOAT, TypeDesc::FLOAT}},
};

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The format and the type a frame of this depth is written as; throws for any other.
std::pair<const FileFormat*, TypeDesc> fileFormat(const fs::path& file, int bitsPerChannel)
{
    const std::string extension = lowered(file.extension().string());
    const auto depth = static_cast<std::size_t>(bitsPerChannel == 32 ? 2 : bitsPerChannel / 16);
    for (const FileFormat& format : kFileFormats) {
        if (format.extension == extension) {
            if (format.types[depth] == TypeDesc::NONE) {
                throw std::invalid_argument(file.string() + ": " + std::string(format.name) +
                                            " files hold 8 or 16 " + "bits per channel, not " +
                                            std::to_string(bitsPerChannel) +
                                            "; write 32-bit frames to .exr or .tif");
            }
            return {&format, TypeDesc(format.types[depth])};
        }
    }
    throw std::invalid_argument(file.string() + ": frames are written as .png, .tif, .tiff or " +
                                ".exr, chosen by the extension; \"" + extension +
                                "\" is none of them");
}

// The world's pixels as they lie, alpha first, without a copy.
ImageBuf wrap(const WorldView& world)
{
    ImageSpec pixels(world.width, world.height, 4, TypeDesc(depthOf(world).type));
    pixels.channelnames = {"A", "R", "G", "B"};
    pixels.alpha_channel = 0;
    return ImageBuf(pixels, world.data, world.layout->bytes, world.rowbytes);
}

// 16-bit channels above the host's white, which no file can show as brighter.
std::int64_t beyondWhite(const WorldView& world)
{
    std::int64_t count = 0;
    for (std::int32_t y = 0; y < world.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint16_t*>(world.at(0, y));
        count += std::count_if(row, row + std::int64_t{world.width} * 4,
                               [](std::uint16_t v) { return v > PF_MAX_CHAN16; });
    }
    return count;
}

[[noreturn]] void failOutput(const fs::path& file, const std::string& reason)
{
    throw OutputFailed(file.string() + ": " + reason);
}

// The world as red, green, blue and alpha floats from 0 to 1, alpha straight as it is; 16-bit
// values beyond the host's white are told of on stderr, as `destination` cannot show them.
ImageBuf straightRgba(const WorldView& world, const fs::path& destination)
{
    const WorldDepth& depth = depthOf(world);
    if (depth.bits == 16) {
        if (const std::int64_t beyond = beyondWhite(world); beyond > 0) {
            std::fprintf(stderr,
                         "zel-render: warning: %s: %lld 16-bit channel values exceed the host's "
                         "white (32768) and are written as 65535\n",
                         destination.string().c_str(), static_cast<long long>(beyond));
        }
    }
    // Straight into floats, red first, and from the world's range to OpenImageIO's 0 to 1.
    ImageBuf rgba(ImageSpec(world.width, world.height, 4, TypeDesc::FLOAT));
    const int order[] = {1, 2, 3, 0};
    const std::string names[] = {"R", "G", "B", "A"};
    if (!algo::channels(rgba, wrap(world), 4, order, {}, names) ||
        (depth.fromUnit != 1.0f && !algo::mul(rgba, rgba, 1.0f / depth.fromUnit))) {
        failOutput(destination, "cannot convert the frame: " + rgba.geterror());
    }
    return rgba;
}

}  // namespace

void checkImageFile(const fs::path& file, int bitsPerChannel)
{
    fileFormat(file, bitsPerChannel);
}

void writeImage(const WorldView& world, const fs::path& file)
{
    const auto [format, type] = fileFormat(file, depthOf(world).bits);
    ImageBuf rgba = straightRgba(world, file);
    rgba.specmod().attribute("oiio:UnassociatedAlpha", 1);
    rgba.set_write_format(type);

    // The file is made in memory and written by replaceWhole, which checks every byte of it and
    // the close: the image library's own writes would let a full disk pass as a finished frame.
    std::vector<unsigned char> encoded;
    OIIO::Filesystem::IOVecOutput memory(encoded);
    rgba.set_write_ioproxy(&memory);
    if (!rgba.write(file.string(), TypeDesc::UNKNOWN, format->name)) {
        failOutput(file, "cannot be written: " + rgba.geterror());
    }
    try {
        const std::string_view bytes(reinterpret_cast<const char*>(encoded.data()),
                                     encoded.size());
        replaceWhole(file, bytes, temporaryName(file));
    } catch (const std::runtime_error& e) {
        failOutput(file, std::string("cannot be written: ") + e.what());
    }
}

std::vector<std::byte> rgbaPixels(const WorldView& world, const fs::path& destination)
{
    const ImageBuf rgba = straightRgba(world, destination);
    const TypeDesc type(depthOf(world).bits == 8 ? TypeDesc::UINT8 : TypeDesc::UINT16);
    std::vector<std::byte> pixels(static_cast<std::size_t>(world.width) *
                                  static_cast<std::size_t>(world.height) * 4 * type.size());
    if (!rgba.get_pixels(rgba.roi(), type, pixels.data())) {
        failOutput(destination, "cannot convert the frame: " + rgba.geterror());
    }
    return pixels;
}

}  // namespace zelrender
