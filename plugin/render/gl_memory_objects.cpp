#include "plugin/render/gl_memory_objects.h"

namespace zel {

GLuint GLMemoryObjects::generate(int slot, Generate gen)
{
    const auto i = static_cast<std::size_t>(slot);
    gen(1, &names_[i]);
    inUse_[i] = true;
    return names_[i];
}

void GLMemoryObjects::release(int slot, Delete del)
{
    const auto i = static_cast<std::size_t>(slot);
    if (inUse_[i]) {
        del(1, &names_[i]);
        inUse_[i] = false;
        names_[i] = 0;
    }
}

// The GL entry points are resolved at run time, so each is wrapped in a plain function here.
GLuint GLMemoryObjects::genRenderbufferEXT(int slot)
{
    return generate(slot, [](GLsizei n, GLuint* names) { glGenRenderbuffersEXT(n, names); });
}

GLuint GLMemoryObjects::genFramebufferEXT(int slot)
{
    return generate(slot, [](GLsizei n, GLuint* names) { glGenFramebuffersEXT(n, names); });
}

GLuint GLMemoryObjects::genTexture(int slot)
{
    return generate(slot, [](GLsizei n, GLuint* names) { glGenTextures(n, names); });
}

void GLMemoryObjects::deleteRenderbuffersEXT(int slot)
{
    release(slot, [](GLsizei n, const GLuint* names) { glDeleteRenderbuffersEXT(n, names); });
}

void GLMemoryObjects::deleteFramebuffersEXT(int slot)
{
    release(slot, [](GLsizei n, const GLuint* names) { glDeleteFramebuffersEXT(n, names); });
}

void GLMemoryObjects::deleteTextures(int slot)
{
    release(slot, [](GLsizei n, const GLuint* names) { glDeleteTextures(n, names); });
}

void GLMemoryObjects::freeGLMemory()
{
    deleteRenderbuffersEXT(kMultisampleDepthBuffer);
    deleteRenderbuffersEXT(kMultisampleColorBuffer);
    deleteRenderbuffersEXT(kMultisampleNormalDepthBuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    deleteFramebuffersEXT(kMultisampleFramebuffer);
    deleteFramebuffersEXT(kDisplacementFramebuffer);
    deleteTextures(kResolvedColorTexture);
    deleteTextures(kPostProcessTexture);
    deleteTextures(kResolvedNormalDepthTexture);
    deleteFramebuffersEXT(kResolveFramebuffer);
    deleteTextures(kTextureLayerTexture);
    deleteTextures(kAmplitudeTexture);
    deleteTextures(kGridCoordinateTexture);
    deleteTextures(kDisplacedPositionTexture);
    deleteTextures(kDisplacedShapeTexture);
}

}  // namespace zel
