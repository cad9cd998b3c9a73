#include "plugin/render/render_driver.h"

#include <epoxy/gl.h>

#include <GL/glu.h>

#include <cmath>

#include "plugin/entry/opengl_setup.h"
#include "plugin/host/PluginRasterProxy.h"
#include "plugin/render/composition_view.h"
#include "plugin/render/frame_context.h"
#include "plugin/render/frame_layers.h"
#include "plugin/render/frame_targets.h"
#include "plugin/render/gl_diagnostics.h"
#include "plugin/render/mesh/gl_vertex_sink.h"
#include "plugin/render/mesh/render_scene.h"
#include "plugin/render/post_process.h"
#include "plugin/render/shader_programs.h"

namespace zel {
namespace {

constexpr PF_Pixel kOpaqueRed = {255, 255, 0, 0};
constexpr double kDegreesPerRadian = 0.017453292519943295;
// Bends are given in half turns per unit of surface; the shader takes turns per pixel.
constexpr double kBendScale = 0.005;

// Sets one program's uniforms by name, each looked up as it is set.
class Uniforms {
public:
    explicit Uniforms(GLuint program) : program_(program) {}

    void i(const char* name, int value) const { glUniform1i(getUniLoc(program_, name), value); }
    void f(const char* name, double value) const
    {
        glUniform1f(getUniLoc(program_, name), static_cast<float>(value));
    }
    void v3(const char* name, double x, double y, double z) const
    {
        glUniform3f(getUniLoc(program_, name), static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    }
    void v4(const char* name, double x, double y, double z, double w) const
    {
        glUniform4f(getUniLoc(program_, name), static_cast<float>(x), static_cast<float>(y),
                    static_cast<float>(z), static_cast<float>(w));
    }
    void v4(const char* name, const std::array<float, 4>& v) const
    {
        glUniform4fv(getUniLoc(program_, name), 1, v.data());
    }
    // Row r, column c of a row-major matrix lands at element 4c + r: GL's column order.
    void m4(const char* name, const Matrix4& m) const
    {
        float columns[16];
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                columns[4 * c + r] = static_cast<float>(m[static_cast<std::size_t>(4 * r + c)]);
            }
        }
        glUniformMatrix4fv(getUniLoc(program_, name), 1, GL_FALSE, columns);
    }

private:
    GLuint program_;
};

int bytesPerPixel(int bitsPerChannel)
{
    return bitsPerChannel == 32 ? 16 : (bitsPerChannel == 16 ? 8 : 4);
}

GLenum pixelType(int bitsPerChannel)
{
    return bitsPerChannel == 32 ? GL_FLOAT : (bitsPerChannel == 16 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_BYTE);
}

// Uploads a host layer as it lies in memory (A, R, G, B into r, g, b, a: the shaders swizzle).
void uploadLayer(const PF_LayerDef& layer, int bitsPerChannel)
{
    glPixelStorei(GL_UNPACK_ROW_LENGTH, layer.rowbytes / bytesPerPixel(bitsPerChannel));
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16F_ARB, layer.width, layer.height, 0, GL_RGBA,
                 pixelType(bitsPerChannel), layer.data);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

PF_Err uploadTextureLayer(FrameContext& frame)
{
    const FrameValues& v = frame.values;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, frame.gl.genTexture(kTextureLayerTexture));
    const GLint filter = v.textureFilter == 2 ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    GLfloat maxAnisotropy = 1.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAnisotropy);
    if (maxAnisotropy > 1.0f && v.anisotropic > 0) {
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                        static_cast<float>((maxAnisotropy - 1) * v.anisotropic + 1));
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, v.textureScaleX <= 1.0 ? GL_CLAMP : GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, v.textureScaleY <= 1.0 ? GL_CLAMP : GL_REPEAT);
    uploadLayer(v.textureLayer, v.bitsPerChannel);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (ZEL_GL_CHECK() != 0) {
        return failFrame(frame, "ZEL OpenGL error: Could not create TextureLayer");
    }
    return PF_Err_NONE;
}

