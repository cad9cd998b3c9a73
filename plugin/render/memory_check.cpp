#include "plugin/render/memory_check.h"

#include <iterator>

#include "plugin/render/frame_values.h"

namespace zel {

std::optional<std::int64_t> memoryBudgetKb(params::MemoryCheck memoryCheck, std::int32_t freeMemKb)
{
    const int choice = params::number(memoryCheck);
    if (choice < 1 || choice > static_cast<int>(std::size(params::kMemoryBudgets))) {
        return std::nullopt;
    }
    const std::int64_t budgetKb = params::kMemoryBudgets[choice - 1].kilobytes;
    if (budgetKb == params::kMeasuredBudget) {
        return freeMemKb != 0 ? std::optional<std::int64_t>(freeMemKb) : std::nullopt;
    }
    return budgetKb != params::kNoBudget ? std::optional<std::int64_t>(budgetKb) : std::nullopt;
}

std::int64_t requiredBytes(const FrameMemory& f)
{
    const std::int64_t pixels = static_cast<std::int64_t>(f.bufferWidth) * f.bufferHeight;
    const std::int64_t s = f.ssao ? 1 : 0;
    const std::int64_t multisampleColor = pixels * f.sampleCount * 4;
    const std::int64_t perLayer = pixels * 8;
    const std::int64_t texture = f.textureMode == 0 ? 0
                                                    : static_cast<std::int64_t>(f.textureWidth) *
                                                          f.textureHeight * bytesPerPixel(f.bitsPerChannel);
    const std::int64_t total =
        ((s + 1) * f.sampleCount + (s + 2)) * perLayer + texture + multisampleColor + f.displacementBytes;
    return static_cast<std::int64_t>(static_cast<double>(total) * 1.1);
}

}  // namespace zel
