#include "apps/zel-render/image_files.h"

#include <OpenImageIO/imagebufalgo.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "apps/zel-render/composition.h"
#include "apps/zel-render/whole_files.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using OIIO::ImageBuf;
using OIIO::ImageSpec;
using OIIO::TypeDesc;
namespace algo = OIIO::ImageBufAlgo;

// How a world of one depth holds a channel, as OpenImageIO reads it: its type, and the factor
// from OpenImageIO's 0 to 1 to the world's range (16-bit white is 32768, not 65535).
struct WorldDepth {
    PF_PixelFormat format;
    int bits;
    TypeDesc::BASETYPE type;
    float fromUnit;
};

constexpr float kUnit16 = static_cast<float>(PF_MAX_CHAN16) / 65535.0f;
constexpr WorldDepth kWorldDepths[] = {
    {PF_PixelFormat_ARGB32, 8, TypeDesc::UINT8, 1.0f},
    {PF_PixelFormat_ARGB64, 16, TypeDesc::UINT16, kUnit16},
    {PF_PixelFormat_ARGB128, 32, TypeDesc::FLOAT, 1.0f},
};

const WorldDepth& depthOf(const WorldView& world)
{
    for (const WorldDepth& depth : kWorldDepths) {
        if (depth.format == world.layout->format) {
            return depth;
        }
    }
    throw std::invalid_argument(std::string(world.layout->name) +
                                " worlds are not read or written as images");
}

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

[[noreturn]] void fail(const fs::path& file, const std::string& reason)
{
    throw std::runtime_error(file.string() + ": " + reason);
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

ImageBuf readLayerImage(const fs::path& file, PF_RationalScale downsampleX,
                        PF_RationalScale downsampleY)
{
    // Pixels as stored: straight alpha stays straight.
    ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    ImageBuf source(file.string(), 0, 0, nullptr, &config);
    // The header alone first, so that an image too large is refused before it fills memory.
    const ImageSpec& header = source.nativespec();
    if (header.width > kMaxLayerSide || header.height > kMaxLayerSide) {
        fail(file, "is " + std::to_string(header.width) + " x " + std::to_string(header.height) +
                       " pixels; layers take at most " + std::to_string(kMaxLayerSide) +
                       " each way");
    }
    if (!source.read(0, 0, true, TypeDesc::FLOAT)) {
        fail(file, "cannot be read as an image: " + source.geterror());
    }
    std::vector<int> colours;
    for (int c = 0; c < header.nchannels; ++c) {
        if (c != header.alpha_channel) {
            colours.push_back(c);
        }
    }
    if (colours.empty()) {
        fail(file, "has no colour channel");
    }
    const bool grey = colours.size() < 3;
    // -1 takes its value from the list below: alpha 1 where the image has none.
    const int order[] = {header.alpha_channel, colours[0], colours[grey ? 0 : 1],
                         colours[grey ? 0 : 2]};
    const float missing[] = {1.0f, 0.0f, 0.0f, 0.0f};
    ImageBuf argb = algo::channels(source, 4, order, missing);
    const std::int32_t width = downsampled(header.width, downsampleX);
    const std::int32_t height = downsampled(header.height, downsampleY);
    if (width != header.width || height != header.height) {
        argb = algo::resize(argb, "", 0.0f, OIIO::ROI(0, width, 0, height, 0, 1, 0, 4));
    }
    if (argb.has_error()) {
        fail(file, argb.geterror());
    }
    return argb;
}

void storeImage(const ImageBuf& argb, const WorldView& world)
{
    const WorldDepth& depth = depthOf(world);
    const ImageBuf scaled = depth.fromUnit != 1.0f ? algo::mul(argb, depth.fromUnit) : argb;
    if (!scaled.get_pixels(scaled.roi(), TypeDesc(depth.type), world.data, world.layout->bytes,
                           world.rowbytes)) {
        throw std::runtime_error("cannot convert the image to the layer: " + scaled.geterror());
    }
}

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

    const fs::path temporary = temporaryName(file);
    if (!rgba.write(temporary.string(), TypeDesc::UNKNOWN, format->name)) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        failOutput(file, "cannot be written: " + rgba.geterror());
    }
    std::error_code renamed;
    fs::rename(temporary, file, renamed);
    if (renamed) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        failOutput(file, "cannot take the finished frame: " + renamed.message());
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
