#include "apps/zel-render/background.h"

#include <OpenImageIO/imagebufalgo.h>

#include <stdexcept>
#include <variant>

#include "host/layer_images.h"
#include "host/message_text.h"
#include "host/scene_check.h"

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

Background backgroundOption(const std::string& text)
{
    if (const std::optional<Background> background = parseBackground(text, "")) {
        return *background;
    }
    throw std::invalid_argument(
        "--background takes a colour as #RRGGBB (hexadecimal) or the path of an image file; got " +
        inQuotes(text));
}

void checkBackground(const Background& background, const Composition& composition,
                     const std::string& where)
{
    const auto* file = std::get_if<fs::path>(&background);
    if (file == nullptr) {
        return;
    }
    std::string why = whyUnreadable(*file);
    if (why.empty()) {
        try {
            const ImageSpec header = openLayerImage(*file)->spec_dimensions(0);
            if (header.width == composition.width && header.height == composition.height) {
                return;
            }
            throw std::invalid_argument(
                where + ": the image " + file->string() + " is " +
                sizeText(header.width, header.height) +
                " pixels; a background takes an image of the composition's size, " +
                sizeText(composition.width, composition.height));
        } catch (const std::runtime_error& e) {
            why = e.what();
        }
    }
    throw std::invalid_argument(where + ": cannot read the image " + file->string() + ": " +
                                oneLine(why));
}

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
