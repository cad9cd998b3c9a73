#include "plugin/render/lookup_textures.h"

#include "plugin/render/noise_tables.h"

extern "C" {
__attribute__((visibility("default"))) float SSAOSamplePattern[96] = {};
}

namespace zel {

GLuint permTextureID = 0;
GLuint simplexTextureID = 0;
GLuint gradTextureID = 0;
GLuint randTextureID = 0;

namespace {

// The images stay allocated for the life of the process, as the textures do.
noise::Image pixels1;
noise::Image pixels2;
noise::Image pixels3;

void setNearestFilters(GLenum target)
{
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

void upload2D(GLenum unit, GLuint* texture, void (*fill)(std::span<std::uint8_t, noise::kImageBytes>),
              noise::Image& image)
{
    glActiveTexture(unit);
    glGenTextures(1, texture);
    glBindTexture(GL_TEXTURE_2D, *texture);
    fill(image);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, noise::kImageSize, noise::kImageSize, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, image.data());
    setNearestFilters(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
}

}  // namespace

void uploadLookupTextures()
{
    glEnable(GL_TEXTURE_1D);
    glEnable(GL_TEXTURE_2D);

    upload2D(kPermutationUnit, &permTextureID, noise::fillPermutationImage, pixels1);

    glActiveTexture(kSimplexUnit);
    glGenTextures(1, &simplexTextureID);
    glBindTexture(GL_TEXTURE_1D, simplexTextureID);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA, noise::kSimplexEntries, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 noise::simplex4.data());
    setNearestFilters(GL_TEXTURE_1D);
    glActiveTexture(GL_TEXTURE0);

    upload2D(kGradientUnit, &gradTextureID, noise::fillGradientImage, pixels2);
    upload2D(kRandomUnit, &randTextureID, noise::fillRandomImage, pixels3);

    noise::GenerateSSAOPattern(SSAOSamplePattern);
}

void forgetLookupTextures()
{
    permTextureID = simplexTextureID = gradTextureID = randTextureID = 0;
}

}  // namespace zel
