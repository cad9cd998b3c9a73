// The video-memory estimate of a frame and the budget it is held against, so that a frame too
// large for the GPU is refused with a readable message before the driver fails inside.
#pragma once

#include <cstdint>
#include <optional>

#include "plugin/params/choices.h"

namespace zel {

// The budget in kilobytes for a "Memory Check" choice: "Auto" plans with the measured video
// memory (none when it is unknown), "Off" has none, the others are fixed sizes.
std::optional<std::int64_t> memoryBudgetKb(params::MemoryCheck memoryCheck, std::int32_t freeMemKb);

struct FrameMemory {
    int bufferWidth;
    int bufferHeight;
    int sampleCount;
    bool ssao;
    int textureMode;  // 0: no texture layer
    int textureWidth;
    int textureHeight;
    int bitsPerChannel;
    std::int64_t displacementBytes = 0;  // the displacement pass's textures
};

// The bytes a frame needs with a 10 percent margin: multisample colour, one 8-byte layer per
// resolved and multisampled target, the texture layer and the displacement pass.
std::int64_t requiredBytes(const FrameMemory& frame);

}  // namespace zel
