#include "apps/zel-render/gpu_limits.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "host/image_code.h"
#include "host/message_text.h"
#include "plugin/platform/offscreen_context.h"

namespace zelrender {
std::optional<int> largestTextureSide()
{
    const zel::platform::ContextPlatform& platform = zel::platform::eglContextPlatform();
    const int attributes[] = {zel::platform::kPFAColorSize, 32, zel::platform::kPFAEnd};
    zel::platform::PixelFormat* format = platform.choosePixelFormat(attributes);
    if (format == nullptr) {
        return std::nullopt;
    }
    zel::platform::Context* context = platform.createContext(format);
    platform.destroyPixelFormat(format);
    GLint side = 0;
    if (context != nullptr && platform.setCurrentContext(context)) {
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
        platform.setCurrentContext(nullptr);
    }
    if (context != nullptr) {
        platform.destroyContext(context);
    }
    return side > 0 ? std::optional(side) : std::nullopt;
}

void checkFrameFits(const Scene& scene, std::optional<int> largestSide,
                    const std::string& sizeGivenBy)
{
    const Composition& composition = scene.composition;
    const PF_RationalScale downsample = composition.downsampleX;
    const std::string downsampleText = std::to_string(downsample.den);
    const std::string largest = largestSide ? std::to_string(*largestSide) : "";
    const auto check = [&](const std::string& what, const std::string& sizeFrom,
                           std::int32_t fullWidth, std::int32_t fullHeight, const char* instead) {
        const std::int32_t width = downsampled(fullWidth, downsample);
        const std::int32_t height = downsampled(fullHeight, composition.downsampleY);
        const std::string size = sizeText(fullWidth, fullHeight) + " pixels";
        if (width < 1 || height < 1) {
            throw std::invalid_argument(
                "--downsample " + downsampleText + ": " + what + " of " + size + " has " +
                sizeText(width, height) + " at 1/" + downsampleText + "; take N from 1 to " +
                std::to_string(std::min(fullWidth, fullHeight)) + " here");
        }
        if (largestSide && (width > *largestSide || height > *largestSide)) {
            throw std::invalid_argument(
                sizeFrom + ": " + what + " of " + sizeText(width, height) +
                " pixels is larger than this machine's OpenGL driver draws, at most " + largest +
                " x " + largest + "; " + instead + ", or render at 1/N of it with --downsample N");
        }
    };
    check("a frame", sizeGivenBy, composition.width, composition.height, "choose a smaller size");
    for (const auto& [control, file] : scene.layers) {
        const std::string place = scene.source + ": the image of " + inQuotes(control);
        std::pair<std::int32_t, std::int32_t> size;
        try {
            size = imageCode().layerImageSize(file);
        } catch (const std::runtime_error& e) {
            throw std::invalid_argument(place + ": " + file.string() + ": " + e.what());
        }
        check("the layer " + file.string(), place, size.first, size.second,
              "make the image smaller");
    }
}

}  // namespace zelrender
