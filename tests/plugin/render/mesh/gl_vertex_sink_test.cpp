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

// Fixed function (program 0, identity matrices) draws the unit grid flat into the middle 8 x 8 of
// a 16 x 16 target; a white texture on unit 5 leaves the colour as sent while showing that the sink
// bound and enabled it there.
TEST(GLVertexSink, DrawsTheGridWhereItLiesAndLeavesTheMatrixStackAsFound)
{
    test::SharedContextScope context;
    const auto integer = [](GLenum name) {
        GLint value = 0;
        glGetIntegerv(name, &value);
        return value;
    };
    GLuint textures[2] = {}, framebuffer = 0;  // the white texel, and the target
    const std::uint8_t white[4] = {255, 255, 255, 255};
    glCreateTextures(GL_TEXTURE_2D, 2, textures);
    glTextureStorage2D(textures[0], 1, GL_RGBA8, 1, 1);
    glTextureSubImage2D(textures[0], 0, 0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, white);
    glTextureStorage2D(textures[1], 1, GL_RGBA8, 16, 16);
    glCreateFramebuffers(1, &framebuffer);
    glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, textures[1], 0);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, 16, 16);
    const GLint depth = integer(GL_MODELVIEW_STACK_DEPTH);
    for (const int tessellation : {1, 2}) {
        SCOPED_TRACE(tessellation);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        GLVertexSink sink;
        RenderScene(sink,
                    {.sizeX = 1, .sizeY = 1, .verticesX = 4, .verticesY = 3, .color = {1, 0.5, 0.25},
                     .tessellation = params::Tessellation{tessellation}},
                    {.color = 0, .amplitude = textures[0]});
        std::vector<std::uint8_t> pixels(16 * 16 * 4);
        glGetTextureImage(textures[1], 0, GL_RGBA, GL_UNSIGNED_BYTE, GLsizei(pixels.size()), pixels.data());
        int wrong = 0;  // pixels inside the grid without the colour sent, or outside it with any
        for (int i = 0; i < 16 * 16; ++i) {
            const std::uint8_t* p = &pixels[std::size_t(4 * i)];
            const bool inside = i % 16 >= 4 && i % 16 < 12 && i / 16 >= 4 && i / 16 < 12;
            const bool sent = p[0] == 255 && std::abs(p[1] - 128) <= 1 && std::abs(p[2] - 64) <= 1 && p[3] == 255;
            wrong += inside ? !sent : p[3] != 0;
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(integer(GL_MODELVIEW_STACK_DEPTH), depth);
        EXPECT_EQ(integer(GL_FRONT_FACE), GL_CW);
        EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE5);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), textures[0]);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(2, textures);
}

}  // namespace
}  // namespace zel
