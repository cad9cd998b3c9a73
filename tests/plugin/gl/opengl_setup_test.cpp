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

// Checks made in the child; each failure is printed on stderr, which the parent shows.
class Checks {
public:
    void that(bool ok, const std::string& what)
    {
        if (!ok) {
            std::fprintf(stderr, "failed: %s\n", what.c_str());
            ++failures_;
        }
    }
    int failures() const { return failures_; }

private:
    int failures_ = 0;
};

void inFreshProcess(const std::function<void(Checks&)>& body)
{
    EXPECT_EXIT(
        {
            Checks checks;
            body(checks);
            std::fflush(nullptr);
            _exit(checks.failures() == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The module's standard output while `run` runs.
std::string printedBy(const std::function<void()>& run)
{
    testing::internal::CaptureStdout();
    run();
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
    return std::all_of(std::begin(SSAOSamplePattern), std::end(SSAOSamplePattern),
                       [](float v) { return v == 0.0f; });
}

TEST(OpenGLSetup, BuildsEverythingOnceAndLeavesNoContextCurrent)
{
    inFreshProcess([](Checks& check) {
        const std::string printed = printedBy([] { InitializeOpenGL(withVideoMemoryVariable(nullptr)); });
        check.that(gSharedContext != nullptr, "a context");
        check.that(eglGetCurrentContext() == EGL_NO_CONTEXT, "no context current afterwards");
        check.that(printed.rfind("STARTING SHADER COMPILE VELTRANO\nprog_density_shader = ", 0) == 0, printed);
        check.that(contains(printed, "prog_postprocess_ssao_shader = "), printed);
        check.that(contains(printed, "FINISHED SHADER COMPILE VELTRANO\n"), printed);
        check.that(permTextureID != 0 && randTextureID != 0, "lookup textures");
        check.that(!kernelIsZero(), "kernel filled");
        check.that(free_mem_kb > 0, "a software renderer plans with the machine's memory");
        const std::string report = g_openglInfo;
        check.that(report.rfind("OpenGL Information\n\nVersion: ", 0) == 0, report);
        check.that(contains(report, "\nMultisample maximum: "), report);

        const std::string again = printedBy([] { InitializeOpenGL(withVideoMemoryVariable("1")); });
        check.that(again.empty(), "a second set-up does no GL work: " + again);
        check.that(free_mem_kb > 1024, "a second set-up measures nothing");

        ShutdownOpenGL(platform::eglContextPlatform());
        check.that(gSharedContext == nullptr && prog_density_shader == 0 && permTextureID == 0,
                   "set-down forgets the context's objects");
        ShutdownOpenGL(platform::eglContextPlatform());
    });
}

TEST(OpenGLSetup, TheVideoMemoryVariableReplacesTheMeasurementAsAtoiReadsIt)
{
    struct Case {
        const char* value;
        std::int32_t kilobytes;
        const char* reported;
    };
    for (const Case& c : {Case{"512", 524288, "VRAM available (MB): 512"},
                          Case{"abc", 0, "VRAM available (MB): 0"},
                          Case{"64MB", 65536, "VRAM available (MB): 64"}}) {
        SCOPED_TRACE(c.value);
        inFreshProcess([&](Checks& check) {
            printedBy([&] { InitializeOpenGL(withVideoMemoryVariable(c.value)); });
            check.that(free_mem_kb == c.kilobytes, "free_mem_kb " + std::to_string(free_mem_kb));
            check.that(contains(g_openglInfo, c.reported), g_openglInfo);
        });
    }
}

// The platform with one step replaced by a failure.
struct FailingPlatform {
    const char* name;
    void (*breakIt)(platform::ContextPlatform&);
};

TEST(OpenGLSetup, WithoutAContextNoGLCallIsMadeAndSetUpGoesOn)
{
    const FailingPlatform failures[] = {
        {"no pixel format", [](platform::ContextPlatform& p) { p.choosePixelFormat = [](const int*) -> platform::PixelFormat* { return nullptr; }; }},
        {"no context", [](platform::ContextPlatform& p) { p.createContext = [](const platform::PixelFormat*) -> platform::Context* { return nullptr; }; }},
        {"cannot be made current", [](platform::ContextPlatform& p) {
             p.setCurrentContext = [](platform::Context* c) {
                 return c == nullptr && platform::eglContextPlatform().setCurrentContext(nullptr);
             };
         }},
    };
    for (const FailingPlatform& failure : failures) {
        SCOPED_TRACE(failure.name);
        inFreshProcess([&](Checks& check) {
            static platform::ContextPlatform broken;
            broken = platform::eglContextPlatform();
            failure.breakIt(broken);
            OpenGLSetupEnvironment environment = withVideoMemoryVariable("256");
            environment.platform = &broken;
            // A GL call without a context would abort the process, so finishing is the check.
            const std::string printed = printedBy([&] { InitializeOpenGL(environment); });
            check.that(gSharedContext == nullptr, "no shared context");
            check.that(printed == "STARTING SHADER COMPILE VELTRANO\n", printed);
            check.that(prog_density_shader == 0 && permTextureID == 0 && kernelIsZero(), "nothing built");
            check.that(free_mem_kb == 262144, "the variable still applies");
            check.that(contains(g_openglInfo, "No OpenGL context"), g_openglInfo);
        });
    }
}

struct BrokenSource {
    const char* name;
    const char* ShaderSources::*source;
    const char* text;
    const char* message;  // printed alone, with a line end unless the link failed
    GLuint* firstLeftUnbuilt;
};

TEST(OpenGLSetup, TheFirstFailingProgramStopsTheBuildWithItsMessage)
{
    const BrokenSource broken[] = {
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
    for (const BrokenSource& b : broken) {
        SCOPED_TRACE(b.name);
        inFreshProcess([&](Checks& check) {
            OpenGLSetupEnvironment environment = withVideoMemoryVariable(nullptr);
            environment.sources.*b.source = b.text;
            const std::string printed = printedBy([&] { InitializeOpenGL(environment); });
            check.that(printed.size() >= std::string(b.message).size() &&
                           printed.compare(printed.size() - std::string(b.message).size(),
                                           std::string::npos, b.message) == 0,
                       "ends with the failure message: " + printed);
            check.that(!contains(printed, "FINISHED SHADER COMPILE"), printed);
            check.that(*b.firstLeftUnbuilt == 0, "later programs stay 0");
            check.that(prog_postprocess_ssao_shader == 0, "the last program stays 0");
            check.that(permTextureID == 0 && kernelIsZero(), "no lookup texture, kernel zero");
            check.that(contains(g_openglInfo, "\nRenderer: "), "the report is still built");
            check.that(free_mem_kb > 0, "the memory is still measured");
        });
    }
}

}  // namespace
}  // namespace zel
