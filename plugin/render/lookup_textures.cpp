#include "plugin/render/lookup_textures.h"

#include <iterator>

#include "plugin/render/noise_tables.h"

extern "C" {
__attribute__((visibility("default"))) float SSAOSamplePattern[96] = {};
}

namespace zel {
namespace {

// The images stay allocated for the life of the process, as the textures do.
noise::Image permutationImage;
noise::Image gradientImage;
noise::Image randomImage;

struct LookupTextureRow {
    LookupTexture texture;
    GLenum unit;
    GLenum target;
    void (*upload)();  // fills the image and hands it to the bound texture
};

void uploadImage(noise::Image& image, void (*fill)(std::span<std::uint8_t, noise::kImageBytes>))
{
    fill(image);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, noise::kImageSize, noise::kImageSize, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, image.data());
}

constexpr LookupTextureRow kLookupTextures[] = {
    {LookupTexture::permutation, kPermutationUnit, GL_TEXTURE_2D,
     [] { uploadImage(permutationImage, noise::fillPermutationImage); }},
    {LookupTexture::simplex, kSimplexUnit, GL_TEXTURE_1D,
     [] {
         glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA, noise::kSimplexEntries, 0, GL_RGBA,
                      GL_UNSIGNED_BYTE, noise::simplex4.data());
     }},
    {LookupTexture::gradient, kGradientUnit, GL_TEXTURE_2D,
     [] { uploadImage(gradientImage, noise::fillGradientImage); }},
    {LookupTexture::random, kRandomUnit, GL_TEXTURE_2D,
     [] { uploadImage(randomImage, noise::fillRandomImage); }},
};
static_assert(std::size(kLookupTextures) == kLookupTextureCount);

}  // namespace

void uploadLookupTextures(LookupTextures& textures)
{
    glEnable(GL_TEXTURE_1D);
    glEnable(GL_TEXTURE_2D);
    for (const LookupTextureRow& row : kLookupTextures) {
        GLuint& name = textures.names[static_cast<std::size_t>(row.texture)];
        glActiveTexture(row.unit);
        glGenTextures(1, &name);
        glBindTexture(row.target, name);
        row.upload();
        glTexParameteri(row.target, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(row.target, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glActiveTexture(GL_TEXTURE0);
    }
    noise::GenerateSSAOPattern(SSAOSamplePattern);
}

void deleteLookupTextures(LookupTextures& textures)
{
    for (GLuint& name : textures.names) {
        if (name != 0) {
            glDeleteTextures(1, &name);
            name = 0;
        }
    }
}

}  // namespace zel
