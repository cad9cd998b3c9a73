// The process-wide GL state: the shared off-screen context, the programs and lookup textures in
// it, the video memory the renderer may plan with, and the capability report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "plugin/platform/offscreen_context.h"
#include "plugin/render/shader_programs.h"

namespace zel {

inline constexpr std::size_t kOpenGLInfoSize = 256;

extern platform::Context* gSharedContext;   // null when no context could be made current
extern std::int32_t free_mem_kb;            // kilobytes; 0 when unknown
extern char g_openglInfo[kOpenGLInfoSize];  // the capability report, always terminated

// Everything the capability report says, gathered from the current context.
struct OpenGLFacts {
    std::string version;
    std::string vendor;
    std::string renderer;
    std::string shadingLanguage;
    std::string extensions;
    int maxSamples = 0;
};

// Writes the report for `facts` and the planned video memory into g_openglInfo, cut at its end.
void formatOpenGLInfo(const OpenGLFacts& facts, std::int32_t freeMemKb);

// Rebuilds g_openglInfo from the current context.
void GetOpenGLInfo();

// Where the process-wide GL initialisation gets its context, its shader texts and the
// environment; tests substitute each.
struct OpenGLSetupEnvironment {
    const platform::ContextPlatform* platform;
    ShaderSources sources;
    const char* (*getenv)(const char* name);
};

OpenGLSetupEnvironment defaultOpenGLSetupEnvironment();

// Runs the GL initialisation once per loaded module, whatever its outcome; later calls do
// nothing. Leaves no context current.
void InitializeOpenGL(const OpenGLSetupEnvironment& environment);

// Deletes what set-up made and destroys the context, leaving no context current.
void ShutdownOpenGL(const platform::ContextPlatform& platform);

// The variable that replaces the measured video memory, in megabytes.
inline constexpr const char* kVideoMemoryVariable = "VELTRANO_VIDEO_MEMORY_MAXIMUM_MB";

}  // namespace zel
