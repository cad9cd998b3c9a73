#include <gtest/gtest.h>

#include <string>

#include "plugin/entry/opengl_setup.h"

namespace zel {
namespace {

constexpr const char* kAllExtensions =
    "GL_ARB_shading_language_100 GL_ARB_shader_objects GL_EXT_framebuffer_object "
    "GL_EXT_framebuffer_multisample GL_EXT_framebuffer_blit GL_EXT_gpu_shader4";

std::string reportWithout(const std::string& missing)
{
    OpenGLFacts facts{"2.1 Test", "Zel Tests", "Test Renderer", "1.20", kAllExtensions, 8};
    if (!missing.empty()) {
        facts.extensions.erase(facts.extensions.find(missing), missing.size());
    }
    formatOpenGLInfo(facts, 524288);
    return g_openglInfo;
}

const std::string kBase =
    "OpenGL Information\n\nVersion: 2.1 Test\nVendor: Zel Tests\nRenderer: Test Renderer"
    "\nShader Language: 1.20\nMultisample maximum: 8\nVRAM available (MB): 512";

TEST(OpenGLInfo, ListsTheFactsAndTheMissingExtensions)
{
    struct Case {
        const char* missing;
        std::string tail;
    };
    const Case cases[] = {
        {"", ""},
        // A missing blit alone gives the heading and nothing under it.
        {"GL_EXT_framebuffer_blit", "\nMissing Exenstions:"},
        // A missing multisample gives both framebuffer lines but no heading.
        {"GL_EXT_framebuffer_multisample",
         "\nFramebuffer Multisample (GL_EXT_framebuffer_multisample)"
         "\nFramebuffer Blit (GL_EXT_framebuffer_blit)"},
        {"GL_EXT_gpu_shader4", "\nMissing Exenstions:\nGPU Shader 4 (GL_EXT_gpu_shader4)"},
        {"GL_ARB_shader_objects", "\nMissing Exenstions:\nShader Objects (GL_ARB_shader_objects)"},
        {"GL_ARB_shading_language_100", "\nMissing Exenstions:\nShader Language (>= 1.0)"},
        {"GL_EXT_framebuffer_object", "\nMissing Exenstions:\nFramebuffer Objects (EXT_framebuffer_object)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.missing);
        EXPECT_EQ(reportWithout(c.missing), kBase + c.tail);
    }
}

TEST(OpenGLInfo, ALongReportStopsAtItsBuffer)
{
    OpenGLFacts facts{"4.5", "vendor", std::string(600, 'r'), "4.50", "", 4};
    formatOpenGLInfo(facts, 0);
    const std::string report(g_openglInfo);
    EXPECT_EQ(report.size(), kOpenGLInfoSize - 1);
    EXPECT_EQ(report.rfind("OpenGL Information\n\nVersion: 4.5\nVendor: vendor\nRenderer: rrr", 0), 0u);
}

}  // namespace
}  // namespace zel
