#include "plugin/host/PluginHost_AE_Impl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/plugin/host/host_fixture.h"

namespace zel {
namespace {

using Strings = std::vector<std::string>;

class PluginHostTest : public ::testing::Test {
protected:
    test::HostFixture f;
    const PluginHost_API::TimeObject at7{7, 2, 30};
};

TEST_F(PluginHostTest, OutputSizeOverridesTheWorldUntilResetToMinusOne)
{
    PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    host.setOutputSize(640, 360);
    EXPECT_EQ(host.getOutputWidth(), 640);
    EXPECT_EQ(host.getOutputHeight(), 360);
    host.setOutputSize(-1, -1);
    EXPECT_EQ(host.getOutputWidth(), 1920);
    EXPECT_EQ(host.getOutputHeight(), 1080);
}

TEST_F(PluginHostTest, GettersCheckOutAtTheTimeAskedAndAnswerTheCheckin)
{
    PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    f.param(2).u.pd.value = 1;
    f.checkinResult = 9;
    unsigned choice = 99;
    EXPECT_EQ(host.GetUIntValue(2, 0, at7, choice), 9);
    EXPECT_EQ(choice, 0u);  // the host's first choice is 1
    EXPECT_EQ(f.entries("check"), (Strings{"checkout 2 at 7 step 2 scale 30", "checkin"}));
}

TEST_F(PluginHostTest, FloatGettersReadTheDoubleForNegativeKindsAndFixedOtherwise)
{
    PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    f.param(1).u.fs_d.value = 2.5;
    double value = 0;
    host.GetFloatValue(1, -1, at7, value);
    EXPECT_EQ(value, 2.5);
    host.GetFixedFloatValue(1, 0, at7, value);
    EXPECT_EQ(value, 2.5);

    f.param(1).u.fd.value = 3276800;
    host.GetFloatValue(1, 0, at7, value);
    EXPECT_EQ(value, 50.0);
}

TEST_F(PluginHostTest, PointsAreFractionsOfTheOutputBothWays)
{
    PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    f.param(3).u.td.x_value = 960 * 65536;
    f.param(3).u.td.y_value = 540 * 65536;
    double x = 0;
    double y = 0;
    host.GetPoint2DValue(3, 0, at7, x, y);
    EXPECT_EQ(x, 0.5);
    EXPECT_EQ(y, 0.5);

    host.SetPoint2DValue(3, 0, 0.25, 0.5);
    EXPECT_EQ(f.param(3).u.td.x_value, 480 * 65536);
    EXPECT_EQ(f.param(3).u.td.y_value, 540 * 65536);
    EXPECT_EQ(f.param(3).uu.change_flags, PF_ChangeFlag_CHANGED_VALUE);
}

TEST_F(PluginHostTest, ColourAndBoolGetters)
{
    PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    f.param(1).u.cd.value = {0, 255, 51, 0};
    double r = 0;
    double g = 0;
    double b = 1;
    host.GetColorValue(1, 0, at7, r, g, b);
    EXPECT_EQ(r, 1.0);
    EXPECT_EQ(g, 0.2);
    EXPECT_EQ(b, 0.0);

    // Booleans come from the command's array without a checkout.
    f.log.clear();
    f.param(2).u.bd.value = 1;
    bool on = false;
    host.GetBoolValue(2, 0, at7, on);
    EXPECT_TRUE(on);
    EXPECT_TRUE(f.log.empty());
    PluginHost_AE_Impl noParams(&f.in_data, &f.out_data, nullptr, &f.output);
    noParams.GetBoolValue(2, 0, at7, on);
    EXPECT_FALSE(on);
}

TEST_F(PluginHostTest, FloatColourIsScaledTo255InSinglePrecision)
{
    f.floatColor = {1.0f, 0.1f, 0.5f, 1.0f};
    PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    PluginHost_API::TimeObject t = at7;
    double r = 0;
    double g = 0;
    double b = 0;
    EXPECT_EQ(host.getFloatColor(1, 0, &r, &g, &b, &t), 0);
    EXPECT_EQ(r, 25.5);  // in double precision 0.1f × 255 is 25.50000038
    EXPECT_EQ(g, 127.5);
    EXPECT_EQ(b, 255.0);
    EXPECT_EQ(f.entries("check"), (Strings{"checkout 1 at 7 step 2 scale 30", "checkin"}));

    // Without a time the command's own definition is used; a failing suite still checks in.
    f.log.clear();
    EXPECT_EQ(host.getFloatColor(1, 0, &r, &g, &b, nullptr), 0);
    EXPECT_TRUE(f.entries("check").empty());
    f.floatColorResult = 7;
    r = -1;
    EXPECT_EQ(host.getFloatColor(1, 0, &r, &g, &b, &t), 1);
    EXPECT_EQ(r, -1);
    EXPECT_EQ(f.entries("checkin").size(), 1u);
}

TEST_F(PluginHostTest, FloatColourIsUnavailableWithoutTheSuite)
{
    f.withdraw(kPFColorParamSuite);
    PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    f.log.clear();
    double r = -1;
    double g = -1;
    double b = -1;
    EXPECT_EQ(host.getFloatColor(1, 0, &r, &g, &b, nullptr), 1);
    EXPECT_EQ(r, -1);
    EXPECT_TRUE(f.log.empty());
}

TEST_F(PluginHostTest, SuitesAreHeldOnlyOnHostsThatOfferTheWorldSuite)
{
    {
        PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    }
    EXPECT_EQ(f.log, (Strings{"acquire PF World Suite 2", "acquire PF ColorParamSuite 1",
                              "release PF World Suite 2", "release PF ColorParamSuite 1"}));
    f.log.clear();
    f.in_data.version = {12, 11};
    {
        PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    }
    EXPECT_TRUE(f.log.empty());
}

TEST_F(PluginHostTest, FrameIncrementAspectAndScale)
{
    PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    EXPECT_EQ(host.getFrameIncrement(), 1);
    f.in_data.field = PF_Field_LOWER;
    EXPECT_EQ(host.getFrameIncrement(), 2);

    f.in_data.pixel_aspect_ratio = {3, 0};
    EXPECT_EQ(host.geAspectRatio(nullptr), 1.0);
    f.in_data.pixel_aspect_ratio = {4, 3};
    EXPECT_DOUBLE_EQ(host.geAspectRatio(nullptr), 4.0 / 3.0);

    f.in_data.downsample_x = {1, 2};
    f.in_data.downsample_y = {1, 3};
    EXPECT_EQ(host.getScaleX(), 0.5);
    int w = 0;
    int h = 0;
    host.getSourceLayerDimensions(w, h);
    EXPECT_EQ(w, 960);
    EXPECT_EQ(h, 360);
}

TEST_F(PluginHostTest, OnlyTheCompositingHostPlacesTheOutputWorld)
{
    f.output.origin_x = 12;
    PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    EXPECT_EQ(host.getOutputOriginX(), 12);
    EXPECT_TRUE(host.hasCamera());
    f.in_data.appl_id = PF_APPL_ID_EDITOR;
    EXPECT_EQ(host.getOutputOriginX(), 0);
    EXPECT_FALSE(host.hasCamera());
}

TEST_F(PluginHostTest, AWarningReplacesTheLastAndIsCutToTheMessage)
{
    PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    host.showWarning("Not enough video memory for this frame.");
    host.showWarning("Second");
    EXPECT_STREQ(f.out_data.return_msg, "Second");
    EXPECT_TRUE(f.out_data.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE);
    EXPECT_EQ(f.entries("strcpy").size(), 2u);

    const std::string longText(400, 'w');
    f.out_data.return_msg[PF_RETURN_MSG_SIZE - 1] = 'x';
    host.showWarning(longText.c_str());
    EXPECT_EQ(std::strlen(f.out_data.return_msg), 255u);
    EXPECT_EQ(f.out_data.return_msg[255], '\0');
}

TEST_F(PluginHostTest, TheAboutBoxTextIsTitleNewlineTextCutToTheMessage)
{
    PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    host.showAboutBox(3000, nullptr, nullptr, "Zel", "v1.2.0");
    EXPECT_STREQ(f.out_data.return_msg, "Zel\nv1.2.0");
    const std::string longText(300, 't');
    host.showAboutBox(3000, nullptr, nullptr, "Zel", longText.c_str());
    EXPECT_EQ(std::strlen(f.out_data.return_msg), 255u);
}

TEST_F(PluginHostTest, UnloadDisposesGlobalDataAndClearsBothHandles)
{
    void* block = nullptr;
    PF_Handle global = &block;
    f.in_data.global_data = global;
    f.out_data.global_data = global;
    {
        PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
        f.log.clear();
        EXPECT_EQ(host.unloadDLL(), 0);
    }
    EXPECT_EQ(f.in_data.global_data, nullptr);
    EXPECT_EQ(f.out_data.global_data, nullptr);
    EXPECT_EQ(f.log, (Strings{"acquire PF Handle Suite 2", "dispose_handle",
                              "release PF Handle Suite 2", "release PF World Suite 2",
                              "release PF ColorParamSuite 1"}));
}

TEST_F(PluginHostTest, CursorKindsOutsideTheTableNeverReachTheHost)
{
    PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    f.log.clear();
    EXPECT_EQ(host.setCursor(3), 1);
    EXPECT_EQ(host.setCursor(-1), 1);
    EXPECT_TRUE(f.log.empty());
    EXPECT_EQ(host.setCursor(1), 0);
    EXPECT_EQ(f.log, (Strings{"acquire PF AE App Suite 6", "set_cursor 8",
                              "release PF AE App Suite 6"}));
}

TEST_F(PluginHostTest, MissingCallbacksAnswerBadCallbackInsteadOfCrashing)
{
    f.in_data.inter = {};
    f.in_data.utils = nullptr;
    PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    double value = -3;
    EXPECT_EQ(host.GetFloatValue(1, 0, at7, value), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(value, -3);
    EXPECT_EQ(host.progress(1, 2), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.doAbort(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.fillOutput(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.checkoutLayer(1, 0), nullptr);
    EXPECT_EQ(host.getLayerFlags(), PF_Err_BAD_CALLBACK_PARAM);
    // Maths without the host's library falls back on the C library's.
    EXPECT_EQ(host.math_sqrt(9.0), 3.0);
    EXPECT_EQ(host.math_atan2(0.0f, 1.0f), 0.0f);
}

TEST_F(PluginHostTest, MathsGoThroughTheHostsLibraryInBothPrecisions)
{
    f.utils.ansi.pow = [](double, double) { return 0.1; };
    PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    EXPECT_EQ(host.math_pow(2.0, 3.0), 0.1);
    EXPECT_EQ(host.math_pow(2.0f, 3.0f), 0.1f);
}

TEST_F(PluginHostTest, MemoryWithoutHostHandlesComesFromTheHeap)
{
    PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    void* handle = host.allocMemory(-16);
    ASSERT_NE(handle, nullptr);
    auto* block = static_cast<unsigned char*>(host.lockMemory(handle));
    ASSERT_NE(block, nullptr);
    std::memset(block, 0xAB, 16);
    EXPECT_EQ(*static_cast<void**>(handle), block);
    host.unlockMemory(handle);
    host.deallocMemory(handle);
}

}  // namespace
}  // namespace zel
