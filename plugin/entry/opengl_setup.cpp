#include "plugin/entry/opengl_setup.h"

#include <epoxy/gl.h>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plugin/render/gl_diagnostics.h"
#include "plugin/render/lookup_textures.h"

namespace zel {

platform::Context* gSharedContext = nullptr;
std::int32_t free_mem_kb = 0;
char g_openglInfo[kOpenGLInfoSize] = {};

namespace {

// Appends to g_openglInfo, stopping at its end: renderer strings and extension lists vary in
// length from driver to driver.
class ReportWriter {
public:
    ReportWriter() { g_openglInfo[0] = '\0'; }

    __attribute__((format(printf, 2, 3))) void append(const char* format, ...)
    {
        const std::size_t used = std::strlen(g_openglInfo);
        va_list args;
        va_start(args, format);
        std::vsnprintf(g_openglInfo + used, kOpenGLInfoSize - used, format, args);
        va_end(args);
    }
};

std::string glString(GLenum name)
{
    const auto* text = reinterpret_cast<const char*>(glGetString(name));
    return text != nullptr ? text : "";
}

// The pixel format of the shared context: 128-bit floating-point colour and a 16-bit depth buffer.
constexpr int kPixelFormatAttributes[] = {
    platform::kPFAWindow,    platform::kPFAMinimumPolicy, platform::kPFAColorSize, 128,
    platform::kPFAColorFloat, platform::kPFANoRecovery,    platform::kPFADepthSize, 16,
    platform::kPFAEnd};

platform::Context* createSharedContext(const platform::ContextPlatform& platform)
{
    platform::PixelFormat* format = platform.choosePixelFormat(kPixelFormatAttributes);
    if (format == nullptr) {
        return nullptr;
    }
    platform::Context* context = platform.createContext(format);
    platform.destroyPixelFormat(format);
    if (context != nullptr && !platform.setCurrentContext(context)) {
        platform.destroyContext(context);
        context = nullptr;
    }
    return context;
}

// atoi's reading (optional sign, leading digits, 0 when none), saturated so that a huge value
// cannot overflow the shift to kilobytes.
std::int32_t megabytesFromText(const char* text)
{
    const long long megabytes = std::strtoll(text, nullptr, 10);
    const long long limit = INT32_MAX >> 10;
    return static_cast<std::int32_t>(megabytes > limit ? limit : (megabytes < -limit ? -limit : megabytes));
}

void measureVideoMemory(const OpenGLSetupEnvironment& environment)
{
    for (int megabytes : environment.platform->rendererTextureMemoryMegabytes()) {
        const std::int32_t kilobytes = megabytes << 10;
        if (kilobytes > free_mem_kb) {
            free_mem_kb = kilobytes;
        }
    }
    if (const char* cap = environment.getenv(kVideoMemoryVariable); cap != nullptr) {
        free_mem_kb = megabytesFromText(cap) << 10;
    }
}

}  // namespace

void formatOpenGLInfo(const OpenGLFacts& facts, std::int32_t freeMemKb)
{
    const auto has = [&](const char* name) { return facts.extensions.find(name) != std::string::npos; };
    const bool shadingLanguage = has("GL_ARB_shading_language_100");
    const bool shaderObjects = has("GL_ARB_shader_objects");
    const bool framebufferObject = has("EXT_framebuffer_object");
    const bool multisample = has("GL_EXT_framebuffer_multisample");
    const bool blit = has("GL_EXT_framebuffer_blit");
    const bool gpuShader4 = has("GL_EXT_gpu_shader4");

    ReportWriter report;
    report.append("OpenGL Information\n");
    report.append("\nVersion: %s", facts.version.c_str());
    report.append("\nVendor: %s", facts.vendor.c_str());
    report.append("\nRenderer: %s", facts.renderer.c_str());
    report.append("\nShader Language: %s", facts.shadingLanguage.c_str());
    report.append("\nMultisample maximum: %d", facts.maxSamples);
    report.append("\nVRAM available (MB): %d", freeMemKb / 1024);
    // The heading ignores the multisample extension and the lines list blit only with it: a
    // long-standing quirk of the report that users compare across machines.
    if (!shadingLanguage || !shaderObjects || !framebufferObject || !blit || !gpuShader4) {
        report.append("\nMissing Exenstions:");
    }
    if (!shadingLanguage) {
        report.append("\nShader Language (>= 1.0)");
    }
    if (!shaderObjects) {
        report.append("\nShader Objects (GL_ARB_shader_objects)");
    }
    if (!framebufferObject) {
        report.append("\nFramebuffer Objects (EXT_framebuffer_object)");
    }
    if (!multisample) {
        report.append("\nFramebuffer Multisample (GL_EXT_framebuffer_multisample)");
        report.append("\nFramebuffer Blit (GL_EXT_framebuffer_blit)");
    }
    if (!gpuShader4) {
        report.append("\nGPU Shader 4 (GL_EXT_gpu_shader4)");
    }
}

void GetOpenGLInfo()
{
    OpenGLFacts facts;
    facts.version = glString(GL_VERSION);
    facts.vendor = glString(GL_VENDOR);
    facts.renderer = glString(GL_RENDERER);
    facts.shadingLanguage = glString(GL_SHADING_LANGUAGE_VERSION);
    facts.extensions = glString(GL_EXTENSIONS);
    glGetIntegerv(GL_MAX_SAMPLES_EXT, &facts.maxSamples);
    formatOpenGLInfo(facts, free_mem_kb);
}

OpenGLSetupEnvironment defaultOpenGLSetupEnvironment()
{
    return {&platform::eglContextPlatform(), embeddedShaderSources(),
            [](const char* name) -> const char* { return std::getenv(name); }};
}

void InitializeOpenGL(const OpenGLSetupEnvironment& environment)
{
    static bool firstTime = false;  // set once the initialisation has run in this process
    if (firstTime) {
        return;
    }
    firstTime = true;

    const platform::ContextPlatform& platform = *environment.platform;
    gSharedContext = createSharedContext(platform);
    std::printf("STARTING SHADER COMPILE VELTRANO\n");
    if (gSharedContext != nullptr && buildShaderPrograms(environment.sources)) {
        std::printf("FINISHED SHADER COMPILE VELTRANO\n");
        uploadLookupTextures();
    }
    platform.setCurrentContext(gSharedContext);
    measureVideoMemory(environment);
    if (gSharedContext != nullptr) {
        GetOpenGLInfo();
    } else {
        ReportWriter().append("OpenGL Information\n\nNo OpenGL context could be created.");
    }
    platform.setCurrentContext(nullptr);
}

void ShutdownOpenGL(const platform::ContextPlatform& platform)
{
    if (gSharedContext == nullptr) {
        return;
    }
    platform.setCurrentContext(gSharedContext);
    if (vert_shader != 0) {
        glUseProgram(0);
        for (GLuint shader : {vert_shader, frag_density_shader, frag_light_shader, frag_flat_shader}) {
            glDeleteShader(shader);
        }
        for (GLuint program : {prog_density_shader, prog_light_shader, prog_flat_shader}) {
            glDeleteProgram(program);
        }
        for (GLuint texture : {permTextureID, simplexTextureID, randTextureID}) {
            glDeleteTextures(1, &texture);
        }
    }
    // The remaining objects go with the context.
    platform.destroyContext(gSharedContext);
    gSharedContext = nullptr;
    platform.setCurrentContext(nullptr);
    forgetShaderPrograms();
    forgetLookupTextures();
}

}  // namespace zel
