// The once-per-process GL set-up, each case in a fresh child process: the set-up runs once per
// loaded module, so every case needs a process where it has not run yet.
#include "plugin/entry/opengl_setup.h"

#include <epoxy/egl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include "plugin/render/lookup_textures.h"

namespace zel {
namespace {

// Runs `body` in a child, which fails the test unless every check the body makes holds; each
// failed check is printed on stderr, which the parent shows.
void inFreshProcess(const std::function<void(const std::function<void(bool, const std::string&)>&)>& body)
{
    EXPECT_EXIT(
        {
            int failures = 0;
            body([&](bool ok, const std::string& what) {
                if (!ok) {
                    std::fprintf(stderr, "failed: %s\n", what.c_str());
                    ++failures;
                }
            });
            std::fflush(nullptr);
            _exit(failures == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The module's standard output while the set-up runs.
std::string printedBySetUp(const OpenGLSetupEnvironment& environment)
{
    testing::internal::CaptureStdout();
    InitializeOpenGL(environment);
    return testing::internal::GetCapturedStdout();
}

OpenGLSetupEnvironment withVideoMemoryVariable(const char* value)
{
    static const char* gValue = nullptr;
    gValue = value;
    OpenGLSetupEnvironment environment = defaultOpenGLSetupEnvironment();
    environment.getenv = [](const char* name) -> const char* {
        return std::string(name) == kVideoMemoryVariable ? gValue : nullptr;
    };
    return environment;
}

bool kernelIsZero()
{
    return std::all_of(std::begin(SSAOSamplePattern), std::end(SSAOSamplePattern), [](float v) { return v == 0.0f; });
}

TEST(OpenGLSetup, BuildsEverythingOnceAndLeavesNoContextCurrent)
{
    inFreshProcess([](const auto& check) {
        const std::string printed = printedBySetUp(withVideoMemoryVariable(nullptr));
        check(gSharedContext != nullptr, "a context");
        check(eglGetCurrentContext() == EGL_NO_CONTEXT, "no context current afterwards");
        check(printed.starts_with("STARTING SHADER COMPILE VELTRANO\nprog_density_shader = "), printed);
        check(contains(printed, "prog_postprocess_ssao_shader = "), printed);
        check(contains(printed, "FINISHED SHADER COMPILE VELTRANO\n"), printed);
        check(permTextureID != 0 && randTextureID != 0, "lookup textures");
        check(!kernelIsZero(), "kernel filled");
        check(free_mem_kb > 0, "a software renderer plans with the machine's memory");
        const std::string report = g_openglInfo;
        check(report.starts_with("OpenGL Information\n\nVersion: "), report);
        check(contains(report, "\nMultisample maximum: "), report);

        const std::string again = printedBySetUp(withVideoMemoryVariable("1"));
        check(again.empty(), "a second set-up does no GL work: " + again);
        check(free_mem_kb > 1024, "a second set-up measures nothing");

        ShutdownOpenGL(platform::eglContextPlatform());
        check(gSharedContext == nullptr && prog_density_shader == 0 && permTextureID == 0,
              "set-down forgets the context's objects");
        ShutdownOpenGL(platform::eglContextPlatform());
    });
}

TEST(OpenGLSetup, TheVideoMemoryVariableReplacesTheMeasurementAsAtoiReadsIt)
{
    for (const auto& [value, kilobytes, reported] : {std::tuple{"512", 524288, "VRAM available (MB): 512"},
                                                     {"abc", 0, "VRAM available (MB): 0"},
                                                     {"64MB", 65536, "VRAM available (MB): 64"}}) {
        SCOPED_TRACE(value);
        inFreshProcess([&](const auto& check) {
            printedBySetUp(withVideoMemoryVariable(value));
            check(free_mem_kb == kilobytes, "free_mem_kb " + std::to_string(free_mem_kb));
            check(contains(g_openglInfo, reported), g_openglInfo);
        });
    }
}

TEST(OpenGLSetup, WithoutAContextNoGLCallIsMadeAndSetUpGoesOn)
{
    using Platform = platform::ContextPlatform;
    const std::pair<const char*, void (*)(Platform&)> failures[] = {
        {"no pixel format",
         [](Platform& p) { p.choosePixelFormat = [](const int*) -> platform::PixelFormat* { return nullptr; }; }},
        {"no context", [](Platform& p) {
             p.createContext = [](const platform::PixelFormat*) -> platform::Context* { return nullptr; };
         }},
        {"cannot be made current", [](Platform& p) {
             p.setCurrentContext = [](platform::Context* c) {
                 return c == nullptr && platform::eglContextPlatform().setCurrentContext(nullptr);
             };
         }},
    };
    for (const auto& [name, breakIt] : failures) {
        SCOPED_TRACE(name);
        inFreshProcess([&](const auto& check) {
            static Platform broken;
            broken = platform::eglContextPlatform();
            breakIt(broken);
            OpenGLSetupEnvironment environment = withVideoMemoryVariable("256");
            environment.platform = &broken;
            // A GL call without a context would abort the process, so finishing is the check.
            const std::string printed = printedBySetUp(environment);
            check(gSharedContext == nullptr, "no shared context");
            check(printed == "STARTING SHADER COMPILE VELTRANO\n", printed);
            check(prog_density_shader == 0 && permTextureID == 0 && kernelIsZero(), "nothing built");
            check(free_mem_kb == 262144, "the variable still applies");
            check(contains(g_openglInfo, "No OpenGL context"), g_openglInfo);
        });
    }
}

TEST(OpenGLSetup, TheFirstFailingProgramStopsTheBuildWithItsMessage)
{
    const struct {
        const char* name;
        const char* ShaderSources::*source;
        const char* text;
        std::string message;  // printed alone, with a line end unless the link failed
        GLuint* firstLeftUnbuilt;
    } broken[] = {
        {"vertex source", &ShaderSources::vertex, "void main() { no GLSL here }",
         "OpenGL vertex shader compilation failed\n", &prog_density_shader},
        {"density source", &ShaderSources::density, "void main() { no GLSL here }",
         "OpenGL density fragment shader compilation failed\n", &prog_density_shader},
        // A varying whose type disagrees with the vertex stage's compiles but cannot link.
        {"density link", &ShaderSources::density, "varying vec4 D;\nvoid main() { gl_FragColor = D; }",
         "OpenGL density shader linking failed", &prog_light_shader},
        {"occlusion source", &ShaderSources::postprocessSsao, "#version 120\nvoid main() { no GLSL }",
         "OpenGL postprocess SSAO fragment shader compilation failed\n", &prog_postprocess_ssao_shader},
    };
    for (const auto& b : broken) {
        SCOPED_TRACE(b.name);
        inFreshProcess([&](const auto& check) {
            OpenGLSetupEnvironment environment = withVideoMemoryVariable(nullptr);
            environment.sources.*b.source = b.text;
            const std::string printed = printedBySetUp(environment);
            check(printed.ends_with(b.message), "ends with the failure message: " + printed);
            check(!contains(printed, "FINISHED SHADER COMPILE"), printed);
            check(*b.firstLeftUnbuilt == 0, "later programs stay 0");
            check(prog_postprocess_ssao_shader == 0, "the last program stays 0");
            check(permTextureID == 0 && kernelIsZero(), "no lookup texture, kernel zero");
            check(contains(g_openglInfo, "\nRenderer: "), "the report is still built");
            check(free_mem_kb > 0, "the memory is still measured");
        });
    }
}

}  // namespace
}  // namespace zel
