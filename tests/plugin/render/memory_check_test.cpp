#include "plugin/render/memory_check.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

TEST(MemoryCheck, BudgetsByChoice)
{
    EXPECT_EQ(memoryBudgetKb(1, 524288), 524288);
    EXPECT_EQ(memoryBudgetKb(1, 0), std::nullopt) << "Auto without a measurement checks nothing";
    EXPECT_EQ(memoryBudgetKb(2, 524288), std::nullopt);
    EXPECT_EQ(memoryBudgetKb(3, 0), 262144);
    EXPECT_EQ(memoryBudgetKb(7, 0), 3145728);
    EXPECT_EQ(memoryBudgetKb(12, 0), 16777216);
}

TEST(MemoryCheck, AFullHdFrameFitsIn256MegabytesUntilOcclusionIsOn)
{
    FrameMemory frame{1920, 1080, 8, false, 0, 0, 0, 8};
    EXPECT_EQ(requiredBytes(frame), 255467520);
    EXPECT_LT(requiredBytes(frame), *memoryBudgetKb(3, 0) * 1024);
    EXPECT_NEAR(requiredBytes(frame) / 1024.0 / 1024.0, 243.6, 0.05);

    frame.ssao = true;
    EXPECT_EQ(requiredBytes(frame), 419696640);
    EXPECT_GT(requiredBytes(frame), *memoryBudgetKb(3, 0) * 1024);
    EXPECT_NEAR(requiredBytes(frame) / 1024.0 / 1024.0, 400.25, 0.01);
}

TEST(MemoryCheck, TheTextureLayerCountsAtTheFramesDepth)
{
    const FrameMemory none{100, 100, 1, false, 0, 0, 0, 8};
    for (const auto& [bits, bytesPerTexel] : {std::pair{8, 4}, std::pair{16, 8}, std::pair{32, 16}}) {
        FrameMemory textured = none;
        textured.textureMode = 1;
        textured.textureWidth = 10;
        textured.textureHeight = 10;
        textured.bitsPerChannel = bits;
        const double withoutMargin = (requiredBytes(textured) - requiredBytes(none)) / 1.1;
        EXPECT_NEAR(withoutMargin, 100.0 * bytesPerTexel, 1.0) << bits;
    }
}

}  // namespace
}  // namespace zel
