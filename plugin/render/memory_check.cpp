#include "plugin/render/memory_check.h"

#include <iterator>

namespace zel {
namespace {

// Budgets of the fixed choices 3 ("256MB") to 12 ("16GB"), in kilobytes.
constexpr std::int64_t kFixedBudgetsKb[] = {262144,  524288,  1048576, 2097152,  3145728,
                                            4194304, 6291456, 8388608, 12582912, 16777216};

}  // namespace

std::optional<std::int64_t> memoryBudgetKb(int memoryCheck, std::int32_t freeMemKb)
{
    if (memoryCheck == 1) {
        return freeMemKb != 0 ? std::optional<std::int64_t>(freeMemKb) : std::nullopt;
    }
    const int fixed = memoryCheck - 3;
    if (fixed >= 0 && fixed < static_cast<int>(std::size(kFixedBudgetsKb))) {
        return kFixedBudgetsKb[fixed];
    }
    return std::nullopt;
}

std::int64_t requiredBytes(const FrameMemory& f)
{
    const std::int64_t pixels = static_cast<std::int64_t>(f.bufferWidth) * f.bufferHeight;
    const std::int64_t s = f.ssao ? 1 : 0;
    const std::int64_t multisampleColor = pixels * f.sampleCount * 4;
    const std::int64_t perLayer = pixels * 8;
    const std::int64_t bytesPerTexel = f.bitsPerChannel == 32 ? 16 : (f.bitsPerChannel == 16 ? 8 : 4);
    const std::int64_t texture =
        f.textureMode == 0 ? 0 : static_cast<std::int64_t>(f.textureWidth) * f.textureHeight * bytesPerTexel;
    const std::int64_t total =
        ((s + 1) * f.sampleCount + (s + 2)) * perLayer + texture + multisampleColor;
    return static_cast<std::int64_t>(static_cast<double>(total) * 1.1);
}

}  // namespace zel
