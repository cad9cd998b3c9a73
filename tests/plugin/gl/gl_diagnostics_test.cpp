#include "plugin/render/gl_diagnostics.h"

#include <gtest/gtest.h>

#include <string>

#include "plugin/render/gl_memory_objects.h"
#include "plugin/render/shader_programs.h"
#include "tests/plugin/gl/gl_test_environment.h"

namespace zel {
namespace {

class GLDiagnostics : public ::testing::Test {
protected:
    test::SharedContextScope context;
};

// What `run` prints on standard output, and its answer.
template <typename Run>
std::pair<std::string, int> printed(Run run)
{
    testing::internal::CaptureStdout();
    const int answer = run();
    return {testing::internal::GetCapturedStdout(), answer};
}

TEST_F(GLDiagnostics, ErrorsIncompleteFramebuffersAndMissingUniformsArePrintedInOneLine)
{
    // Mesa keeps one error flag, so one error is pending however many calls failed; printing clears it.
    glEnable(0xFFFF);
    using Printed = std::pair<std::string, int>;
    EXPECT_EQ(printed([] { return printOglError("zel", 42); }),
              Printed("glError in file zel @ line 42: invalid enumerant\n", 1));
    EXPECT_EQ(printed([] { return printOglError("zel", 43); }), Printed("", 0));

    GLMemoryObjects objects;
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, objects.genFramebufferEXT(kResolveFramebuffer));
    EXPECT_EQ(printed(checkFramebufferStatus), Printed("Framebuffer incomplete, missing attachment\n", 1));
    const GLuint texture = objects.genTexture(kResolvedColorTexture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16F_ARB, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture, 0);
    EXPECT_EQ(printed(checkFramebufferStatus), Printed("", 0));
    objects.freeGLMemory();

    // A missing uniform's value is dropped without an error.
    EXPECT_EQ(printed([] { return getUniLoc(prog_density_shader, "NoSuchUniform"); }),
              Printed("No such uniform named \"NoSuchUniform\"\n", -1));
    glUseProgram(prog_density_shader);
    glUniform1f(-1, 1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_GE(getUniLoc(prog_density_shader, "DensityAffect"), 0);
    glUseProgram(0);
}

TEST_F(GLDiagnostics, FrameObjectsAreDeletedOnceWhateverDeletedThemFirst)
{
    GLMemoryObjects objects;
    const GLuint renderbuffer = objects.genRenderbufferEXT(kMultisampleColorBuffer);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, renderbuffer);
    const GLuint framebuffer = objects.genFramebufferEXT(kMultisampleFramebuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    const GLuint texture = objects.genTexture(kTextureLayerTexture);
    glBindTexture(GL_TEXTURE_2D, texture);
    EXPECT_TRUE(glIsRenderbufferEXT(renderbuffer));
    EXPECT_TRUE(glIsTexture(texture));

    objects.deleteTextures(kTextureLayerTexture);
    EXPECT_FALSE(objects.inUse(kTextureLayerTexture));
    EXPECT_EQ(objects.name(kTextureLayerTexture), 0u);
    // A new object may take the freed name; the sweep must not delete it.
    GLuint reused = 0;
    glGenTextures(1, &reused);
    glBindTexture(GL_TEXTURE_2D, reused);

    objects.freeGLMemory();
    objects.freeGLMemory();
    EXPECT_FALSE(glIsRenderbufferEXT(renderbuffer));
    EXPECT_FALSE(glIsFramebufferEXT(framebuffer));
    EXPECT_TRUE(glIsTexture(reused));
    for (int slot = 0; slot < kGLSlotCount; ++slot) {
        EXPECT_FALSE(objects.inUse(slot)) << "slot " << slot;
    }
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    EXPECT_EQ(bound, 0);
    glDeleteTextures(1, &reused);
    EXPECT_EQ(printOglError("zel", __LINE__), 0);
}

}  // namespace
}  // namespace zel
