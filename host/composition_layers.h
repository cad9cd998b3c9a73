// The composition as the module walks it through the composition suites: its layers (the
// effect's own first, then one per light, then the camera's when there is one), the camera's
// view and each layer's place, streams and time span. Space is the effect layer's: pixels of the
// full-size layer, y down, z away from the viewer.
#pragma once

#include <cstdint>
#include <vector>

#include "host/composition.h"

namespace zelrender {

// A frame at `position` whose z axis points towards `target` and whose y axis points as far
// down (+y) as that allows: rows 0 to 2 the x, y and z axes, row 3 the position, in the
// row-vector convention. Looking straight up or down, x is +x or -x; a target at the position
// itself counts as straight ahead (+z).
AEGP_Matrix4 lookAt(const SpacePoint& position, const SpacePoint& target);

struct CameraView {
    AEGP_Matrix4 cameraToLayer;
    double zoom;  // the distance to the image plane, in pixels
};

struct StreamValue {
    AEGP_StreamVal value;
    AEGP_StreamType type;
};

class CompositionLayers {
public:
    explicit CompositionLayers(const Composition& composition);
    CompositionLayers(const CompositionLayers&) = delete;
    CompositionLayers& operator=(const CompositionLayers&) = delete;

    // The scene's camera, or the default camera when it has none.
    CameraView camera(double seconds) const;

    AEGP_CompH comp() const;
    std::int32_t count() const { return static_cast<std::int32_t>(layers_.size()); }
    // Throws std::out_of_range for an index outside 0 to count() - 1.
    AEGP_LayerH at(std::int32_t index) const;
    AEGP_LayerH effectLayer() const { return at(0); }
    // Null when the composition has no camera layer.
    AEGP_LayerH cameraLayer() const;
    // Throws std::invalid_argument when `comp` is not this composition.
    void checkComp(AEGP_CompH comp) const;

    // Each throws std::invalid_argument for a handle that is none of these layers, or a question
    // that does not apply to the layer (the light type of a camera, say).
    AEGP_ObjectType objectType(AEGP_LayerH layer) const;
    AEGP_LightType lightType(AEGP_LayerH layer) const;
    AEGP_CameraType cameraType(AEGP_LayerH layer) const;
    bool videoOn(AEGP_LayerH layer) const;
    double inPoint(AEGP_LayerH layer) const;   // seconds of composition time
    double duration(AEGP_LayerH layer) const;  // seconds
    AEGP_Matrix4 toWorld(AEGP_LayerH layer, double seconds) const;
    StreamValue stream(AEGP_LayerH layer, AEGP_LayerStream which, double seconds) const;

private:
    struct Layer {
        AEGP_ObjectType type;
        const Light* light;  // lights only
    };
    const Layer& find(AEGP_LayerH layer) const;
    const Light& lightOf(AEGP_LayerH layer) const;
    SpacePoint position(const Layer& layer, double seconds) const;
    SpacePoint pointOfInterest(const Layer& layer, double seconds) const;

    Composition composition_;
    std::vector<Layer> layers_;
};

}  // namespace zelrender
