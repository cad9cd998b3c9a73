// The process-wide GL state, one object with one set-up and one set-down: the shared off-screen
// context, the programs and lookup textures in it, the video memory the renderer may plan with,
// and the capability report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "plugin/platform/offscreen_context.h"
#include "plugin/render/lookup_textures.h"
#include "plugin/render/shader_programs.h"

namespace zel {

inline constexpr std::size_t kOpenGLInfoSize = 256;

// The variable that replaces the measured video memory, in megabytes.
inline constexpr const char* kVideoMemoryVariable = "VELTRANO_VIDEO_MEMORY_MAXIMUM_MB";

// Everything the capability report says, gathered from the current context.
struct OpenGLFacts {
    std::string version;
    std::string vendor;
    std::string renderer;
    std::string shadingLanguage;
    std::string extensions;
    int maxSamples = 0;
};

// The capability report for `facts` and the planned video memory, cut to what the report holds.
std::string formatOpenGLInfo(const OpenGLFacts& facts, std::int32_t freeMemKb);

// Where the GL initialisation gets its context, its shader texts and the environment; tests
// substitute each.
struct OpenGLSetupEnvironment {
    const platform::ContextPlatform* platform;
    ShaderSources sources;
    const char* (*getenv)(const char* name);
};

OpenGLSetupEnvironment defaultOpenGLSetupEnvironment();

class SharedGLState {
public:
    // Runs the GL initialisation once per loaded module, whatever its outcome; later calls do
    // nothing, even after set-down. Leaves no context current.
    void initialize(const OpenGLSetupEnvironment& environment);

    // Builds the displacement pass's programs on the first call, from the set-up's sources, with
    // the shared context current; true while they can be used. A failed build, reported once on
    // standard output, is never tried again, so that the frames of this process draw without
    // the pass.
    bool passProgramsBuilt();

    // Deletes every program, shader and texture set-up and the pass made, walking the same tables, and
    // destroys the context, leaving no context current.
    void shutdown(const platform::ContextPlatform& platform);

    platform::Context* gSharedContext() const { return context_; }  // null without a context
    const ShaderPrograms& programs() const { return programs_; }
    const LookupTextures& lookupTextures() const { return textures_; }
    std::int32_t free_mem_kb() const { return freeMemKb_; }  // kilobytes; 0 when unknown
    const char* g_openglInfo() const { return report_; }     // always terminated

private:
    void measureVideoMemory(const OpenGLSetupEnvironment& environment);
    void setReport(const std::string& report);

    enum class PassPrograms { unbuilt, built, failed };

    bool initialized_ = false;
    platform::Context* context_ = nullptr;
    ShaderSources sources_{};
    PassPrograms passPrograms_ = PassPrograms::unbuilt;
    ShaderPrograms programs_;
    LookupTextures textures_;
    std::int32_t freeMemKb_ = 0;
    char report_[kOpenGLInfoSize] = {};
};

// The module's one instance.
SharedGLState& sharedGL();

}  // namespace zel
