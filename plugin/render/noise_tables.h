// The constant tables behind the texture-look-up simplex noise and the occlusion kernel, and the
// images built from them. Everything here is computed on the processor and is the same in every
// run; the GL upload lives elsewhere.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace zel::noise {

inline constexpr int kImageSize = 256;                                 // texels per side
inline constexpr std::size_t kImageBytes = kImageSize * kImageSize * 4;  // RGBA bytes
inline constexpr int kSimplexEntries = 64;
inline constexpr int kKernelSamples = 32;

using Image = std::array<std::uint8_t, kImageBytes>;

// The classic permutation of 0 to 255, one copy.
extern const std::array<std::int32_t, 256> perm;
// The 12 edge midpoints of the cube, padded to 16 with four repeats.
extern const std::array<std::array<std::int32_t, 3>, 16> grad3;
// The 32 edge midpoints of the 4-D hypercube.
extern const std::array<std::array<std::int32_t, 4>, 32> grad4;
// 4-D simplex traversal order by corner-ordering index, ranks 0..3 stored as 0, 64, 128, 192.
extern const std::array<std::array<std::uint8_t, 4>, kSimplexEntries> simplex4;

// Row i, texel j: A = perm[(perm[i] + j) mod 256], RGB = its 3-D gradient as 0, 64, 128.
void fillPermutationImage(std::span<std::uint8_t, kImageBytes> image);
// Row i, texel j: RGBA = the 4-D gradient of the same permutation value as 0, 64, 128.
void fillGradientImage(std::span<std::uint8_t, kImageBytes> image);
// Bytes of a fixed linear congruential sequence, for jittering occlusion samples.
void fillRandomImage(std::span<std::uint8_t, kImageBytes> image);

// 32 samples (x, y, 0) on four rings of eight, outermost first.
void GenerateSSAOPattern(float* pattern);

}  // namespace zel::noise
