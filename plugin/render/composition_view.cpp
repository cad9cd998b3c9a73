#include "plugin/render/composition_view.h"

#include "plugin/host/suite_handler.h"

namespace zel {
namespace {

Matrix4 flatten(const AEGP_Matrix4& m)
{
    Matrix4 out{};
    for (std::size_t r = 0; r < 4; ++r) {
        for (std::size_t c = 0; c < 4; ++c) {
            out[4 * r + c] = m.mat[r][c];
        }
    }
    return out;
}

struct LightWalk {
    const AEGP_LayerSuite5* layers;
    const AEGP_LightSuite1* lights;
    const AEGP_StreamSuite4* streams;
    AEGP_Time compTime;

    double stream(AEGP_LayerH layer, AEGP_LayerStream which) const
    {
        AEGP_StreamVal value{};
        AEGP_StreamType type = AEGP_StreamType_NO_DATA;
        streams->AEGP_GetLayerStreamValue(layer, which, AEGP_LTimeMode_CompTime, &compTime, 0, &value, &type);
        return value.one_d;
    }

    std::array<double, 3> color(AEGP_LayerH layer) const
    {
        AEGP_StreamVal value{};
        AEGP_StreamType type = AEGP_StreamType_NO_DATA;
        streams->AEGP_GetLayerStreamValue(layer, AEGP_LayerStream_COLOR, AEGP_LTimeMode_CompTime,
                                          &compTime, 0, &value, &type);
        return {value.color.red, value.color.green, value.color.blue};
    }

    // A light whose video is off, or whose span excludes the frame, shines with intensity 0.
    bool shines(AEGP_LayerH layer) const
    {
        PF_Boolean on = 1;
        layers->AEGP_IsLayerVideoReallyOn(layer, &on);
        if (on == 0) {
            return false;
        }
        AEGP_Time in{0, 1};
        AEGP_Time duration{0, 1};
        layers->AEGP_GetLayerInPoint(layer, AEGP_LTimeMode_CompTime, &in);
        layers->AEGP_GetLayerDuration(layer, AEGP_LTimeMode_CompTime, &duration);
        const auto seconds = [](const AEGP_Time& t) {
            return t.scale == 0 ? 0.0 : static_cast<double>(t.value) / t.scale;
        };
        const double now = seconds(compTime);
        return now >= seconds(in) && now <= seconds(in) + seconds(duration);
    }