PF_Err uploadAmplitudeLayer(FrameContext& frame)
{
    const FrameValues& v = frame.values;
    glActiveTexture(GL_TEXTURE5);
    glBindTexture(GL_TEXTURE_2D, frame.gl.genTexture(kAmplitudeTexture));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    uploadLayer(v.amplitudeLayer, v.bitsPerChannel);
    const bool failed = ZEL_GL_CHECK() != 0;
    glActiveTexture(GL_TEXTURE0);
    if (failed) {
        return failFrame(frame, "ZEL OpenGL error: Could not create FTextureLayer");
    }
    return PF_Err_NONE;
}

// The finite-difference step in amplitude-texture coordinates; 0 without a layer or a size.
double amplitudeStep(const FrameValues& v, double size)
{
    return v.hasAmplitudeLayer && size != 0 ? v.epsilon / size : 0.0;
}

// Without an amplitude layer the shader ignores the texel size; 1 keeps it finite.
double texelSize(int size)
{
    return size > 0 ? 1.0 / size : 1.0;
}

struct ProgramChoice {
    GLuint program;
    GLuint fallback;
    const char* failure;  // printf format with the fallback's GL name
    GLuint failureName;
};

ProgramChoice chooseProgram(const FrameValues& v)
{
    const bool solidFace = v.textureMode != 0 && v.textureFilter == 3;
    switch (v.shader) {
    case 1:
        return {solidFace ? prog_density_shader_FT : prog_density_shader, prog_density_shader,
                "ZEL: OpenGL error after glUseProgram(prog_density_shader):%d", prog_density_shader};
    case 2:
        return {solidFace ? prog_light_shader_FT : prog_light_shader, prog_light_shader,
                "ZEL: OpenGL error after glUseProgram(prog_light_shader):%d", prog_light_shader};
    case 3:
        if (v.flatQuadMode) {
            return {solidFace ? prog_flatquad_shader_FT : prog_flatquad_shader, prog_flatquad_shader,
                    "ZEL: OpenGL error after glUseProgram(prog_flat_shader):%d", prog_flat_shader};
        }
        return {solidFace ? prog_flat_shader_FT : prog_flat_shader, prog_flat_shader,
                "ZEL: OpenGL error after glUseProgram(prog_flat_shader):%d", prog_flat_shader};
    default:
        return {0, 0, nullptr, 0};
    }
}

// The noise uniforms both passes share, in the order the main pass sets them.
void setNoiseUniforms(const Uniforms& u, const FrameValues& v)
{
    u.i("permTexture", 1);
    u.i("simplexTexture", 2);
    u.i("gradTexture", 3);
    u.v3("NoiseAmp", v.amplitude[0], v.amplitude[1], v.amplitude[2]);
    u.v4("NoiseFreq", v.frequency[0], v.frequency[1], v.frequency[2], v.F);
    u.v4("NoiseOffset", -(v.offsetX + v.scrollX), -(v.offsetY + v.scrollY), -v.offsetZ, v.evolution);
}

void setZMappingUniforms(const Uniforms& u, const FrameValues& v)
{
    u.f("NoiseFloorZ", v.zFloor);
    u.f("NoiseCeilZ", v.zCeil);
    u.f("NoiseAdd", v.zAdd);
    u.f("NoiseMult", v.zMultiplier);
}

void setFractalUniforms(const Uniforms& u, const FrameValues& v)
{
    u.i("Complexity", v.complexity);
    u.i("FractalType", v.fractalType);
    u.f("OctScale", v.octScale);
    u.f("OctMult", v.octMult);
}

