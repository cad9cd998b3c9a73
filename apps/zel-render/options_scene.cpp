#include "apps/zel-render/options_scene.h"

#include <cstdint>
#include <tuple>

#include "apps/zel-render/background.h"
#include "apps/zel-render/render_job.h"
#include "apps/zel-render/render_workers.h"
#include "host/param_assignment.h"

namespace zelrender {

std::string sceneTextOf(const Options& options)
{
    return options.scenePath.empty() ? ""
           : options.worker.empty()  ? readSceneText(options.scenePath)
                                     : sceneTextFromCommand();
}

Scene sceneOf(const Options& options, const std::string& text)
{
    Scene scene = options.scenePath.empty() ? defaultScene() : readScene(options.scenePath, text);
    Composition& composition = scene.composition;
    if (!options.size.empty()) {
        std::tie(composition.width, composition.height) = parseSize(options.size);
    }
    if (options.bitsPerChannel != 0) {
        composition.bitsPerChannel = options.bitsPerChannel;
    }
    composition.downsampleX = composition.downsampleY =
        PF_RationalScale{1, static_cast<std::uint32_t>(options.downsample)};
    if (!options.background.empty()) {
        scene.background = backgroundOption(options.background);
    }
    checkBackground(scene.background, composition,
                    options.background.empty() ? scene.source + ": background" : "--background");
    assignLayers(scene, options.assignments);
    return scene;
}

}  // namespace zelrender
