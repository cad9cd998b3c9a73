#include "apps/zel-render/image_files.h"

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imagebufalgo.h>
#include <webp/encode.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "apps/zel-render/image_formats.h"
#include "apps/zel-render/video_encoder.h"
#include "host/layer_images.h"
#include "host/whole_files.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using OIIO::ImageBuf;
using OIIO::ImageSpec;
using OIIO::TypeDesc;
namespace algo = OIIO::ImageBufAlgo;

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

// An 8-bit world's bytes as red, green, blue and alpha, alpha straight as it is.
ImageBuf rgbaBytes(const WorldView& world)
{
    ImageBuf rgba(ImageSpec(world.width, world.height, 4, TypeDesc::UINT8));
    auto* out = static_cast<std::uint8_t*>(rgba.localpixels());
    for (std::int32_t y = 0; y < world.height; ++y) {
        const std::uint8_t* argb = world.at(0, y);
        for (std::int32_t x = 0; x < world.width; ++x, argb += 4, out += 4) {
            out[0] = argb[1];
            out[1] = argb[2];
            out[2] = argb[3];
            out[3] = argb[0];
        }
    }
    return rgba;
}

// The frame as red, green, blue and alpha in the convention `alpha` names, composited over
// `backdrop` where it has one: floats, or bytes where no arithmetic is needed.
ImageBuf composited(const WorldView& world, const Backdrop& backdrop, Alpha alpha,
                    const fs::path& destination)
{
    // An 8-bit frame left straight over nothing is written as 8 bits, and its bytes would come
    // back from floats as they were: they are taken as they are, without a frame of floats.
    if (depthOf(world).bits == 8 && backdrop.none() && alpha != Alpha::Premultiplied) {
        return rgbaBytes(world);
    }
    ImageBuf rgba = straightRgba(world, destination);
    try {
        if (!backdrop.none()) {
            backdrop.under(rgba);
        } else if (alpha == Alpha::Premultiplied) {
            rgba.specmod().alpha_channel = 3;
            algo::premult(rgba, rgba);
        }
    } catch (const std::runtime_error& e) {
        failOutput(destination, e.what());
    }
    if (!backdrop.none() && alpha == Alpha::Straight) {
        algo::unpremult(rgba, rgba);
    }
    if (rgba.has_error()) {
        failOutput(destination, "cannot convert the frame: " + rgba.geterror());
    }
    return rgba;
}

// A lossless WebP file of straight 8-bit red, green, blue and alpha, the colour of transparent
// pixels kept as it is.
std::vector<unsigned char> webpFile(const ImageBuf& rgba, const fs::path& file)
{
    const OIIO::ROI roi = rgba.roi();
    std::vector<std::uint8_t> pixels(roi.npixels() * 4);
    WebPConfig config;
    WebPPicture picture;
    if (!rgba.get_pixels(roi, TypeDesc::UINT8, pixels.data()) || !WebPConfigInit(&config) ||
        !WebPPictureInit(&picture)) {
        failOutput(file, "cannot convert the frame for WebP");
    }
    config.lossless = 1;
    config.exact = 1;
    picture.use_argb = 1;
    picture.width = roi.width();
    picture.height = roi.height();
    WebPMemoryWriter memory;
    WebPMemoryWriterInit(&memory);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &memory;
    const bool encoded = WebPPictureImportRGBA(&picture, pixels.data(), roi.width() * 4) &&
                         WebPEncode(&config, &picture);
    const WebPEncodingError error = picture.error_code;
    WebPPictureFree(&picture);
    std::vector<unsigned char> bytes(memory.mem, memory.mem + memory.size);
    WebPMemoryWriterClear(&memory);
    if (!encoded) {
        failOutput(file, "cannot be encoded as WebP (libwebp error " + std::to_string(error) +
                             ")");
    }
    return bytes;
}

// Frame pixels as rgbaPixels gives them.
std::vector<std::byte> videoPixels(const ImageBuf& rgba, bool deep, const fs::path& destination)
{
    if (rgba.has_error()) {
        failOutput(destination, "cannot convert the frame: " + rgba.geterror());
    }
    const TypeDesc type(deep ? TypeDesc::UINT16 : TypeDesc::UINT8);
    std::vector<std::byte> pixels(rgba.roi().npixels() * 4 * type.size());
    if (!rgba.get_pixels(rgba.roi(), type, pixels.data())) {
        failOutput(destination, "cannot convert the frame: " + rgba.geterror());
    }
    return pixels;
}

}  // namespace

void writeImage(const WorldView& world, const fs::path& file, const Backdrop& backdrop)
{
    const auto [format, type] = fileFormat(file, depthOf(world).bits);
    ImageBuf rgba = composited(world, backdrop, format->alpha, file);
    if (format->alpha == Alpha::None) {
        rgba = algo::channels(rgba, 3, {});
    }
    rgba.specmod().attribute("oiio:UnassociatedAlpha", format->alpha == Alpha::Straight ? 1 : 0);
    rgba.set_write_format(type);

    // The file is made in memory and written by replaceWhole, which checks every byte of it and
    // the close: the image library's own writes would let a full disk pass as a finished frame.
    // Room for the pixels uncompressed, so that the file grows in place: doubling its buffer as
    // it is written would copy it over and over and, beside the next frame's drawing, raise the
    // process's peak memory by twice the frame.
    std::vector<unsigned char> encoded;
    encoded.reserve(rgba.roi().npixels() * static_cast<std::size_t>(rgba.nchannels()) * type.size() +
                    65536);
    if (std::string_view(format->name) == "webp") {
        encoded = webpFile(rgba, file);
    } else {
        OIIO::Filesystem::IOVecOutput memory(encoded);
        rgba.set_write_ioproxy(&memory);
        if (!rgba.write(file.string(), TypeDesc::UNKNOWN, format->name)) {
            failOutput(file, "cannot be written: " + rgba.geterror());
        }
    }
    try {
        const std::string_view bytes(reinterpret_cast<const char*>(encoded.data()),
                                     encoded.size());
        replaceWhole(file, bytes, temporaryName(file));
    } catch (const std::runtime_error& e) {
        failOutput(file, std::string("cannot be written: ") + e.what());
    }
}

std::vector<std::byte> rgbaPixels(const WorldView& world, const fs::path& destination,
                                  const Backdrop& backdrop)
{
    return videoPixels(composited(world, backdrop, Alpha::Straight, destination),
                       depthOf(world).bits > 8, destination);
}

std::vector<std::byte> rgbaPixels(ImageBuf premultiplied, const fs::path& destination, bool deep)
{
    premultiplied.specmod().alpha_channel = 3;
    if (keepsAlpha(destination)) {
        algo::unpremult(premultiplied, premultiplied);
    } else {
        // Over black, colour multiplied by alpha is what shows, and nothing shows through.
        OIIO::ROI alpha = premultiplied.roi();
        alpha.chbegin = 3;
        const float opaque[] = {0.0f, 0.0f, 0.0f, 1.0f};
        algo::fill(premultiplied, opaque, alpha);
    }
    return videoPixels(premultiplied, deep, destination);
}

}  // namespace zelrender