void setTextureAndFogUniforms(const Uniforms& u, const FrameValues& v)
{
    u.i("fTexture", 5);
    u.i("useFTexture", v.hasAmplitudeLayer ? 1 : 0);
    u.f("texelSizeX", texelSize(v.amplitudeLayer.width));
    u.f("texelSizeY", texelSize(v.amplitudeLayer.height));
    u.f("textureSizeX", v.amplitudeLayer.width);
    u.f("textureSizeY", v.amplitudeLayer.height);
    u.f("FogDistance", v.fogStart);
    u.f("divFogRange", v.fogReciprocal);
    u.v4("FogColor", v.fogColor[0], v.fogColor[1], v.fogColor[2], 1.0);
    u.i("postpixeltransf", v.bitsPerChannel);
    u.f("BendX", kBendScale * v.bendX);
    u.f("BendY", kBendScale * v.bendY);
    u.f("BendXpost", kBendScale * v.fbendX);
    u.f("BendYpost", kBendScale * v.fbendY);
    u.f("NoiseNorm", v.noiseNormaliser);
    u.f("Epsilon", v.epsilon);
    u.f("TexScaleY", v.textureScaleY);
}

void setLoopUniforms(const Uniforms& u, const FrameValues& v)
{
    u.i("NoiseLoop", v.looping ? 1 : 0);
    u.f("NoiseLoopW", v.loopW);
    u.m4("NoiseLoopMatrix", v.loopMatrix);
    u.v4("Ex", v.Ex);
    u.v4("Ey", v.Ey);
    u.v4("Ez", v.Ez);
    u.v4("Ox", v.Ox);
}

void setMainPassUniforms(GLuint program, const FrameValues& v)
{
    const Uniforms u(program);
    const double efx = amplitudeStep(v, v.sizeX);
    const double efy = amplitudeStep(v, v.sizeY);
    if (v.shader == 1) {
        u.f("DensityAffect", v.densityAffect);
        u.f("NormalAffect", v.normalAffect);
        u.f("Diffuse", v.diffuse);
    } else {
        u.f("Diffuse", v.diffuse);
        u.f("Specular", v.specular);
        u.f("Shininess", v.shininess);
    }
    if (v.shader != 3) {
        u.f("Efx", efx);
        u.f("Efy", efy);
    }
    setNoiseUniforms(u, v);
    setZMappingUniforms(u, v);
    setFractalUniforms(u, v);
    u.v4("Ambient", v.ambientColor[0] * v.ambient, v.ambientColor[1] * v.ambient,
         v.ambientColor[2] * v.ambient, 0.0);
    u.i("Falloff", v.falloff);
    u.f("Fr2", v.Fr2);
    u.f("Fk", v.Fk);
    u.f("Fm", v.Fm);
    u.i("noLights", v.lightCount);
    u.i("colorTexture", 0);
    u.i("useTexture", v.textureMode);
    setTextureAndFogUniforms(u, v);
    u.i("enableSSAO", v.ambientOcclusion);
    u.f("Z_offset", 0.0);
    setLoopUniforms(u, v);
}

void setSecondPassUniforms(const FrameValues& v)
{
    const Uniforms u(prog_solid_shader);
    setNoiseUniforms(u, v);
    setFractalUniforms(u, v);
    u.i("useTexture", 0);
    setTextureAndFogUniforms(u, v);
    // Just in front of the surface, so the overlay wins the depth test where they meet.
    u.f("Z_offset", -0.0001f);
    setZMappingUniforms(u, v);
    setLoopUniforms(u, v);
}

PF_Err useProgram(FrameContext& frame, GLuint& inUse)
{
    const ProgramChoice choice = chooseProgram(frame.values);
    inUse = choice.program;
    glUseProgram(choice.program);
    if (ZEL_GL_CHECK() != 0) {
        glUseProgram(0);
        ZEL_GL_CHECK();
        inUse = choice.fallback;
        glUseProgram(choice.fallback);
        if (ZEL_GL_CHECK() != 0) {
            return failFrame(frame, formatMessage(choice.failure, choice.failureName));
        }
    }
    return PF_Err_NONE;
}

void setBlendAndDepth(const FrameValues& v)
{
    if (v.effectiveBlend == 3 || v.effectiveBlend == 4) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
    } else if (v.effectiveBlend == 2) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_BLEND);
    }
    if (v.depthBuffer == 2) {
        glEnable(GL_DEPTH_TEST);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
}

