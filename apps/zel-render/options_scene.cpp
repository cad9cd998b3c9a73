#include "apps/zel-render/options_scene.h"

#include <cstdint>
#include <tuple>

#include "apps/zel-render/render_job.h"

namespace zelrender {

Scene sceneOf(const Options& options)
{
    Scene scene = options.scenePath.empty() ? defaultScene() : readScene(options.scenePath);
    Composition& composition = scene.composition;
    if (!options.size.empty()) {
        std::tie(composition.width, composition.height) = parseSize(options.size);
    }
    if (options.bitsPerChannel != 0) {
        composition.bitsPerChannel = options.bitsPerChannel;
    }
    composition.downsampleX = composition.downsampleY =
        PF_RationalScale{1, static_cast<std::uint32_t>(options.downsample)};
    return scene;
}

}  // namespace zelrender
