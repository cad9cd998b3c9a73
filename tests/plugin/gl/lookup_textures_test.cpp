#include "plugin/render/lookup_textures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "plugin/render/noise_tables.h"
#include "tests/plugin/gl/gl_test_environment.h"

namespace zel {
namespace {

TEST(LookupTextures, EachImageSitsOnItsUnitWithNearestFilteringAndTheKernelIsFilled)
{
    test::SharedContextScope context;
    const struct {
        const char* name;
        GLenum unit, target;
        GLuint texture;
        void (*fill)(std::span<std::uint8_t, noise::kImageBytes>);  // null: the simplex table
    } textures[] = {
        {"permutation", kPermutationUnit, GL_TEXTURE_2D, permTextureID, noise::fillPermutationImage},
        {"simplex", kSimplexUnit, GL_TEXTURE_1D, simplexTextureID, nullptr},
        {"gradient", kGradientUnit, GL_TEXTURE_2D, gradTextureID, noise::fillGradientImage},
        {"random", kRandomUnit, GL_TEXTURE_2D, randTextureID, noise::fillRandomImage},
    };
    for (const auto& t : textures) {
        SCOPED_TRACE(t.name);
        ASSERT_NE(t.texture, 0u);
        glActiveTexture(t.unit);
        GLint bound = 0, minFilter = 0, magFilter = 0;
        glGetIntegerv(t.target == GL_TEXTURE_1D ? GL_TEXTURE_BINDING_1D : GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), t.texture);
        glGetTexParameteriv(t.target, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(t.target, GL_TEXTURE_MAG_FILTER, &magFilter);
        EXPECT_EQ(minFilter, GL_NEAREST);
        EXPECT_EQ(magFilter, GL_NEAREST);

        std::vector<std::uint8_t> expected;
        if (t.fill != nullptr) {
            auto image = std::make_unique<noise::Image>();
            t.fill(*image);
            expected.assign(image->begin(), image->end());
        } else {
            for (const auto& entry : noise::simplex4) {
                expected.insert(expected.end(), entry.begin(), entry.end());
            }
        }
        std::vector<std::uint8_t> bytes(expected.size());
        glGetTexImage(t.target, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
        EXPECT_TRUE(bytes == expected);
    }
    glActiveTexture(GL_TEXTURE0);

    float kernel[3 * noise::kKernelSamples];
    noise::GenerateSSAOPattern(kernel);
    EXPECT_TRUE(std::equal(std::begin(kernel), std::end(kernel), std::begin(SSAOSamplePattern)));
}

}  // namespace
}  // namespace zel
