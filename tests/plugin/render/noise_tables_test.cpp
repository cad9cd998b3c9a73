#include "plugin/render/noise_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <set>
#include <vector>

namespace zel::noise {
namespace {

using Texel = std::array<std::uint8_t, 4>;

Texel texel(const Image& image, int row, int column)
{
    const std::size_t at = 4 * static_cast<std::size_t>(row * kImageSize + column);
    return {image[at], image[at + 1], image[at + 2], image[at + 3]};
}

TEST(NoiseTables, PermutationIsTheReferenceOne)
{
    std::ifstream reference(ZEL_TEST_DATA_DIR "/perlin_permutation.txt");
    ASSERT_TRUE(reference) << "reference permutation not found";
    std::vector<std::int32_t> values;
    for (std::int32_t v; reference >> v;) {
        values.push_back(v);
    }
    EXPECT_EQ(values, std::vector<std::int32_t>(perm.begin(), perm.end()));
}

TEST(NoiseTables, GradientAndSimplexTablesHoldTheEdgeMidpointsAndCornerOrderingsInTheirOrder)
{
    EXPECT_EQ(std::set(grad4.begin(), grad4.end()).size(), 32u);
    for (const auto& g : grad4) {
        EXPECT_EQ(std::count(g.begin(), g.end(), 0), 1);
    }
    using G4 = std::array<std::int32_t, 4>;
    EXPECT_EQ((std::array{grad4[0], grad4[1], grad4[2], grad4[8], grad4[31]}),
              (std::array{G4{0, 1, 1, 1}, G4{0, 1, 1, -1}, G4{0, 1, -1, 1}, G4{1, 0, 1, 1}, G4{-1, -1, -1, 0}}));
    EXPECT_EQ(std::set(grad3.begin(), grad3.begin() + 12).size(), 12u);
    EXPECT_EQ(grad3[12], (std::array<std::int32_t, 3>{1, 0, -1}));
    EXPECT_EQ(grad3[15], (std::array<std::int32_t, 3>{0, 1, 1}));

    std::set<Texel> orderings;
    for (const auto& row : simplex4) {
        if (row != Texel{0, 0, 0, 0}) {
            auto sorted = row;
            std::sort(sorted.begin(), sorted.end());
            EXPECT_EQ(sorted, (Texel{0, 64, 128, 192}));
            orderings.insert(row);
        }
    }
    EXPECT_EQ(orderings.size(), 24u);
    EXPECT_EQ(std::count(simplex4.begin(), simplex4.end(), Texel{0, 0, 0, 0}), 40);
    EXPECT_EQ(simplex4[39], (Texel{128, 64, 192, 0}));
    EXPECT_EQ(simplex4[53], (Texel{192, 0, 128, 64}));
}

TEST(NoiseImages, PermutationAndGradientTexelsEncodeThePermutedValueAndRandomTexelsTheFixedSequence)
{
    auto image = std::make_unique<Image>();
    fillPermutationImage(*image);
    EXPECT_EQ(texel(*image, 0, 0), (Texel{64, 128, 0, 17}));
    EXPECT_EQ(texel(*image, 3, 250)[3], perm[(perm[3] + 250) % 256]);  // perm[85]

    fillGradientImage(*image);
    int checked = 0;
    for (int row = 0; row < kImageSize; ++row) {
        for (int column = 0; column < kImageSize; ++column) {
            if (perm[static_cast<std::size_t>((perm[static_cast<std::size_t>(row)] + column) % 256)] % 32 == 0) {
                EXPECT_EQ(texel(*image, row, column), (Texel{64, 128, 128, 128}));
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 8 * kImageSize);  // 8 values of 256 fall on gradient 0 in every row

    fillRandomImage(*image);
    EXPECT_EQ(texel(*image, 0, 0), (Texel{235, 28, 90, 204}));
    EXPECT_EQ(texel(*image, 0, 1)[0], 130);
    EXPECT_EQ(texel(*image, 0, 1)[1], 103);
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
