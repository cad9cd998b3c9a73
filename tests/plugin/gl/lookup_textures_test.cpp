#include "plugin/render/lookup_textures.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "plugin/render/noise_tables.h"
#include "tests/plugin/gl/gl_test_environment.h"

namespace zel {
namespace {

struct Uploaded {
    const char* name;
    GLenum unit;
    GLenum target;
    GLuint texture;
    void (*fill)(std::span<std::uint8_t, noise::kImageBytes>);  // null: the simplex table
};

std::vector<std::uint8_t> readBack(GLenum target, int texels)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(texels) * 4);
    glGetTexImage(target, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
}

TEST(LookupTextures, EachImageSitsOnItsUnitWithNearestFiltering)
{
    test::SharedContextScope context;
    const Uploaded textures[] = {
        {"permutation", kPermutationUnit, GL_TEXTURE_2D, permTextureID, noise::fillPermutationImage},
        {"simplex", kSimplexUnit, GL_TEXTURE_1D, simplexTextureID, nullptr},
        {"gradient", kGradientUnit, GL_TEXTURE_2D, gradTextureID, noise::fillGradientImage},
        {"random", kRandomUnit, GL_TEXTURE_2D, randTextureID, noise::fillRandomImage},
    };
    for (const Uploaded& t : textures) {
        SCOPED_TRACE(t.name);
        ASSERT_NE(t.texture, 0u);
        glActiveTexture(t.unit);
        GLint bound = 0;
        glGetIntegerv(t.target == GL_TEXTURE_1D ? GL_TEXTURE_BINDING_1D : GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), t.texture);
        GLint minFilter = 0;
        GLint magFilter = 0;
        glGetTexParameteriv(t.target, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(t.target, GL_TEXTURE_MAG_FILTER, &magFilter);
        EXPECT_EQ(minFilter, GL_NEAREST);
        EXPECT_EQ(magFilter, GL_NEAREST);

        if (t.fill != nullptr) {
            auto expected = std::make_unique<noise::Image>();
            t.fill(*expected);
            EXPECT_TRUE(readBack(t.target, noise::kImageSize * noise::kImageSize) ==
                        std::vector<std::uint8_t>(expected->begin(), expected->end()));
        } else {
            const std::vector<std::uint8_t> bytes = readBack(t.target, noise::kSimplexEntries);
            for (int i = 0; i < noise::kSimplexEntries; ++i) {
                for (int c = 0; c < 4; ++c) {
                    EXPECT_EQ(bytes[static_cast<std::size_t>(4 * i + c)],
                              noise::simplex4[static_cast<std::size_t>(i)][static_cast<std::size_t>(c)]);
                }
            }
        }
    }
    glActiveTexture(GL_TEXTURE0);
}

TEST(LookupTextures, TheKernelIsFilledAfterTheUpload)
{
    EXPECT_FLOAT_EQ(SSAOSamplePattern[3 * 10], 0.75f);
    EXPECT_FLOAT_EQ(SSAOSamplePattern[3 * 10 + 1], 0.0f);
    EXPECT_NEAR(SSAOSamplePattern[3 * 31], 0.17678f, 1e-5);
}

}  // namespace
}  // namespace zel
