#include "plugin/render/noise_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "tests/support/text.h"

namespace zel::noise {
namespace {

using Texel = std::array<std::uint8_t, 4>;

Texel texel(const Image& image, int row, int column)
{
    const std::size_t at = 4 * static_cast<std::size_t>(row * kImageSize + column);
    return {image[at], image[at + 1], image[at + 2], image[at + 3]};
}

TEST(NoiseTables, PermutationGradientsAndSimplexOrderingsAreTheReferenceOnes)
{
    std::istringstream reference(test::readText(ZEL_TEST_DATA_DIR "/perlin_permutation.txt"));
    std::vector<std::int32_t> values;
    for (std::int32_t v; reference >> v;) {
        values.push_back(v);
    }
    EXPECT_EQ(values, std::vector<std::int32_t>(perm.begin(), perm.end()));

    // The 32 edge midpoints of the hypercube, each with one zero, in their order.
    EXPECT_EQ(std::set(grad4.begin(), grad4.end()).size(), 32u);
    EXPECT_TRUE(std::ranges::all_of(grad4, [](const auto& g) { return std::ranges::count(g, 0) == 1; }));
    using G4 = std::array<std::int32_t, 4>;
    EXPECT_EQ((std::array{grad4[0], grad4[1], grad4[2], grad4[8], grad4[31]}),
              (std::array{G4{0, 1, 1, 1}, G4{0, 1, 1, -1}, G4{0, 1, -1, 1}, G4{1, 0, 1, 1}, G4{-1, -1, -1, 0}}));
    EXPECT_EQ(std::set(grad3.begin(), grad3.begin() + 12).size(), 12u);
    EXPECT_EQ((std::array{grad3[12], grad3[15]}), (std::array{std::array{1, 0, -1}, std::array{0, 1, 1}}));

    // 24 orderings of the corner ranks 0, 64, 128, 192, and 40 unused entries.
    std::set<Texel> orderings;
    for (const Texel& row : simplex4) {
        Texel sorted = row;
        std::ranges::sort(sorted);
        EXPECT_TRUE(sorted == (Texel{0, 64, 128, 192}) || row == Texel{}) << int(row[0]) << int(row[1]);
        orderings.insert(row);
    }
    EXPECT_EQ((std::tuple{orderings.size(), std::ranges::count(simplex4, Texel{}), simplex4[39], simplex4[53]}),
              (std::tuple{25u, 40, Texel{128, 64, 192, 0}, Texel{192, 0, 128, 64}}));
}

TEST(NoiseImages, PermutationAndGradientTexelsEncodeThePermutedValueAndRandomTexelsTheFixedSequence)
{
    auto image = std::make_unique<Image>();
    fillPermutationImage(*image);
    EXPECT_EQ(texel(*image, 0, 0), (Texel{64, 128, 0, 17}));
    EXPECT_EQ(texel(*image, 3, 250)[3], perm[(perm[3] + 250) % 256]);  // perm[85]

    // Texel (r, c) holds the gradient of perm[(perm[r] + c) mod 256] mod 32, its -1, 0, 1 as 0, 64, 128:
    // perm[151] = 17, perm[(perm[3] + 250) mod 256] = 105, perm[(perm[200] + 17) mod 256] = 180.
    fillGradientImage(*image);
    EXPECT_EQ((std::array{texel(*image, 0, 0), texel(*image, 3, 250), texel(*image, 200, 17)}),
              (std::array{Texel{128, 128, 64, 0}, Texel{128, 64, 128, 0}, Texel{0, 128, 64, 128}}));
    fillRandomImage(*image);
    EXPECT_EQ((std::array{texel(*image, 0, 0), texel(*image, 0, 1)}),
              (std::array{Texel{235, 28, 90, 204}, Texel{130, 103, 165, 166}}));
    auto again = std::make_unique<Image>();
    fillRandomImage(*again);
    EXPECT_EQ(*image, *again);
}

TEST(OcclusionKernel, FourRingsOfEightFromTheOutsideIn)
{
    float pattern[3 * kKernelSamples];
    std::fill(std::begin(pattern), std::end(pattern), -9.0f);
    GenerateSSAOPattern(pattern);
    for (const auto& [i, x, y] : {std::tuple{2, 0.92388, 0.38268}, {10, 0.75, 0.0}, {31, 0.17678, 0.17678}}) {
        EXPECT_NEAR(pattern[3 * i], x, 1e-5) << i;
        EXPECT_NEAR(pattern[3 * i + 1], y, 1e-5) << i;
    }
    for (int i = 0; i < kKernelSamples; ++i) {
        EXPECT_EQ(pattern[3 * i + 2], 0.0f);
        EXPECT_NEAR(std::hypot(pattern[3 * i], pattern[3 * i + 1]), (4 - i / 8) * 0.25, 1e-6) << "sample " << i;
    }
}

}  // namespace
}  // namespace zel::noise
