#include "plugin/render/frame_targets.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "plugin/host/PluginHost_AE_Impl.h"
#include "tests/plugin/gl/gl_test_environment.h"
#include "tests/plugin/host/host_fixture.h"

namespace zel {
namespace {

class FrameTargets : public ::testing::Test {
protected:
    test::SharedContextScope context;
    test::HostFixture fixture;
    PluginHost_AE_Impl host{&fixture.in_data, &fixture.out_data, fixture.params(), &fixture.output};
    GLMemoryObjects gl;
    FrameValues values;

    FrameTargets()
    {
        values.multisampleRequest = 1;
        values.memoryCheck = 2;  // Off: only the size test stands in the way
    }
    ~FrameTargets() override { gl.freeGLMemory(); }

    PF_Err allocate(int width, int height)
    {
        values.bufferWidth = width;
        values.bufferHeight = height;
        FrameContext frame{&fixture.in_data, &fixture.out_data, fixture.params(), &fixture.output,
                           &host, gl, values};
        return allocateFrameTargets(frame);
    }

    bool anyObject() const
    {
        for (int slot = 0; slot < kGLSlotCount; ++slot) {
            if (gl.inUse(slot)) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(FrameTargets, AFrameWiderOrTallerThanTheLargestTextureIsRefusedBeforeAnyObjectIsMade)
{
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    ASSERT_GT(largest, 0);
    const std::string warning = "ZEL: Error reached Maximum Video Memory (" +
                                std::to_string(largest) + " x " + std::to_string(largest) + " )";
    for (const auto& [width, height] : {std::pair(largest + 1, 4), std::pair(4, largest + 1)}) {
        fixture.out_data.return_msg[0] = '\0';
        EXPECT_EQ(allocate(width, height), PF_Err_GENERIC) << width << " x " << height;
        EXPECT_EQ(fixture.out_data.return_msg, warning);
        EXPECT_FALSE(anyObject());
    }

    // A side of exactly the largest size is a frame the targets can hold.
    fixture.out_data.return_msg[0] = '\0';
    EXPECT_EQ(allocate(largest, 2), PF_Err_NONE) << fixture.out_data.return_msg;
    EXPECT_STREQ(fixture.out_data.return_msg, "");
    EXPECT_TRUE(gl.inUse(kMultisampleFramebuffer));
    EXPECT_TRUE(gl.inUse(kResolvedColorTexture));
}

}  // namespace
}  // namespace zel
