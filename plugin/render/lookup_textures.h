// The noise lookup textures and the occlusion kernel: built once per process and left bound on
// texture units 1 to 4 of the shared context for every frame.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <cstddef>

namespace zel {

// In upload order, which is also the order of their texture units.
enum class LookupTexture : std::size_t { permutation, simplex, gradient, random };
inline constexpr std::size_t kLookupTextureCount = 4;

inline constexpr GLenum kPermutationUnit = GL_TEXTURE1;
inline constexpr GLenum kSimplexUnit = GL_TEXTURE2;
inline constexpr GLenum kGradientUnit = GL_TEXTURE3;
inline constexpr GLenum kRandomUnit = GL_TEXTURE4;

// GL texture names; 0 where none was made.
struct LookupTextures {
    std::array<GLuint, kLookupTextureCount> names{};

    GLuint operator[](LookupTexture texture) const { return names[static_cast<std::size_t>(texture)]; }
};

// Builds the images, uploads them in unit order with nearest filtering, then fills the kernel.
// Needs the shared context current.
void uploadLookupTextures(LookupTextures& textures);

// Deletes the textures and sets their names back to 0. Needs the owning context current.
void deleteLookupTextures(LookupTextures& textures);

}  // namespace zel

// 32 occlusion samples (x, y, 0); exported with the module so that tools can read the kernel.
extern "C" float SSAOSamplePattern[96];
