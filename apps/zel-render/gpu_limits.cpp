#include "apps/zel-render/gpu_limits.h"

#include <epoxy/gl.h>
#include <unistd.h>

#include <stdexcept>

#include "apps/zel-render/child_processes.h"
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

std::optional<int> largestTextureSide()
{
    Pipe answer = makePipe();
    const pid_t child = ::fork();
    if (child < 0) {
        return std::nullopt;
    }
    if (child == 0) {
        answer.read.reset();
        const int side = queryLargestTextureSide();
        ::_exit(writeAll(answer.write.get(), &side, sizeof side) ? 0 : 1);
    }
    answer.write.reset();
    int side = 0;
    const bool answered = readAll(answer.read.get(), &side, sizeof side) == sizeof side;
    waitFor(child);
    return answered && side > 0 ? std::optional(side) : std::nullopt;
}

void checkFrameFits(const Composition& composition, int largestSide,
                    const std::string& sizeGivenBy)
{
    const std::int32_t width = downsampled(composition.width, composition.downsampleX);
    const std::int32_t height = downsampled(composition.height, composition.downsampleY);
    if (width <= largestSide && height <= largestSide) {
        return;
    }
    const std::string largest = std::to_string(largestSide);
    throw std::invalid_argument(
        sizeGivenBy + ": a frame of " + std::to_string(width) + " x " + std::to_string(height) +
        " pixels is larger than this machine's OpenGL driver draws, at most " + largest + " x " +
        largest + "; choose a smaller size, or render at 1/N of it with --downsample N");
}

}  // namespace zelrender
