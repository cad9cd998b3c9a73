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

std::array<std::uint8_t, 4> texel(const Image& image, int row, int column)
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

TEST(NoiseTables, GradientTablesHoldTheEdgeMidpointsInTheirOrder)
{
    std::set<std::array<std::int32_t, 4>> distinct(grad4.begin(), grad4.end());
    EXPECT_EQ(distinct.size(), 32u);
    for (const auto& g : grad4) {
        EXPECT_EQ(std::count(g.begin(), g.end(), 0), 1);
    }
    EXPECT_EQ(grad4[0], (std::array<std::int32_t, 4>{0, 1, 1, 1}));
    EXPECT_EQ(grad4[1], (std::array<std::int32_t, 4>{0, 1, 1, -1}));
    EXPECT_EQ(grad4[2], (std::array<std::int32_t, 4>{0, 1, -1, 1}));
    EXPECT_EQ(grad4[8], (std::array<std::int32_t, 4>{1, 0, 1, 1}));
    EXPECT_EQ(grad4[31], (std::array<std::int32_t, 4>{-1, -1, -1, 0}));

    std::set<std::array<std::int32_t, 3>> edges(grad3.begin(), grad3.begin() + 12);
    EXPECT_EQ(edges.size(), 12u);
    EXPECT_EQ(grad3[12], (std::array<std::int32_t, 3>{1, 0, -1}));
    EXPECT_EQ(grad3[15], (std::array<std::int32_t, 3>{0, 1, 1}));
}

TEST(NoiseTables, SimplexTableListsEachCornerOrderingOnce)
{
    std::set<std::array<std::uint8_t, 4>> orderings;
    int used = 0;
    for (const auto& row : simplex4) {
        if (row == std::array<std::uint8_t, 4>{0, 0, 0, 0}) {
            continue;
        }
        ++used;
        auto sorted = row;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, (std::array<std::uint8_t, 4>{0, 64, 128, 192}));
        orderings.insert(row);
    }
    EXPECT_EQ(used, 24);
    EXPECT_EQ(orderings.size(), 24u);
    EXPECT_EQ(simplex4[39], (std::array<std::uint8_t, 4>{128, 64, 192, 0}));
    EXPECT_EQ(simplex4[53], (std::array<std::uint8_t, 4>{192, 0, 128, 64}));
}

TEST(NoiseImages, PermutationAndGradientTexelsEncodeThePermutedValue)
{
    auto image = std::make_unique<Image>();
    fillPermutationImage(*image);
    EXPECT_EQ(texel(*image, 0, 0), (std::array<std::uint8_t, 4>{64, 128, 0, 17}));
    // Row 3, column 250: perm[(perm[3] + 250) mod 256] = perm[85].
    const auto v = static_cast<std::uint8_t>(perm[(perm[3] + 250) % 256]);
    EXPECT_EQ(texel(*image, 3, 250)[3], v);

    fillGradientImage(*image);
    int checked = 0;
    for (int row = 0; row < kImageSize; ++row) {
        for (int column = 0; column < kImageSize; ++column) {
            if (perm[static_cast<std::size_t>((perm[static_cast<std::size_t>(row)] + column) % 256)] % 32 == 0) {
                EXPECT_EQ(texel(*image, row, column), (std::array<std::uint8_t, 4>{64, 128, 128, 128}));
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 8 * kImageSize);  // 8 values of 256 fall on gradient 0 in every row
}

TEST(NoiseImages, RandomImageIsTheFixedSequence)
{
    auto image = std::make_unique<Image>();
    fillRandomImage(*image);
    EXPECT_EQ(texel(*image, 0, 0), (std::array<std::uint8_t, 4>{235, 28, 90, 204}));
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
    const auto sample = [&](int i) { return std::array<float, 3>{pattern[3 * i], pattern[3 * i + 1], pattern[3 * i + 2]}; };
    EXPECT_NEAR(sample(2)[0], 0.92388f, 1e-5);
    EXPECT_NEAR(sample(2)[1], 0.38268f, 1e-5);
    EXPECT_NEAR(sample(10)[0], 0.75f, 1e-6);
    EXPECT_NEAR(sample(10)[1], 0.0f, 1e-6);
    EXPECT_NEAR(sample(31)[0], 0.17678f, 1e-5);
    EXPECT_NEAR(sample(31)[1], 0.17678f, 1e-5);
    for (int i = 0; i < kKernelSamples; ++i) {
        const auto s = sample(i);
        EXPECT_EQ(s[2], 0.0f);
        EXPECT_NEAR(std::hypot(s[0], s[1]), (4 - i / 8) * 0.25, 1e-6) << "sample " << i;
    }
}

}  // namespace
}  // namespace zel::noise
