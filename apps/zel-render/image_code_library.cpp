// The entry of libzel_images.so (host/image_code.h): the layer images of host/ and the frame files
// of zel-render, with the image library they read and write through.
#include <optional>

#include "apps/zel-render/image_files.h"
#include "host/image_code.h"
#include "host/layer_images.h"

namespace zelrender {
namespace {

std::pair<std::int32_t, std::int32_t> layerImageSize(const std::filesystem::path& file)
{
    const OpenedImage image = openLayerImage(file);
    return {image.header.width, image.header.height};
}

void loadLayerImage(const std::filesystem::path& file, PF_RationalScale downsampleX,
                    PF_RationalScale downsampleY, const LayerWorld& attach)
{
    const OIIO::ImageBuf image = readLayerImage(file, downsampleX, downsampleY);
    storeImage(image, attach(image.roi().width(), image.roi().height()));
}

// The backdrop is made for the first frame's size, which all frames of a run share.
class BackdropOutput final : public FrameOutput {
public:
    BackdropOutput(const Background& background, const std::filesystem::path& output, bool opaque)
        : background_(background), output_(output), opaque_(opaque)
    {
    }
    void write(const WorldView& world, const std::filesystem::path& file) override
    {
        writeImage(world, file, backdrop(world));
    }
    std::vector<std::byte> pixels(const WorldView& world) override
    {
        return rgbaPixels(world, output_, backdrop(world));
    }

private:
    const Backdrop& backdrop(const WorldView& world)
    {
        if (!backdrop_) {
            backdrop_.emplace(background_, opaque_, world.width, world.height);
        }
        return *backdrop_;
    }

    Background background_;
    std::filesystem::path output_;
    bool opaque_;
    std::optional<Backdrop> backdrop_;
};

std::unique_ptr<FrameOutput> frameOutput(const Background& background,
                                         const std::filesystem::path& output, bool opaque)
{
    return std::make_unique<BackdropOutput>(background, output, opaque);
}

constexpr ImageCode kImageCode = {layerImageSize, loadLayerImage, frameOutput};

}  // namespace
}  // namespace zelrender

extern "C" __attribute__((visibility("default"))) const zelrender::ImageCode* zelImageCode()
{
    return &zelrender::kImageCode;
}
