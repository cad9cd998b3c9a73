#include "plugin/render/shared_gl_state.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "plugin/render/gl_diagnostics.h"

namespace zel {
namespace {

std::string glString(GLenum name)
{
    const auto* text = reinterpret_cast<const char*>(glGetString(name));
    return text != nullptr ? text : "";
}

// The capability report's facts from the current context.
OpenGLFacts currentOpenGLFacts()
{
    OpenGLFacts facts;
    facts.version = glString(GL_VERSION);
    facts.vendor = glString(GL_VENDOR);
    facts.renderer = glString(GL_RENDERER);
    facts.shadingLanguage = glString(GL_SHADING_LANGUAGE_VERSION);
    facts.extensions = glString(GL_EXTENSIONS);
    glGetIntegerv(GL_MAX_SAMPLES_EXT, &facts.maxSamples);
    return facts;
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

}  // namespace

std::string formatOpenGLInfo(const OpenGLFacts& facts, std::int32_t freeMemKb)
{
    const auto has = [&](const char* name) { return facts.extensions.find(name) != std::string::npos; };
    const bool shadingLanguage = has("GL_ARB_shading_language_100");
    const bool shaderObjects = has("GL_ARB_shader_objects");
    const bool framebufferObject = has("EXT_framebuffer_object");
    const bool multisample = has("GL_EXT_framebuffer_multisample");
    const bool blit = has("GL_EXT_framebuffer_blit");
    const bool gpuShader4 = has("GL_EXT_gpu_shader4");

    std::string report = "OpenGL Information\n";
    report += "\nVersion: " + facts.version;
    report += "\nVendor: " + facts.vendor;
    report += "\nRenderer: " + facts.renderer;
    report += "\nShader Language: " + facts.shadingLanguage;
    report += "\nMultisample maximum: " + std::to_string(facts.maxSamples);
    report += "\nVRAM available (MB): " + std::to_string(freeMemKb / 1024);
    // The heading ignores the multisample extension and the lines list blit only with it: a
    // long-standing quirk of the report that users compare across machines.
    if (!shadingLanguage || !shaderObjects || !framebufferObject || !blit || !gpuShader4) {
        report += "\nMissing Exenstions:";
    }
    if (!shadingLanguage) {
        report += "\nShader Language (>= 1.0)";
    }
    if (!shaderObjects) {
        report += "\nShader Objects (GL_ARB_shader_objects)";
    }
    if (!framebufferObject) {
        report += "\nFramebuffer Objects (EXT_framebuffer_object)";
    }
    if (!multisample) {
        report += "\nFramebuffer Multisample (GL_EXT_framebuffer_multisample)";
        report += "\nFramebuffer Blit (GL_EXT_framebuffer_blit)";
    }
    if (!gpuShader4) {
        report += "\nGPU Shader 4 (GL_EXT_gpu_shader4)";
    }
    // Renderer strings and extension lists vary in length from driver to driver.
    report.resize(std::min(report.size(), kOpenGLInfoSize - 1));
    return report;
}

OpenGLSetupEnvironment defaultOpenGLSetupEnvironment()
{
    return {&platform::eglContextPlatform(), embeddedShaderSources(),
            [](const char* name) -> const char* { return std::getenv(name); }};
}

void SharedGLState::measureVideoMemory(const OpenGLSetupEnvironment& environment)
{
    for (int megabytes : environment.platform->rendererTextureMemoryMegabytes()) {
        const std::int32_t kilobytes = megabytes << 10;
        if (kilobytes > freeMemKb_) {
            freeMemKb_ = kilobytes;
        }
    }
    if (const char* cap = environment.getenv(kVideoMemoryVariable); cap != nullptr) {
        freeMemKb_ = megabytesFromText(cap) << 10;
    }
}

void SharedGLState::setReport(const std::string& report)
{
    std::snprintf(report_, sizeof report_, "%s", report.c_str());
}

void SharedGLState::initialize(const OpenGLSetupEnvironment& environment)
{
    if (initialized_) {
        return;
    }
    initialized_ = true;

    sources_ = environment.sources;
    const platform::ContextPlatform& platform = *environment.platform;
    context_ = createSharedContext(platform);
    std::printf("STARTING SHADER COMPILE VELTRANO\n");
    if (context_ != nullptr && buildShaderPrograms(environment.sources, programs_)) {
        std::printf("FINISHED SHADER COMPILE VELTRANO\n");
        uploadLookupTextures(textures_);
    }
    platform.setCurrentContext(context_);
    measureVideoMemory(environment);
    setReport(context_ != nullptr ? formatOpenGLInfo(currentOpenGLFacts(), freeMemKb_)
                                  : "OpenGL Information\n\nNo OpenGL context could be created.");
    platform.setCurrentContext(nullptr);
}

bool SharedGLState::passProgramsBuilt()
{
    if (passPrograms_ == PassPrograms::unbuilt) {
        const char* failure = buildPassPrograms(sources_, programs_);
        passPrograms_ = failure == nullptr ? PassPrograms::built : PassPrograms::failed;
        if (failure != nullptr) {
            std::printf("ZEL: the displacement pass could not be built (%s); the displacement is evaluated "
                        "per vertex instead\n",
                        failure);
        }
    }
    return passPrograms_ == PassPrograms::built;
}

void SharedGLState::shutdown(const platform::ContextPlatform& platform)
{
    if (context_ == nullptr) {
        return;
    }
    platform.setCurrentContext(context_);
    deleteShaderPrograms(programs_);
    deleteLookupTextures(textures_);
    platform.destroyContext(context_);
    context_ = nullptr;
    platform.setCurrentContext(nullptr);
}

SharedGLState& sharedGL()
{
    static SharedGLState state;
    return state;
}

}  // namespace zel
