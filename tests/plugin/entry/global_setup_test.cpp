#include "plugin/entry/global_setup.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

TEST(GlobalSetup, DeclaresVersionAndCapabilitiesAddingToWhatTheHostSet)
{
    test::RecordingHost host;
    host.out_data.out_flags = 1;
    host.out_data.out_flags2 = 1 << 30;
    EXPECT_EQ(GlobalSetup(&host.in_data, &host.out_data, nullptr, nullptr), PF_Err_NONE);
    EXPECT_EQ(host.out_data.my_version, 0x90601u);
    EXPECT_EQ(host.out_data.out_flags,
              1 | PF_OutFlag_DEEP_COLOR_AWARE | PF_OutFlag_SEND_UPDATE_PARAMS_UI);
    EXPECT_EQ(host.out_data.out_flags2,
              (1 << 30) | PF_OutFlag2_I_USE_3D_CAMERA | PF_OutFlag2_I_USE_3D_LIGHTS |
                  PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE);
    EXPECT_FALSE(host.out_data.out_flags2 & PF_OutFlag2_I_AM_THREADSAFE);
}

TEST(GlobalSetup, TheEditingHostIsDeclinedAndNothingIsTouched)
{
    test::RecordingHost host;
    host.in_data.appl_id = PF_APPL_ID_EDITOR;
    const PF_OutData before = host.out_data;
    EXPECT_EQ(GlobalSetup(&host.in_data, &host.out_data, nullptr, nullptr), PF_Interrupt_CANCEL);
    EXPECT_EQ(GlobalSetdown(&host.in_data, &host.out_data, nullptr, nullptr), PF_Interrupt_CANCEL);
    EXPECT_EQ(std::memcmp(&before, &host.out_data, sizeof before), 0);
    EXPECT_TRUE(host.log.empty());
}

}  // namespace
}  // namespace zel
