#include "plugin/render/noise_tables.h"

#include <cmath>

namespace zel::noise {
namespace {

// A gradient component of -1, 0 or 1 as a texel byte; the shader reads it back as byte / 255 * 4 - 1.
constexpr std::uint8_t encodeGradient(std::int32_t component)
{
    return static_cast<std::uint8_t>(component * 64 + 64);
}

constexpr std::array<std::array<std::int32_t, 4>, 32> makeGrad4()
{
    std::array<std::array<std::int32_t, 4>, 32> table{};
    std::size_t n = 0;
    for (int zero = 0; zero < 4; ++zero) {
        // Three signs from all plus to all minus, the last varying fastest.
        for (int signs = 0; signs < 8; ++signs) {
            int bit = 2;
            for (int c = 0; c < 4; ++c) {
                table[n][static_cast<std::size_t>(c)] =
                    (c == zero) ? 0 : (((signs >> bit--) & 1) != 0 ? -1 : 1);
            }
            ++n;
        }
    }
    return table;
}

std::int32_t permuted(int row, int column)
{
    return perm[static_cast<std::size_t>((perm[static_cast<std::size_t>(row)] + column) % 256)];
}

template <class Texel>
void fillByPermutation(std::span<std::uint8_t, kImageBytes> image, Texel texel)
{
    std::size_t at = 0;
    for (int row = 0; row < kImageSize; ++row) {
        for (int column = 0; column < kImageSize; ++column) {
            const std::array<std::uint8_t, 4> rgba = texel(permuted(row, column));
            for (std::uint8_t byte : rgba) {
                image[at++] = byte;
            }
        }
    }
}

}  // namespace

const std::array<std::int32_t, 256> perm = {
    151, 160, 137, 91, 90, 15, 131, 13, 201, 95, 96, 53, 194, 233, 7, 225,
    140, 36, 103, 30, 69, 142, 8, 99, 37, 240, 21, 10, 23, 190, 6, 148,
    247, 120, 234, 75, 0, 26, 197, 62, 94, 252, 219, 203, 117, 35, 11, 32,
    57, 177, 33, 88, 237, 149, 56, 87, 174, 20, 125, 136, 171, 168, 68, 175,
    74, 165, 71, 134, 139, 48, 27, 166, 77, 146, 158, 231, 83, 111, 229, 122,
    60, 211, 133, 230, 220, 105, 92, 41, 55, 46, 245, 40, 244, 102, 143, 54,
    65, 25, 63, 161, 1, 216, 80, 73, 209, 76, 132, 187, 208, 89, 18, 169,
    200, 196, 135, 130, 116, 188, 159, 86, 164, 100, 109, 198, 173, 186, 3, 64,
    52, 217, 226, 250, 124, 123, 5, 202, 38, 147, 118, 126, 255, 82, 85, 212,
    207, 206, 59, 227, 47, 16, 58, 17, 182, 189, 28, 42, 223, 183, 170, 213,
    119, 248, 152, 2, 44, 154, 163, 70, 221, 153, 101, 155, 167, 43, 172, 9,
    129, 22, 39, 253, 19, 98, 108, 110, 79, 113, 224, 232, 178, 185, 112, 104,
    218, 246, 97, 228, 251, 34, 242, 193, 238, 210, 144, 12, 191, 179, 162, 241,
    81, 51, 145, 235, 249, 14, 239, 107, 49, 192, 214, 31, 181, 199, 106, 157,
    184, 84, 204, 176, 115, 121, 50, 45, 127, 4, 150, 254, 138, 236, 205, 93,
    222, 114, 67, 29, 24, 72, 243, 141, 128, 195, 78, 66, 215, 61, 156, 180,
};

const std::array<std::array<std::int32_t, 3>, 16> grad3 = {{
    {0, 1, 1}, {0, 1, -1}, {0, -1, 1}, {0, -1, -1},
    {1, 0, 1}, {1, 0, -1}, {-1, 0, 1}, {-1, 0, -1},
    {1, 1, 0}, {1, -1, 0}, {-1, 1, 0}, {-1, -1, 0},
    {1, 0, -1}, {-1, 0, -1}, {0, -1, 1}, {0, 1, 1},
}};

const std::array<std::array<std::int32_t, 4>, 32> grad4 = makeGrad4();

const std::array<std::array<std::uint8_t, 4>, kSimplexEntries> simplex4 = {{
    {0, 64, 128, 192}, {0, 64, 192, 128}, {0, 0, 0, 0},     {0, 128, 192, 64},
    {0, 0, 0, 0},      {0, 0, 0, 0},      {0, 0, 0, 0},     {64, 128, 192, 0},
    {0, 128, 64, 192}, {0, 0, 0, 0},      {0, 192, 64, 128}, {0, 192, 128, 64},
    {0, 0, 0, 0},      {0, 0, 0, 0},      {0, 0, 0, 0},     {64, 192, 128, 0},
    {0, 0, 0, 0},      {0, 0, 0, 0},      {0, 0, 0, 0},     {0, 0, 0, 0},
    {0, 0, 0, 0},      {0, 0, 0, 0},      {0, 0, 0, 0},     {0, 0, 0, 0},
    {64, 128, 0, 192}, {0, 0, 0, 0},      {64, 192, 0, 128}, {0, 0, 0, 0},
    {0, 0, 0, 0},      {0, 0, 0, 0},      {128, 192, 0, 64}, {128, 192, 64, 0},
    {64, 0, 128, 192}, {64, 0, 192, 128}, {0, 0, 0, 0},     {0, 0, 0, 0},
    {0, 0, 0, 0},      {128, 0, 192, 64}, {0, 0, 0, 0},     {128, 64, 192, 0},
    {0, 0, 0, 0},      {0, 0, 0, 0},      {0, 0, 0, 0},     {0, 0, 0, 0},
    {0, 0, 0, 0},      {0, 0, 0, 0},      {0, 0, 0, 0},     {0, 0, 0, 0},
    {128, 0, 64, 192}, {0, 0, 0, 0},      {0, 0, 0, 0},     {0, 0, 0, 0},
    {192, 0, 64, 128}, {192, 0, 128, 64}, {0, 0, 0, 0},     {192, 64, 128, 0},
    {128, 64, 0, 192}, {0, 0, 0, 0},      {0, 0, 0, 0},     {0, 0, 0, 0},
    {192, 64, 0, 128}, {0, 0, 0, 0},      {192, 128, 0, 64}, {192, 128, 64, 0},
}};

void fillPermutationImage(std::span<std::uint8_t, kImageBytes> image)
{
    fillByPermutation(image, [](std::int32_t value) {
        const auto& g = grad3[static_cast<std::size_t>(value % 16)];
        return std::array<std::uint8_t, 4>{encodeGradient(g[0]), encodeGradient(g[1]),
                                           encodeGradient(g[2]), static_cast<std::uint8_t>(value)};
    });
}

void fillGradientImage(std::span<std::uint8_t, kImageBytes> image)
{
    fillByPermutation(image, [](std::int32_t value) {
        const auto& g = grad4[static_cast<std::size_t>(value % 32)];
        return std::array<std::uint8_t, 4>{encodeGradient(g[0]), encodeGradient(g[1]),
                                           encodeGradient(g[2]), encodeGradient(g[3])};
    });
}

void fillRandomImage(std::span<std::uint8_t, kImageBytes> image)
{
    std::uint32_t state = 0xEC4F366Cu;
    for (std::uint8_t& byte : image) {
        byte = static_cast<std::uint8_t>(static_cast<double>(state) * 255.0 / 4294967295.0);
        state = state * 1664525u + 1013904223u;
    }
}

void GenerateSSAOPattern(float* pattern)
{
    // Opposite directions in turn, so that a partial ring is still balanced.
    constexpr int order[8] = {6, 2, 0, 4, 7, 3, 5, 1};
    constexpr double kPi = 3.14159265358979323846;
    for (int ring = 0; ring < 4; ++ring) {
        const float radius = static_cast<float>(4 - ring) * 0.25f;
        for (int j = 0; j < 8; ++j) {
            float angle = static_cast<float>(order[j] * 2 * kPi * 0.125);
            if (ring % 2 == 0) {
                angle = static_cast<float>(angle + 0.39269908169872414);  // rings 0 and 2 turn 22.5 degrees
            }
            float* sample = pattern + 3 * (ring * 8 + j);
            sample[0] = static_cast<float>(std::cos(static_cast<double>(angle)) * radius);
            sample[1] = static_cast<float>(std::sin(static_cast<double>(angle)) * radius);
            sample[2] = 0.0f;
        }
    }
}

}  // namespace zel::noise
