#include "apps/zel-render/background.h"

#include <OpenImageIO/imagebufalgo.h>

#include <stdexcept>
#include <variant>

#include "host/layer_images.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using OIIO::ImageBuf;
using OIIO::ImageSpec;
namespace algo = OIIO::ImageBufAlgo;

// The image as premultiplied red, green, blue and alpha of `width` x `height`.
ImageBuf imagePixels(const fs::path& file, std::int32_t width, std::int32_t height)
{
    const ImageBuf argb = readLayerImage(file, {1, 1}, {1, 1});
    const int order[] = {1, 2, 3, 0};
    ImageBuf rgba = algo::channels(argb, 4, order, {}, {"R", "G", "B", "A"});
    rgba.specmod().alpha_channel = 3;
    if (rgba.roi().width() != width || rgba.roi().height() != height) {
        rgba = algo::resize(rgba, "", 0.0f, OIIO::ROI(0, width, 0, height, 0, 1, 0, 4));
    }
    algo::premult(rgba, rgba);
    if (rgba.has_error()) {
        throw std::runtime_error(file.string() + ": " + rgba.geterror());
    }
    return rgba;
}

}  // namespace

Backdrop::Backdrop(const Background& background, bool opaque, std::int32_t width,
                   std::int32_t height)
{
    // Four channels make the fills' fourth one their alpha, as compositing over needs.
    const OIIO::ROI area(0, width, 0, height, 0, 1, 0, 4);
    if (const auto* color = std::get_if<Color>(&background)) {
        const float rgba[] = {static_cast<float>(color->red), static_cast<float>(color->green),
                              static_cast<float>(color->blue), 1.0f};
        pixels_ = algo::fill(rgba, area);
    } else if (const auto* file = std::get_if<fs::path>(&background)) {
        pixels_ = imagePixels(*file, width, height);
    }
    if (opaque) {
        const float black[] = {0.0f, 0.0f, 0.0f, 1.0f};
        const ImageBuf under = algo::fill(black, area);
        pixels_ = pixels_ ? algo::over(*pixels_, under) : under;
    }
}

void Backdrop::under(ImageBuf& rgba) const
{
    rgba.specmod().alpha_channel = 3;
    if (!algo::premult(rgba, rgba) || !algo::over(rgba, rgba, *pixels_)) {
        throw std::runtime_error("cannot composite the frame over its background: " +
                                 rgba.geterror());
    }
}

}  // namespace zelrender
