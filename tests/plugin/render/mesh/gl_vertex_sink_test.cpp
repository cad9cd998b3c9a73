#include "plugin/render/mesh/gl_vertex_sink.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "plugin/render/mesh/render_scene.h"
#include "tests/plugin/gl/gl_test_environment.h"

namespace zel {
namespace {

constexpr int kTarget = 16;  // pixels per side; the grid covers the middle 8 x 8

GLint integer(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

// Fixed function (program 0) draws the grid flat; a white texture on unit 5 leaves the colour
// as sent while proving the sink bound and enabled it there.
TEST(GLVertexSink, DrawsTheGridWhereItLiesAndLeavesTheMatrixStackAsFound)
{
    test::SharedContextScope context;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    GLuint framebuffer = 0, renderbuffer = 0, white = 0;
    glGenFramebuffersEXT(1, &framebuffer);
    glGenRenderbuffersEXT(1, &renderbuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, renderbuffer);
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_RGBA8, kTarget, kTarget);
    glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT, renderbuffer);
    ASSERT_EQ(glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_EXT));

    const std::uint8_t texel[4] = {255, 255, 255, 255};
    glActiveTexture(GL_TEXTURE5);
    glGenTextures(1, &white);
    glBindTexture(GL_TEXTURE_2D, white);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    for (const GLenum off : {GL_TEXTURE_1D, GL_TEXTURE_2D, GL_DEPTH_TEST, GL_BLEND, GL_LIGHTING}) {
        glDisable(off);
    }
    glUseProgram(0);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glViewport(0, 0, kTarget, kTarget);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const GLint depth = integer(GL_MODELVIEW_STACK_DEPTH);

    for (const int tessellation : {1, 2}) {
        SCOPED_TRACE(tessellation);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        GLVertexSink sink;
        RenderScene(sink, {.sizeX = 1, .sizeY = 1, .verticesX = 4, .verticesY = 3, .colorR = 1, .colorG = 0.5,
                           .colorB = 0.25, .useAmplitudeTexture = 1, .amplitudeTextureId = white,
                           .tessellation = tessellation});
        std::vector<std::uint8_t> pixels(kTarget * kTarget * 4);
        glReadPixels(0, 0, kTarget, kTarget, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        int covered = 0;
        int wrong = 0;  // pixels inside the grid without the colour sent, or outside it with any
        for (int y = 0; y < kTarget; ++y) {
            for (int x = 0; x < kTarget; ++x) {
                const std::uint8_t* p = &pixels[static_cast<std::size_t>((y * kTarget + x) * 4)];
                const bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
                const bool surface = p[0] == 255 && std::abs(p[1] - 128) <= 1 && std::abs(p[2] - 64) <= 1 && p[3] == 255;
                covered += p[3] != 0;
                wrong += inside ? !surface : p[3] != 0;
            }
        }
        EXPECT_EQ(covered, 64);
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(integer(GL_MODELVIEW_STACK_DEPTH), depth);
        EXPECT_EQ(integer(GL_FRONT_FACE), GL_CW);
        EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE5);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_EQ(static_cast<GLuint>(integer(GL_TEXTURE_BINDING_2D)), white);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glDeleteFramebuffersEXT(1, &framebuffer);
    glDeleteRenderbuffersEXT(1, &renderbuffer);
    glDeleteTextures(1, &white);
}

}  // namespace
}  // namespace zel
