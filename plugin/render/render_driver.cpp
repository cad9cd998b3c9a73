#include "plugin/render/render_driver.h"

#include "plugin/host/PluginRasterProxy.h"
#include "plugin/render/composition_view.h"
#include "plugin/render/frame_context.h"
#include "plugin/render/frame_layers.h"
#include "plugin/render/frame_targets.h"
#include "plugin/render/layer_upload.h"
#include "plugin/render/post_process.h"
#include "plugin/render/shared_gl_state.h"
#include "plugin/render/surface_passes.h"

namespace zel {
namespace {

constexpr PF_Pixel kOpaqueRed = {255, 255, 0, 0};

// The GL part of the frame, with the shared context current.
PF_Err renderWithContext(FrameContext& frame)
{
    if (const PF_Err err = allocateFrameTargets(frame)) {
        return err;
    }
    if (frame.values.textureMode != 0) {
        if (const PF_Err err = uploadTextureLayer(frame)) {
            return err;
        }
    }
    if (frame.values.hasAmplitudeLayer) {
        if (const PF_Err err = uploadAmplitudeLayer(frame)) {
            return err;
        }
    }
    if (const PF_Err err = drawSurfacePasses(frame)) {
        return err;
    }
    return resolvePostProcessAndTransfer(frame);
}

PF_Err RenderUnsafe(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** params,
                    PF_LayerDef* output, PluginHost_API* host, GLMemoryObjects& gl)
{
    const PluginRasterProxy outputRaster(host->getOutputRaster(), host, false, true);
    const int pixelType = outputRaster->getPixelType();
    // Every frame that ends before the transfer leaves this red: a failure is never mistaken
    // for a picture.
    if (in_data->utils != nullptr && in_data->utils->fill != nullptr) {
        in_data->utils->fill(in_data->effect_ref, &kOpaqueRed, nullptr, output);
    }

    FrameValues values;
    PluginHost_API::TimeObject now{in_data->current_time, in_data->time_step,
                                         static_cast<std::int64_t>(in_data->time_scale)};
    readFrameValues(in_data, params, pixelType,
                    [host, now](int index, int diskId, double rgb[3]) mutable {
                        return host->getFloatColor(index, diskId, &rgb[0], &rgb[1], &rgb[2], &now) == 0;
                    },
                    values);
    FrameLayers layers(in_data);
    values.textureLayer = layers.texture();
    values.textureMode = layers.hasTexture() ? params::number(values.textureCoordinates) : 0;
    values.amplitudeLayer = layers.amplitude();
    values.hasAmplitudeLayer = layers.hasAmplitude();

    const CameraAnswer camera = gatherCamera(in_data, values);
    if (camera.fatal != PF_Err_NONE) {
        return camera.fatal;
    }
    gatherLights(in_data, values);

    FrameContext frame{in_data, out_data, params, output, host, gl, values};
    const SharedGLState& shared = sharedGL();
    if (shared.gSharedContext() == nullptr ||
        shared.programs()[Program::postprocess_ssao_shader] == 0 ||
        !platform::eglContextPlatform().setCurrentContext(shared.gSharedContext())) {
        return failFrame(frame, "ZEL: OpenGL is not available: the effect could not set up its "
                                "OpenGL context or shaders (see the host's log).");
    }
    PF_Err result = renderWithContext(frame);
    if (result == PF_Err_NONE) {
        result = camera.soft;
    }
    gl.deleteTextures(kTextureLayerTexture);
    layers.checkinTexture();
    gl.deleteTextures(kAmplitudeTexture);
    layers.checkinAmplitude();
    return result;
}

}  // namespace

PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** params, PF_LayerDef* output,
              void* /*extra*/, PluginHost_API* host)
{
    GLMemoryObjects gl;
    PF_Err result = PF_Err_NONE;
    try {
        result = RenderUnsafe(in_data, out_data, params, output, host, gl);
    } catch (...) {
        host->showWarning("Zel: Rendering exception occurred!");
        result = PF_Err_GENERIC;
    }
    const platform::ContextPlatform& platform = platform::eglContextPlatform();
    if (platform::Context* context = sharedGL().gSharedContext();
        context != nullptr && platform.setCurrentContext(context)) {
        gl.freeGLMemory();
    }
    platform.setCurrentContext(nullptr);
    return result;
}

}  // namespace zel
