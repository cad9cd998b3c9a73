#include "apps/zel-farm/frame_encoding.h"

#include <OpenImageIO/imagebuf.h>

#include <cstddef>
#include <optional>
#include <vector>

#include "apps/zel-render/image_files.h"
#include "apps/zel-render/options_scene.h"
#include "apps/zel-render/render_job.h"
#include "apps/zel-render/video_encoder.h"

namespace zelrender {

void encodeFrames(const FarmRequest& request)
{
    const Composition composition = sceneOf(request.render, sceneTextOf(request.render)).composition;
    const FrameRange frames = parseFrames(request.render.frames, composition);
    std::optional<VideoEncoder> encoder;
    for (std::int32_t i = 0; i < frames.count(); ++i) {
        const std::filesystem::path file = framePath(request.encodeFrom, frames.at(i));
        OIIO::ImageBuf image(file.string());
        if (!image.read(0, 0, true, OIIO::TypeDesc::FLOAT) || image.nchannels() != 4) {
            throw OutputFailed(file.string() + ": cannot be read as a rendered frame: " +
                               (image.has_error() ? image.geterror() : "not 4 channels"));
        }
        const OIIO::ROI size = image.roi();
        if (!encoder) {
            encoder.emplace(request.render.output,
                            videoFormat(size.width(), size.height(), composition, frames.step),
                            request.render.verbose);
        } else if (size.width() != encoder->format().width ||
                   size.height() != encoder->format().height) {
            throw OutputFailed(file.string() + " is " + std::to_string(size.width()) + " x " +
                               std::to_string(size.height()) + " pixels, and the video's " +
                               std::to_string(encoder->format().width) + " x " +
                               std::to_string(encoder->format().height));
        }
        const std::vector<std::byte> pixels =
            rgbaPixels(image, request.render.output, encoder->format().deep);
        encoder->write(pixels);
    }
    encoder->finish();
    std::error_code ignored;
    for (std::int32_t i = 0; i < frames.count(); ++i) {
        std::filesystem::remove(framePath(request.encodeFrom, frames.at(i)), ignored);
    }
    std::filesystem::remove(request.encodeFrom.parent_path(), ignored);  // once empty
}

}  // namespace zelrender