    // The light of `layer` when it is one of `type`, else nothing; false when the host failed.
    bool lightType(AEGP_CompH comp, int index, AEGP_LayerH& layer, AEGP_LightType& type) const
    {
        layer = nullptr;
        type = AEGP_LightType_NONE;
        if (layers->AEGP_GetCompLayerByIndex(comp, index, &layer) != PF_Err_NONE) {
            return false;
        }
        if (layer == nullptr) {
            return true;
        }
        AEGP_ObjectType object = AEGP_ObjectType_NONE;
        if (layers->AEGP_GetLayerObjectType(layer, &object) != PF_Err_NONE) {
            return false;
        }
        return object != AEGP_ObjectType_LIGHT || lights->AEGP_GetLightType(layer, &type) == PF_Err_NONE;
    }
};

}  // namespace

CameraAnswer gatherCamera(const PF_InData* in_data, FrameValues& v)
{
    CameraAnswer answer;
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    const AEGP_PFInterfaceSuite1* effect = suites.get<AEGP_PFInterfaceSuite1>();
    AEGP_Time compTime{};
    answer.fatal = effect->AEGP_ConvertEffectToCompTime(in_data->effect_ref, in_data->current_time,
                                                        in_data->time_scale, &compTime);
    if (answer.fatal != PF_Err_NONE) {
        return answer;
    }
    AEGP_Matrix4 camera{};
    int16_t planeWidth = 0;
    int16_t planeHeight = 0;
    answer.fatal = effect->AEGP_GetEffectCameraMatrix(in_data->effect_ref, &compTime, &camera,
                                                      &v.planeDistance, &planeWidth, &planeHeight);
    if (answer.fatal != PF_Err_NONE) {
        return answer;
    }
    v.cameraMatrix = flatten(camera);

    v.isPerspective = true;
    AEGP_LayerH cameraLayer = nullptr;
    answer.soft = effect->AEGP_GetEffectCamera(in_data->effect_ref, &compTime, &cameraLayer);
    if (answer.soft == PF_Err_NONE && cameraLayer != nullptr) {
        AEGP_CameraType type = AEGP_CameraType_PERSPECTIVE;
        answer.soft = suites.get<AEGP_CameraSuite2>()->AEGP_GetCameraType(cameraLayer, &type);
        v.isPerspective = answer.soft != PF_Err_NONE || type != AEGP_CameraType_ORTHOGRAPHIC;
    }
    applyCameraToFog(v);
    v.viewMatrix = viewMatrixFromCamera(v.cameraMatrix);
    return answer;
}

void gatherLights(const PF_InData* in_data, FrameValues& v)
{
    v.lightCount = 0;
    v.ambientColor = {0, 0, 0};
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    const AEGP_PFInterfaceSuite1* effect = suites.get<AEGP_PFInterfaceSuite1>();
    LightWalk walk{suites.get<AEGP_LayerSuite5>(), suites.get<AEGP_LightSuite1>(),
                   suites.get<AEGP_StreamSuite4>(), {}};

    AEGP_LayerH effectLayer = nullptr;
    AEGP_CompH comp = nullptr;
    int32_t layerCount = 0;
    const bool found =
        effect->AEGP_ConvertEffectToCompTime(in_data->effect_ref, in_data->current_time,
                                             in_data->time_scale, &walk.compTime) == PF_Err_NONE &&
        effect->AEGP_GetEffectLayer(in_data->effect_ref, &effectLayer) == PF_Err_NONE &&
        walk.layers->AEGP_GetLayerParentComp(effectLayer, &comp) == PF_Err_NONE &&
        walk.layers->AEGP_GetCompNumLayers(comp, &layerCount) == PF_Err_NONE;
    if (!found) {
        layerCount = 0;
    }

    for (int32_t i = 0; i < layerCount && v.lightCount < kMaxLights; ++i) {
        AEGP_LayerH layer = nullptr;
        AEGP_LightType type = AEGP_LightType_NONE;
        if (!walk.lightType(comp, i, layer, type)) {
            break;
        }
        if (type != AEGP_LightType_SPOT && type != AEGP_LightType_POINT) {
            continue;
        }
        LightRecord light;
        light.color = walk.color(layer);
        AEGP_Matrix4 transform{};
        if (walk.layers->AEGP_GetLayerToWorldXform(layer, &walk.compTime, &transform) != PF_Err_NONE) {
            break;  // a light without a place cannot shine; the ones before it stay
        }
        light.position = {transform.mat[3][0], transform.mat[3][1], transform.mat[3][2]};
        light.direction = {transform.mat[2][0], transform.mat[2][1], transform.mat[2][2]};
        if (type == AEGP_LightType_SPOT) {
            light.cutoff = walk.stream(layer, AEGP_LayerStream_CONE_ANGLE) * 0.5;
            light.exponentBase = walk.stream(layer, AEGP_LayerStream_CONE_FEATHER) * 0.01;
        } else {
            light.cutoff = 180.0;
            light.exponentBase = 0.0;
        }
        light.intensity = walk.stream(layer, AEGP_LayerStream_INTENSITY) * 0.01;
        if (!walk.shines(layer)) {
            light.intensity = 0.0;
        }
        v.lights[static_cast<std::size_t>(v.lightCount++)] = light;
    }

    int ambientLights = 0;
    for (int32_t i = 0; i < layerCount; ++i) {
        AEGP_LayerH layer = nullptr;
        AEGP_LightType type = AEGP_LightType_NONE;
        if (!walk.lightType(comp, i, layer, type)) {
            break;
        }
        if (type != AEGP_LightType_AMBIENT) {
            continue;
        }
        ++ambientLights;
        const std::array<double, 3> color = walk.color(layer);
        double intensity = walk.stream(layer, AEGP_LayerStream_INTENSITY) * 0.01;
        if (intensity != 0.0 && !walk.shines(layer)) {
            intensity = 0.0;
        }
        for (std::size_t c = 0; c < 3; ++c) {
            v.ambientColor[c] += color[c] * intensity;
        }
    }
    // A composition without any light is lit as if by white ambient light.
    if (v.lightCount + ambientLights == 0) {
        v.ambientColor = {1, 1, 1};
    }
}

}  // namespace zel
