#include "apps/zel-render/gpu_limits.h"

#include <epoxy/gl.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <utility>

#include "apps/zel-render/child_processes.h"
#include "host/layer_images.h"
#include "host/message_text.h"
#include "plugin/platform/offscreen_context.h"

namespace zelrender {
namespace {

// 0 when no context can be made current.
int queryLargestTextureSide()
{
    const zel::platform::ContextPlatform& platform = zel::platform::eglContextPlatform();
    const int attributes[] = {zel::platform::kPFAColorSize, 32, zel::platform::kPFAEnd};
    zel::platform::PixelFormat* format = platform.choosePixelFormat(attributes);
    if (format == nullptr) {
        return 0;
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
    return side;
}

}  // namespace

TextureSideQuery::TextureSideQuery()
{
    Pipe answer = makePipe();
    child_ = ::fork();
    if (child_ == 0) {
        answer.read.reset();
        const int side = queryLargestTextureSide();
        ::_exit(writeAll(answer.write.get(), &side, sizeof side) ? 0 : 1);
    }
    read_ = std::move(answer.read);
}

TextureSideQuery::~TextureSideQuery()
{
    if (child_ > 0) {
        waitFor(child_);
    }
}

std::optional<int> TextureSideQuery::answer()
{
    if (child_ < 0) {
        return std::nullopt;
    }
    int side = 0;
    const bool answered = readAll(read_.get(), &side, sizeof side) == sizeof side;
    waitFor(std::exchange(child_, -1));
    return answered && side > 0 ? std::optional(side) : std::nullopt;
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
        std::unique_ptr<OIIO::ImageInput> in;
        try {
            in = openLayerImage(file);
        } catch (const std::runtime_error& e) {
            throw std::invalid_argument(place + ": " + file.string() + ": " + e.what());
        }
        const OIIO::ImageSpec size = in->spec_dimensions(0);
        check("the layer " + file.string(), place, size.width, size.height,
              "make the image smaller");
    }
}

}  // namespace zelrender
