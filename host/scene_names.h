// What reading, checking and writing scene files share: the names a scene file gives the layer
// controls, the camera and light types and the kinds of interpolation.
#pragma once

#include <algorithm>
#include <filesystem>

#include "host/composition.h"
#include "host/scene.h"

namespace zelrender {

// The layer controls a scene names by key.
struct LayerKey {
    const char* key;
    const char* control;
};
constexpr LayerKey kLayerKeys[] = {
    {"texture_layer", "Texture Layer"},
    {"amplitude_layer", "Amplitude Layer"},
};

template <typename T>
struct Named {
    const char* name;
    T value;
};

constexpr Named<AEGP_CameraType> kCameraTypes[] = {
    {"perspective", AEGP_CameraType_PERSPECTIVE},
    {"orthographic", AEGP_CameraType_ORTHOGRAPHIC},
};
constexpr Named<AEGP_LightType> kLightTypes[] = {
    {"parallel", AEGP_LightType_PARALLEL},
    {"spot", AEGP_LightType_SPOT},
    {"point", AEGP_LightType_POINT},
    {"ambient", AEGP_LightType_AMBIENT},
};
constexpr Named<Interpolation> kInterpolations[] = {
    {"linear", Interpolation::Linear},
    {"hold", Interpolation::Hold},
    {"smooth", Interpolation::Smooth},
};

inline const std::filesystem::path* layerFile(const Scene& scene, const LayerKey& layer)
{
    const auto found = std::find_if(scene.layers.begin(), scene.layers.end(),
                                    [&](const auto& l) { return l.first == layer.control; });
    return found != scene.layers.end() ? &found->second : nullptr;
}

}  // namespace zelrender
