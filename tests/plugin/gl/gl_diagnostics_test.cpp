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

TEST_F(GLDiagnostics, APendingErrorIsPrintedWithItsCheckpointAndCleared)
{
    // Mesa keeps one error flag, so one error is pending however many calls failed.
    glEnable(0xFFFF);
    testing::internal::CaptureStdout();
    EXPECT_EQ(printOglError("zel", 42), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "glError in file zel @ line 42: invalid enumerant\n");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    testing::internal::CaptureStdout();
    EXPECT_EQ(printOglError("zel", 43), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(GLDiagnostics, FramebufferStatusPrintsOneLineOnlyWhenIncomplete)
{
    GLMemoryObjects objects;
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, objects.genFramebufferEXT(kResolveFramebuffer));
    testing::internal::CaptureStdout();
    EXPECT_EQ(checkFramebufferStatus(), 1);  // nothing attached
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Framebuffer incomplete, missing attachment\n");

    const GLuint texture = objects.genTexture(kResolvedColorTexture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16F_ARB, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture, 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(checkFramebufferStatus(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    objects.freeGLMemory();
}

TEST_F(GLDiagnostics, AMissingUniformIsNamedAndItsValueDropped)
{
    testing::internal::CaptureStdout();
    const GLint location = getUniLoc(prog_density_shader, "NoSuchUniform");
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(location, -1);
    EXPECT_EQ(printed, "No such uniform named \"NoSuchUniform\"\n");
    glUseProgram(prog_density_shader);
    glUniform1f(location, 1.0f);
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