void setProjectionAndClear(const FrameContext& frame)
{
    const FrameValues& v = frame.values;
    const int width = frame.in_data->width;
    const int height = frame.in_data->height;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double halfAngle = std::atan2(0.5 * height, v.planeDistance);
    if (v.ssaoEnabled) {
        // The normal-and-depth target starts at the far depth, so empty pixels occlude nothing.
        glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glDrawBuffer(GL_COLOR_ATTACHMENT1_EXT);
        glClearColor(0, 0, 0, static_cast<float>(-v.farClip));
        glClear(GL_COLOR_BUFFER_BIT);
        const GLenum both[] = {GL_COLOR_ATTACHMENT0_EXT, GL_COLOR_ATTACHMENT1_EXT};
        glDrawBuffers(2, both);
    }
    if (v.isPerspective) {
        gluPerspective(2 * halfAngle / kDegreesPerRadian,
                       width * v.pixelAspect / height, v.nearClip, v.farClip);
    } else {
        glOrtho(-(width / 2), width / 2, -(height / 2), height / 2, 1.0, 100000.0);
    }
    glViewport(0, 0, v.bufferWidth, v.bufferHeight);
    if (v.ssaoEnabled) {
        glClear(GL_DEPTH_BUFFER_BIT);
    } else {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLoadMatrixd(v.viewMatrix.data());
}

void setLights(const FrameValues& v)
{
    if (v.shader < 1 || v.shader > 3) {
        glDisable(GL_LIGHTING);
        return;
    }
    glEnable(GL_LIGHTING);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
    const GLfloat ambient[4] = {static_cast<float>(v.ambientColor[0] * v.ambient),
                                static_cast<float>(v.ambientColor[1] * v.ambient),
                                static_cast<float>(v.ambientColor[2] * v.ambient), 1.0f};
    for (int i = 0; i < v.lightCount; ++i) {
        const LightRecord& light = v.lights[static_cast<std::size_t>(i)];
        const GLenum id = static_cast<GLenum>(GL_LIGHT0 + i);
        glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
        glEnable(id);
        const float intensity = static_cast<float>(light.intensity);
        const GLfloat color[4] = {static_cast<float>(light.color[0]) * intensity,
                                  static_cast<float>(light.color[1]) * intensity,
                                  static_cast<float>(light.color[2]) * intensity, 1.0f};
        glLightfv(id, GL_DIFFUSE, color);
        glLightfv(id, GL_SPECULAR, color);
        const GLfloat position[4] = {static_cast<float>(light.position[0]), static_cast<float>(light.position[1]),
                                     static_cast<float>(light.position[2]), 1.0f};
        glLightfv(id, GL_POSITION, position);
        const GLfloat direction[3] = {static_cast<float>(light.direction[0]), static_cast<float>(light.direction[1]),
                                      static_cast<float>(light.direction[2])};
        glLightfv(id, GL_SPOT_DIRECTION, direction);
        glLightf(id, GL_SPOT_EXPONENT, static_cast<float>(light.exponentBase) * 100.0f);
        glLightf(id, GL_SPOT_CUTOFF, static_cast<float>(light.cutoff));
    }
}

void setPolygonMode(int draw)
{
    switch (draw) {
    case 2: glPolygonMode(GL_FRONT_AND_BACK, GL_LINE); break;
    case 3: glPolygonMode(GL_FRONT_AND_BACK, GL_POINT); break;
    case 4:
        glPolygonMode(GL_FRONT, GL_FILL);
        glPolygonMode(GL_BACK, GL_LINE);
        break;
    default: glPolygonMode(GL_FRONT_AND_BACK, GL_FILL); break;
    }
}

SceneArguments sceneArguments(const FrameContext& frame)
{
    const FrameValues& v = frame.values;
    SceneArguments a;
    a.sizeX = v.sizeX;
    a.sizeY = v.sizeY;
    a.verticesX = v.verticesX;
    a.verticesY = v.verticesY;
    a.reduceGeometry = v.reduceGeometry;
    a.autoScaleX = v.downsampleX;
    a.autoScaleY = v.downsampleY;
    a.opacity = v.opacity;
    a.colorR = v.color[0];
    a.colorG = v.color[1];
    a.colorB = v.color[2];
    a.nudge = v.nudge;
    a.useColorTexture = v.textureMode;
    a.translateX = v.translateX;
    a.translateY = v.translateY;
    a.translateZ = v.translateZ;
    a.scrollX = v.scrollX;
    a.scrollY = v.scrollY;
    a.rotateX = v.rotateX;
    a.rotateY = v.rotateY;
    a.rotateZ = v.rotateZ;
    a.instances = v.instances;
    a.repeatTranslateX = v.rTranslateX;
    a.repeatTranslateY = v.rTranslateY;
    a.repeatTranslateZ = v.rTranslateZ;
    a.repeatRotateX = v.rRotateX;
    a.repeatRotateY = v.rRotateY;
    a.repeatRotateZ = v.rRotateZ;
    a.repeatScale = v.rScale;
    a.repeatOpacity = v.rOpacity;
    a.stepX = v.stepX;
    a.stepY = v.stepY;
    a.texScaleY = v.textureScaleY;
    a.texScaleX = v.textureScaleX;
    a.useAmplitudeTexture = v.hasAmplitudeLayer ? 1 : 0;
    a.colorTextureId = frame.gl.name(kTextureLayerTexture);
    a.amplitudeTextureId = frame.gl.name(kAmplitudeTexture);
    a.drawMode = v.draw;
    a.tessellation = v.tessellation;
    return a;
}

PF_Err drawPasses(FrameContext& frame)
{
    const FrameValues& v = frame.values;
    GLuint program = 0;
    if (const PF_Err err = useProgram(frame, program)) {
        return err;
    }
    if (program != 0) {
        glEnable(GL_TEXTURE_1D);
        glEnable(GL_TEXTURE_2D);
        setMainPassUniforms(program, v);
    }
    setBlendAndDepth(v);
    setProjectionAndClear(frame);
    glDisable(GL_TEXTURE_2D);
    glColor4d(v.color[0], v.color[1], v.color[2], v.opacity);
    setLights(v);
    glLineWidth(static_cast<float>(v.lineSize * v.downsampleX));
    glPointSize(static_cast<float>(v.pointSize * v.downsampleX));
    setPolygonMode(v.draw);

    GLVertexSink sink;
    SceneArguments scene = sceneArguments(frame);
    RenderScene(sink, scene);

    if (v.secondPass == 2) {
        glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
        glUseProgram(prog_solid_shader);
        setSecondPassUniforms(v);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glDepthFunc(GL_LEQUAL);
        glLineWidth(static_cast<float>(v.spLineSize * v.downsampleX));
        glDisable(GL_BLEND);
        scene.opacity = 1.0;
        scene.colorR = v.spColor[0];
        scene.colorG = v.spColor[1];
        scene.colorB = v.spColor[2];
        scene.useColorTexture = 0;
        scene.drawMode = 2;
        RenderScene(sink, scene);
        glDepthFunc(GL_LESS);
    }

    if (ZEL_GL_CHECK() != 0) {
        return failFrame(frame, "ZEL: OpenGL error before glFlush()");
    }
    glFinish();
    if (ZEL_GL_CHECK() != 0) {
        return failFrame(frame, "ZEL: OpenGL error after glFlush()");
    }
    return PF_Err_NONE;
}

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
    if (const PF_Err err = drawPasses(frame)) {
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
    values.textureMode = layers.hasTexture() ? values.textureCoordinates : 0;
    values.amplitudeLayer = layers.amplitude();
    values.hasAmplitudeLayer = layers.hasAmplitude();

    const CameraAnswer camera = gatherCamera(in_data, values);
    if (camera.fatal != PF_Err_NONE) {
        return camera.fatal;
    }
    gatherLights(in_data, values);

    FrameContext frame{in_data, out_data, params, output, host, gl, values};
    if (gSharedContext == nullptr || prog_postprocess_ssao_shader == 0 ||
        !platform::eglContextPlatform().setCurrentContext(gSharedContext)) {
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
    if (gSharedContext != nullptr && platform.setCurrentContext(gSharedContext)) {
        gl.freeGLMemory();
    }
    platform.setCurrentContext(nullptr);
    return result;
}

}  // namespace zel
