#include "host/composition_suites.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "host/callback_guard.h"
#include "host/composition_layers.h"
#include "sdk/aegp_suites.h"

namespace zelrender {
namespace {

const CompositionLayers& layers()
{
    return liveHost().layers();
}

double secondsOf(const AEGP_Time* time)
{
    const AEGP_Time& t = required(time, "the time");
    if (t.scale == 0) {
        throw std::invalid_argument("the time's scale is 0");
    }
    return static_cast<double>(t.value) / t.scale;
}

// Seconds in the composition's time units.
AEGP_Time timeOf(double seconds)
{
    const std::uint32_t scale = liveHost().composition().timeScale;
    const double value = std::round(seconds * scale);
    if (!(std::abs(value) <= std::numeric_limits<std::int32_t>::max())) {
        throw std::out_of_range(std::to_string(seconds) + " s does not fit a time in units of 1/" +
                                std::to_string(scale) + " s");
    }
    return {static_cast<std::int32_t>(value), scale};
}

void requireTimeMode(AEGP_LTimeMode mode)
{
    if (mode != AEGP_LTimeMode_LayerTime && mode != AEGP_LTimeMode_CompTime) {
        throw std::invalid_argument("time mode " + std::to_string(mode) +
                                    " is neither layer time (0) nor composition time (1)");
    }
}

const AEGP_PFInterfaceSuite1 kPFInterfaceSuite = {
    [](PF_ProgPtr effect_ref, AEGP_LayerH* layer) {
        return guarded("AEGP_GetEffectLayer", [&] {
            required(layer, "the layer to fill") = hostOf(effect_ref).layers().effectLayer();
        });
    },
    [](PF_ProgPtr effect_ref, std::int32_t what_time, std::uint32_t time_scale,
       AEGP_Time* comp_time) {
        return guarded("AEGP_ConvertEffectToCompTime", [&] {
            hostOf(effect_ref);
            if (time_scale == 0) {
                throw std::invalid_argument("time_scale is 0");
            }
            required(comp_time, "the time to fill") = {what_time, time_scale};
        });
    },
    [](PF_ProgPtr effect_ref, const AEGP_Time* comp_time, AEGP_LayerH* camera_layer) {
        return guarded("AEGP_GetEffectCamera", [&] {
            const EffectHost& host = hostOf(effect_ref);
            secondsOf(comp_time);
            required(camera_layer, "the layer to fill") = host.layers().cameraLayer();
        });
    },
    [](PF_ProgPtr effect_ref, const AEGP_Time* comp_time, AEGP_Matrix4* camera_matrix,
       double* dist_to_image_plane, std::int16_t* image_plane_width,
       std::int16_t* image_plane_height) {
        return guarded("AEGP_GetEffectCameraMatrix", [&] {
            const EffectHost& host = hostOf(effect_ref);
            const CameraView view = host.layers().camera(secondsOf(comp_time));
            required(camera_matrix, "the matrix to fill") = view.cameraToLayer;
            required(dist_to_image_plane, "the distance to fill") = view.zoom;
            // Scene sizes are held below 32768, so they fit.
            required(image_plane_width, "the width to fill") =
                static_cast<std::int16_t>(host.composition().width);
            required(image_plane_height, "the height to fill") =
                static_cast<std::int16_t>(host.composition().height);
        });
    },
};

const AEGP_LayerSuite5 kLayerSuite = {
    [](AEGP_LayerH layer, AEGP_CompH* comp) {
        return guarded("AEGP_GetLayerParentComp", [&] {
            layers().objectType(layer);
            required(comp, "the composition to fill") = layers().comp();
        });
    },
    [](AEGP_CompH comp, std::int32_t* num_layers) {
        return guarded("AEGP_GetCompNumLayers", [&] {
            layers().checkComp(comp);
            required(num_layers, "the count to fill") = layers().count();
        });
    },
    [](AEGP_CompH comp, std::int32_t index, AEGP_LayerH* layer) {
        return guarded("AEGP_GetCompLayerByIndex", [&] {
            layers().checkComp(comp);
            required(layer, "the layer to fill") = layers().at(index);
        });
    },
    [](AEGP_LayerH layer, AEGP_ObjectType* type) {
        return guarded("AEGP_GetLayerObjectType",
                       [&] { required(type, "the type to fill") = layers().objectType(layer); });
    },
    [](AEGP_LayerH layer, PF_Boolean* on) {
        return guarded("AEGP_IsLayerVideoReallyOn", [&] {
            required(on, "the answer to fill") = layers().videoOn(layer) ? 1 : 0;
        });
    },
    [](AEGP_LayerH layer, AEGP_LTimeMode mode, AEGP_Time* in_point) {
        return guarded("AEGP_GetLayerInPoint", [&] {
            requireTimeMode(mode);
            required(in_point, "the time to fill") = timeOf(layers().inPoint(layer));
        });
    },
    [](AEGP_LayerH layer, AEGP_LTimeMode mode, AEGP_Time* duration) {
        return guarded("AEGP_GetLayerDuration", [&] {
            requireTimeMode(mode);
            required(duration, "the time to fill") = timeOf(layers().duration(layer));
        });
    },
    [](AEGP_LayerH layer, const AEGP_Time* comp_time, AEGP_Matrix4* transform) {
        return guarded("AEGP_GetLayerToWorldXform", [&] {
            required(transform, "the matrix to fill") =
                layers().toWorld(layer, secondsOf(comp_time));
        });
    },
};

const AEGP_CameraSuite2 kCameraSuite = {
    [](AEGP_LayerH camera_layer, AEGP_CameraType* type) {
        return guarded("AEGP_GetCameraType", [&] {
            required(type, "the type to fill") = layers().cameraType(camera_layer);
        });
    },
};

const AEGP_LightSuite1 kLightSuite = {
    [](AEGP_LayerH light_layer, AEGP_LightType* type) {
        return guarded("AEGP_GetLightType", [&] {
            required(type, "the type to fill") = layers().lightType(light_layer);
        });
    },
};

// Nothing here carries expressions, so the value before them is the value.
const AEGP_StreamSuite4 kStreamSuite = {
    [](AEGP_LayerH layer, AEGP_LayerStream stream, AEGP_LTimeMode mode, const AEGP_Time* time,
       PF_Boolean /*pre_expression*/, AEGP_StreamVal* value, AEGP_StreamType* type) {
        return guarded("AEGP_GetLayerStreamValue", [&] {
            requireTimeMode(mode);
            AEGP_StreamVal& valueOut = required(value, "the value to fill");
            AEGP_StreamType& typeOut = required(type, "the type to fill");
            const StreamValue answer = layers().stream(layer, stream, secondsOf(time));
            valueOut = answer.value;
            typeOut = answer.type;
        });
    },
};

}  // namespace

std::span<const OfferedSuite> compositionSuites()
{
    static const OfferedSuite suites[] = {
        {{kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1}, &kPFInterfaceSuite},
        {{kAEGPLayerSuite, kAEGPLayerSuiteVersion5}, &kLayerSuite},
        {{kAEGPCameraSuite, kAEGPCameraSuiteVersion2}, &kCameraSuite},
        {{kAEGPLightSuite, kAEGPLightSuiteVersion1}, &kLightSuite},
        {{kAEGPStreamSuite, kAEGPStreamSuiteVersion4}, &kStreamSuite},
    };
    return suites;
}

}  // namespace zelrender
