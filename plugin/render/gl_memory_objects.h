// The GL objects one frame creates, kept so that every exit path deletes exactly what exists.
#pragma once

#include <epoxy/gl.h>

#include <array>

namespace zel {

// Slot numbers are fixed: 0 to 2 renderbuffers, 3, 4 and 10 framebuffers, 5 to 9 and 11 to 13
// textures.
enum GLSlot : int {
    kMultisampleDepthBuffer = 0,
    kMultisampleColorBuffer = 1,
    kMultisampleNormalDepthBuffer = 2,
    kResolveFramebuffer = 3,
    kMultisampleFramebuffer = 4,
    kResolvedColorTexture = 5,
    kPostProcessTexture = 6,
    kResolvedNormalDepthTexture = 7,
    kTextureLayerTexture = 8,
    kAmplitudeTexture = 9,
    // The displacement pass: its target, the grid's coordinates it reads and the two textures
    // it fills.
    kDisplacementFramebuffer = 10,
    kGridCoordinateTexture = 11,
    kDisplacedPositionTexture = 12,
    kDisplacedShapeTexture = 13,
    kGLSlotCount = 14
};

// A slot is empty (not in use, name 0) or holds a live object. Deleting empties the slot, so a
// delete may be repeated and a slot may be filled again within the frame. Every operation needs
// the frame's context to be current.
class GLMemoryObjects {
public:
    GLMemoryObjects() = default;
    GLMemoryObjects(const GLMemoryObjects&) = delete;
    GLMemoryObjects& operator=(const GLMemoryObjects&) = delete;

    // Generate an object of the slot's kind and keep it in the slot; returns its name.
    GLuint genRenderbufferEXT(int slot);
    GLuint genFramebufferEXT(int slot);
    GLuint genTexture(int slot);

    void deleteRenderbuffersEXT(int slot);
    void deleteFramebuffersEXT(int slot);
    void deleteTextures(int slot);

    // Deletes whatever is left, renderbuffers first, with framebuffer 0 bound before the
    // framebuffers go.
    void freeGLMemory();

    bool inUse(int slot) const { return inUse_[static_cast<std::size_t>(slot)]; }
    GLuint name(int slot) const { return names_[static_cast<std::size_t>(slot)]; }

private:
    using Generate = void (*)(GLsizei, GLuint*);
    using Delete = void (*)(GLsizei, const GLuint*);

    GLuint generate(int slot, Generate gen);
    void release(int slot, Delete del);

    std::array<bool, kGLSlotCount> inUse_{};
    std::array<GLuint, kGLSlotCount> names_{};
};

}  // namespace zel
