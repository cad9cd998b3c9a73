// The once-per-process GL set-up, each case in a fresh child process: the set-up runs once per
// loaded module, so every case needs a process where it has not run yet.
#include "plugin/render/shared_gl_state.h"

#include <epoxy/egl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

#include "plugin/render/lookup_textures.h"

namespace zel {
namespace {

using Platform = platform::ContextPlatform;

// A source that fails to compile, or (a varying whose type no vertex stage writes) to link, in the
// variants where `when` holds; null: in every variant.
std::string failing(const char* source, const char* when, bool link)
{
    const std::string failure = link ? "varying vec4 D;\nvoid main() { gl_FragColor = D; }\n" : "#error\n";
    if (when == nullptr) return failure;
    return std::string("#if ").append(when).append("\n" + failure + "#else\n") + source + "\n#endif\n";
}

constexpr const char* kPlain = "!defined(FLAT) && !defined(FLAT_TEX)";
constexpr const char* kFlat = "defined(FLAT) && !defined(FLAT_TEX)";
constexpr const char* kFlatTex = "!defined(FLAT) && defined(FLAT_TEX)";
constexpr const char* kBoth = "defined(FLAT) && defined(FLAT_TEX)";
constexpr const char* kPass = "defined(DISPLACEMENT_PASS) && !defined(FLAT) && !defined(FLAT_TEX)";
constexpr const char* kBothPass = "defined(DISPLACEMENT_PASS) && defined(FLAT) && defined(FLAT_TEX)";

const struct SetUpCase {
    const char* name;
    const char* printedLast;  // the rest of what set-up prints, after its first line
    const char* ShaderSources::*source = nullptr;  // broken where `when` holds, to fail a compile or `link`
    const char* when = nullptr;
    bool link = false;
    const char* videoMemory = nullptr;
    int freeMemKb = -1;  // -1: measured, some
    void (*breakPlatform)(Platform&) = nullptr;
    bool pass = false;  // only a pass program is broken: set-up builds, the first pass build fails with printedLast
} kCases[] = {
    {"Measured", "FINISHED SHADER COMPILE VELTRANO\n"},
    {"VideoMemoryVariable", "FINISHED SHADER COMPILE VELTRANO\n", nullptr, nullptr, false, "512", 524288},
    {"VideoMemoryVariableAsAtoiReadsIt", "FINISHED SHADER COMPILE VELTRANO\n", nullptr, nullptr, false, "64MB", 65536},
    {"VideoMemoryVariableWithoutDigits", "FINISHED SHADER COMPILE VELTRANO\n", nullptr, nullptr, false, "abc", 0},
    // Without a context no GL call may be made (one would end the process) and set-up goes on.
    {"NoPixelFormat", "STARTING SHADER COMPILE VELTRANO\n", nullptr, nullptr, false, "256", 262144,
     [](Platform& p) { p.choosePixelFormat = [](const int*) -> platform::PixelFormat* { return nullptr; }; }},
    {"NoContext", "STARTING SHADER COMPILE VELTRANO\n", nullptr, nullptr, false, "256", 262144,
     [](Platform& p) { p.createContext = [](const platform::PixelFormat*) -> platform::Context* { return nullptr; }; }},
    {"ContextCannotBeMadeCurrent", "STARTING SHADER COMPILE VELTRANO\n", nullptr, nullptr, false, "256", 262144,
     [](Platform& p) {
         p.setCurrentContext = [](platform::Context* c) {
             return c == nullptr && platform::eglContextPlatform().setCurrentContext(nullptr);
         };
     }},
    // The first program that fails stops the build with its message.
    {"DensityVertex", "OpenGL vertex shader compilation failed\n", &ShaderSources::vertex, kPlain},
    {"FlatQuadVertex", "OpenGL vertex shader flat compilation failed\n", &ShaderSources::vertex, kFlat},
    {"DensityFTVertex", "OpenGL vertex FT shader compilation failed\n", &ShaderSources::vertex, kFlatTex},
    {"FlatQuadFTVertex", "OpenGL flatquad vertex FT shader flat compilation failed\n", &ShaderSources::vertex, kBoth},
    {.name = "PassVertex", .printedLast = "OpenGL vertex pass shader compilation failed", .source = &ShaderSources::vertex,
     .when = kPass, .pass = true},
    {.name = "FlatQuadFTPassVertex", .printedLast = "OpenGL flatquad vertex FT pass shader flat compilation failed",
     .source = &ShaderSources::vertex, .when = kBothPass, .pass = true},
    {"PostprocessVertex", "OpenGL vertex shader compilation failed\n", &ShaderSources::postprocessVertex},
    {"Density", "OpenGL density fragment shader compilation failed\n", &ShaderSources::density, kPlain},
    {"Light", "OpenGL light fragment shader compilation failed\n", &ShaderSources::light, kPlain},
    {"Flat", "OpenGL flat fragment shader compilation failed\n", &ShaderSources::flat, kPlain},
    {"Solid", "OpenGL solid fragment shader compilation failed\n", &ShaderSources::solid},
    {"FlatQuad", "OpenGL flatquad fragment shader compilation failed\n", &ShaderSources::light, kFlat},
    {"DensityFT", "OpenGL density FT fragment shader compilation failed\n", &ShaderSources::density, kFlatTex},
    {"LightFT", "OpenGL light FT fragment shader compilation failed\n", &ShaderSources::light, kFlatTex},
    {"FlatFT", "OpenGL flat FT fragment shader compilation failed\n", &ShaderSources::flat, kFlatTex},
    {"FlatQuadFT", "OpenGL flatquad fragment FT shader compilation failed\n", &ShaderSources::light, kBoth},
    {.name = "Displacement", .printedLast = "OpenGL displacement fragment shader compilation failed",
     .source = &ShaderSources::displacement, .pass = true},
    {"Postprocess", "OpenGL postprocess fragment shader compilation failed\n", &ShaderSources::postprocess},
    {"Occlusion", "OpenGL postprocess SSAO fragment shader compilation failed\n", &ShaderSources::postprocessSsao},
    // A link failure's message has no line end.
    {"DensityLink", "OpenGL density shader linking failed", &ShaderSources::density, kPlain, true},
    {"LightLink", "OpenGL light shader linking failed", &ShaderSources::light, kPlain, true},
    {"FlatLink", "OpenGL flat shader linking failed", &ShaderSources::flat, kPlain, true},
    {"SolidLink", "OpenGL solid shader linking failed", &ShaderSources::solid, nullptr, true},
    {"FlatQuadLink", "OpenGL flatquad shader linking failed", &ShaderSources::light, kFlat, true},
    {"DensityFTLink", "OpenGL density FT shader linking failed", &ShaderSources::density, kFlatTex, true},
    {"LightFTLink", "OpenGL light FT shader linking failed", &ShaderSources::light, kFlatTex, true},
    {"FlatFTLink", "OpenGL flat FT shader linking failed", &ShaderSources::flat, kFlatTex, true},
    {"FlatQuadFTLink", "OpenGL flatquad FT shader linking failed", &ShaderSources::light, kBoth, true},
    {.name = "DisplacementLink", .printedLast = "OpenGL displacement shader linking failed",
     .source = &ShaderSources::displacement, .link = true, .pass = true},
    {"PostprocessLink", "OpenGL postprocess shader linking failed", &ShaderSources::postprocess, nullptr, true},
    {"OcclusionLink", "OpenGL postprocess shader linking failed", &ShaderSources::postprocessSsao, nullptr, true},
};

// Runs the set-up in this process as the case says; what came out wrong, one line each.
std::string failuresOfSetUp(const SetUpCase& c)
{
    std::string failures;
    const auto check = [&](bool ok, const std::string& what) { failures += ok ? "" : "failed: " + what + "\n"; };
    static Platform platform;
    static std::string broken;
    static const char* variable = nullptr;
    variable = c.videoMemory;
    OpenGLSetupEnvironment environment = defaultOpenGLSetupEnvironment();
    environment.getenv = [](const char* name) { return std::strcmp(name, kVideoMemoryVariable) ? nullptr : variable; };
    platform = *environment.platform;
    if (c.breakPlatform != nullptr) c.breakPlatform(platform);
    environment.platform = &platform;
    if (c.source != nullptr) {
        broken = failing(environment.sources.*c.source, c.when, c.link);
        environment.sources.*c.source = broken.c_str();
    }
    const auto printedBySetUp = [&] {
        testing::internal::CaptureStdout();
        sharedGL().initialize(environment);
        return testing::internal::GetCapturedStdout();
    };
    const std::string printed = printedBySetUp();
    const char* finished = "FINISHED SHADER COMPILE VELTRANO\n";
    check(printed.starts_with("STARTING SHADER COMPILE VELTRANO\n") && printed.ends_with(c.pass ? finished : c.printedLast),
          printed);
    // Ending with the failure message also shows that no later program was built.
    const bool built = (c.source == nullptr || c.pass) && c.breakPlatform == nullptr, context = c.breakPlatform == nullptr;
    const bool kernel =
        std::any_of(std::begin(SSAOSamplePattern), std::end(SSAOSamplePattern), [](float v) { return v != 0; });
    const SharedGLState& gl = sharedGL();
    const LookupTextures& textures = gl.lookupTextures();
    check((textures[LookupTexture::permutation] != 0) == built && kernel == built, built ? "lookup textures and kernel" : "none of them");
    check(c.freeMemKb < 0 ? gl.free_mem_kb() > 0 : gl.free_mem_kb() == c.freeMemKb,
          "free_mem_kb " + std::to_string(gl.free_mem_kb()));
    const std::string report = gl.g_openglInfo(), memory = "\nVRAM available (MB): " + std::to_string(gl.free_mem_kb() / 1024);
    check(report.find(context ? memory : "No OpenGL context") != std::string::npos, report);
    check(eglGetCurrentContext() == EGL_NO_CONTEXT, "no context current afterwards");
    if (built) {
        std::istringstream lines(printed);
        std::string programs;
        for (std::string line; std::getline(lines, line);) {
            programs += line.find(" = ") != std::string::npos ? line.substr(0, line.find(" = ")) + " " : "";
        }
        check(programs == "prog_density_shader prog_light_shader prog_flat_shader prog_solid_shader prog_flatquad_shader "
                          "prog_density_shader_FT prog_light_shader_FT prog_flat_shader_FT prog_flatquad_shader_FT "
                          "prog_postprocess_shader prog_postprocess_ssao_shader ",
              "set-up prints the eleven programs in order: " + programs);
        // The pass's programs build silently on first use; a failure is told once and never retried.
        platform::eglContextPlatform().setCurrentContext(gl.gSharedContext());
        testing::internal::CaptureStdout();
        const bool passBuilt = sharedGL().passProgramsBuilt(), again = sharedGL().passProgramsBuilt();
        const std::string passPrinted = testing::internal::GetCapturedStdout();
        const std::string told = c.pass ? std::string("ZEL: the displacement pass could not be built (") + c.printedLast +
                                              "); the displacement is evaluated per vertex instead\n"
                                        : "";
        check(passBuilt != c.pass && again == passBuilt && passPrinted.ends_with(told) && (c.pass || passPrinted.empty()) &&
                  passPrinted.find(" = ") == std::string::npos,
              "pass build: " + passPrinted);
        check(c.pass || std::ranges::all_of(gl.programs().programs, [](GLuint p) { return p != 0; }), "all 21 built");
        check(report.starts_with("OpenGL Information\n\nVersion: "), report);
        const int measured = gl.free_mem_kb();
        variable = "1";
        check(printedBySetUp().empty() && gl.free_mem_kb() == measured, "a second set-up does nothing");
        sharedGL().shutdown(platform::eglContextPlatform());
        const bool forgotten = gl.gSharedContext() == nullptr &&
                               std::ranges::all_of(gl.programs().programs, [](GLuint p) { return p == 0; }) &&
                               std::ranges::all_of(gl.programs().shaders, [](GLuint s) { return s == 0; }) &&
                               std::ranges::all_of(textures.names, [](GLuint t) { return t == 0; });
        check(forgotten, "set-down deletes and forgets every object it made");
        sharedGL().shutdown(platform::eglContextPlatform());
    }
    return failures;
}

void PrintTo(const SetUpCase& c, std::ostream* out) { *out << c.name; }

class OpenGLSetUp : public ::testing::TestWithParam<SetUpCase> {};

// Each case in a child process, whose failures the parent shows.
TEST_P(OpenGLSetUp, PrintsBuildsAndMeasures)
{
    EXPECT_EXIT(
        {
            const std::string failures = failuresOfSetUp(GetParam());
            std::fputs(failures.c_str(), stderr);
            _exit(failures.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenGLSetUp, ::testing::ValuesIn(kCases),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace zel
