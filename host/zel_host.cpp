#include "host/zel_host.h"

#include <stdexcept>

#include "host/image_code.h"
#include "host/param_assignment.h"

namespace zelrender {

void setUpForScene(EffectHost& host, const Scene& scene, std::span<const std::string> assignments)
{
    // Controls are known only once the module has registered them, so set-up comes first.
    host.setUp();
    applyControls(scene, host.params());
    applyAssignments(host.params(), assignments);
    if (!scene.controls.empty() || !assignments.empty()) {
        host.refreshControls();
    }
}

void attachLayerImages(EffectHost& host, const Scene& scene)
{
    const Composition& composition = host.composition();
    for (const auto& [control, file] : scene.layers) {
        try {
            const int index = findControl(host.params(), control);
            imageCode().loadLayerImage(file, composition.downsampleX, composition.downsampleY,
                                       [&](std::int32_t width, std::int32_t height) {
                                           return host.attachLayer(index, width, height);
                                       });
        } catch (const std::exception& e) {
            throw std::invalid_argument(scene.source + ": the image of \"" + control +
                                        "\": " + e.what());
        }
    }
}

}  // namespace zelrender
