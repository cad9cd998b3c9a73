#include "host/layer_images.h"

#include <OpenImageIO/imagebufalgo.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "host/composition.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using OIIO::ImageBuf;
using OIIO::ImageSpec;
using OIIO::TypeDesc;
namespace algo = OIIO::ImageBufAlgo;

constexpr float kUnit16 = static_cast<float>(PF_MAX_CHAN16) / 65535.0f;
constexpr WorldDepth kWorldDepths[] = {
    {PF_PixelFormat_ARGB32, 8, TypeDesc::UINT8, 1.0f},
    {PF_PixelFormat_ARGB64, 16, TypeDesc::UINT16, kUnit16},
    {PF_PixelFormat_ARGB128, 32, TypeDesc::FLOAT, 1.0f},
};

[[noreturn]] void fail(const fs::path& file, const std::string& reason)
{
    throw std::runtime_error(file.string() + ": " + reason);
}

}  // namespace

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

}  // namespace zelrender
