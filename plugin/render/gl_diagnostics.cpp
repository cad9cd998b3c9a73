#include "plugin/render/gl_diagnostics.h"

#include <GL/glu.h>

#include <cstdio>

namespace zel {
namespace {

// A lost context can report the same error for ever; a checkpoint reads a bounded number.
constexpr int kMaxErrorsPerCheck = 64;

const char* framebufferStatusText(GLenum status)
{
    switch (status) {
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT:
        return "Framebuffer incomplete, incomplete attachment";
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT:
        return "Framebuffer incomplete, missing attachment";
    case GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT:
        return "Framebuffer incomplete, attached images must have same dimensions";
    case GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT:
        return "Framebuffer incomplete, attached images must have same format";
    case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT:
        return "Framebuffer incomplete, missing draw buffer";
    case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT:
        return "Framebuffer incomplete, missing read buffer";
    default:
        return "Unsupported framebuffer format";
    }
}

}  // namespace

int printOglError(const char* file, int line)
{
    int found = 0;
    for (GLenum error = glGetError(); error != GL_NO_ERROR && found < kMaxErrorsPerCheck;
         error = glGetError()) {
        std::printf("glError in file %s @ line %d: %s\n", file, line,
                    reinterpret_cast<const char*>(gluErrorString(error)));
        ++found;
    }
    return found > 0 ? 1 : 0;
}

int checkFramebufferStatus()
{
    const GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    if (status == GL_FRAMEBUFFER_COMPLETE_EXT) {
        return 0;
    }
    std::puts(framebufferStatusText(status));
    return 1;
}

GLint getUniLoc(GLuint program, const char* name)
{
    const GLint location = glGetUniformLocation(program, name);
    if (location == -1) {
        std::printf("No such uniform named \"%s\"\n", name);
    }
    printOglError("zel", __LINE__);
    return location;
}

}  // namespace zel
