// The noise lookup textures and the occlusion kernel: built once per process and left bound on
// texture units 1 to 4 of the shared context for every frame.
#pragma once

#include <epoxy/gl.h>

namespace zel {

inline constexpr GLenum kPermutationUnit = GL_TEXTURE1;
inline constexpr GLenum kSimplexUnit = GL_TEXTURE2;
inline constexpr GLenum kGradientUnit = GL_TEXTURE3;
inline constexpr GLenum kRandomUnit = GL_TEXTURE4;

extern GLuint permTextureID;
extern GLuint simplexTextureID;
extern GLuint gradTextureID;
extern GLuint randTextureID;

// Builds the images, uploads them in unit order with nearest filtering, then fills the kernel.
// Needs the shared context current.
void uploadLookupTextures();

// Sets the texture names back to 0, for when the context that owned them is gone.
void forgetLookupTextures();

}  // namespace zel

// 32 occlusion samples (x, y, 0); exported with the module so that tools can read the kernel.
extern "C" float SSAOSamplePattern[96];
