#include "plugin/host/PluginHost_AE_Impl.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "tests/plugin/host/host_fixture.h"

namespace zel {
namespace {

using Strings = std::vector<std::string>;

class PluginHostTest : public ::testing::Test {
protected:
    PluginHost_AE_Impl make(PF_ParamDef** params) { return {&f.in_data, &f.out_data, params, &f.output}; }
    PluginHost_AE_Impl make() { return make(f.params()); }

    test::HostFixture f;
    const PluginHost_API::TimeObject at7{7, 2, 30};
};

TEST_F(PluginHostTest, ValueGettersCheckOutAtTheTimeAskedAndConvertTheHostsValue)
{
    PluginHost_AE_Impl host = make();
    f.param(2).u.pd.value = 1;
    f.checkinResult = 9;
    unsigned choice = 99;
    EXPECT_EQ(host.GetUIntValue(2, 0, at7, choice), 9);  // the checkin's answer
    EXPECT_EQ(choice, 0u);                               // the host's first choice is 1
    EXPECT_EQ(f.entries("check"), (Strings{"checkout 2 at 7 step 2 scale 30", "checkin"}));
    // Floats are doubles for negative kinds and 16.16 fixed otherwise.
    f.param(1).u.fs_d.value = 2.5;
    double value = 0;
    host.GetFloatValue(1, -1, at7, value);
    EXPECT_EQ(value, 2.5);
    host.GetFixedFloatValue(1, 0, at7, value);
    EXPECT_EQ(value, 2.5);
    f.param(1).u.fd.value = 3276800;
    host.GetFloatValue(1, 0, at7, value);
    EXPECT_EQ(value, 50.0);
    f.param(1).u.cd.value = {0, 255, 51, 0};
    double r = 0, g = 0, b = 1;
    host.GetColorValue(1, 0, at7, r, g, b);
    EXPECT_EQ((std::array{r, g, b}), (std::array{1.0, 0.2, 0.0}));
    // Points are fractions of the output both ways.
    f.param(3).u.td.x_value = 960 * 65536;
    f.param(3).u.td.y_value = 540 * 65536;
    double x = 0, y = 0;
    host.GetPoint2DValue(3, 0, at7, x, y);
    EXPECT_EQ((std::tuple{x, y}), (std::tuple{0.5, 0.5}));
    host.SetPoint2DValue(3, 0, 0.25, 0.5);
    EXPECT_EQ((std::tuple{f.param(3).u.td.x_value, f.param(3).u.td.y_value}), (std::tuple{480 * 65536, 540 * 65536}));
    EXPECT_EQ(f.param(3).uu.change_flags, PF_ChangeFlag_CHANGED_VALUE);
    // Booleans come from the command's array without a checkout; without an array they are off.
    f.log.clear();
    f.param(2).u.bd.value = 1;
    bool on = false;
    host.GetBoolValue(2, 0, at7, on);
    EXPECT_TRUE(on);
    EXPECT_TRUE(f.log.empty());
    make(nullptr).GetBoolValue(2, 0, at7, on);
    EXPECT_FALSE(on);
}

TEST_F(PluginHostTest, FloatColourIsScaledTo255InSinglePrecisionWhenTheSuiteIsOffered)
{
    f.floatColor = {1.0f, 0.1f, 0.5f, 1.0f};
    PluginHost_AE_Impl host = make();
    PluginHost_API::TimeObject t = at7;
    double r = 0, g = 0, b = 0;
    EXPECT_EQ(host.getFloatColor(1, 0, &r, &g, &b, &t), 0);
    EXPECT_EQ((std::array{r, g, b}), (std::array{25.5, 127.5, 255.0}));  // in double, 0.1f × 255 is 25.50000038
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
    test::HostFixture withoutSuite;
    withoutSuite.withdraw(kPFColorParamSuite);
    PluginHost_AE_Impl bare(&withoutSuite.in_data, &withoutSuite.out_data, withoutSuite.params(), &withoutSuite.output);
    withoutSuite.log.clear();
    EXPECT_EQ(bare.getFloatColor(1, 0, &r, &g, &b, nullptr), 1);
    EXPECT_EQ(r, -1);
    EXPECT_TRUE(withoutSuite.log.empty());
}

TEST_F(PluginHostTest, SuitesAreHeldOnlyOnHostsThatOfferTheWorldSuite)
{
    make();
    EXPECT_EQ(f.log, (Strings{"acquire PF World Suite 2", "acquire PF ColorParamSuite 1", "release PF World Suite 2",
                              "release PF ColorParamSuite 1"}));
    f.log.clear();
    f.in_data.version = {12, 11};
    make();
    EXPECT_TRUE(f.log.empty());
}

TEST_F(PluginHostTest, OutputSizeFrameIncrementAspectScaleAndPlacement)
{
    f.output.origin_x = 12;
    PluginHost_AE_Impl host = make();
    host.setOutputSize(640, 360);
    EXPECT_EQ((std::tuple{host.getOutputWidth(), host.getOutputHeight()}), (std::tuple{640, 360}));
    host.setOutputSize(-1, -1);
    EXPECT_EQ((std::tuple{host.getOutputWidth(), host.getOutputHeight()}), (std::tuple{1920, 1080}));
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
    int w = 0, h = 0;
    host.getSourceLayerDimensions(w, h);
    EXPECT_EQ((std::tuple{w, h}), (std::tuple{960, 360}));
    // Only the compositing host places the output world and has a camera.
    EXPECT_EQ(host.getOutputOriginX(), 12);
    EXPECT_TRUE(host.hasCamera());
    f.in_data.appl_id = PF_APPL_ID_EDITOR;
    EXPECT_EQ(host.getOutputOriginX(), 0);
    EXPECT_FALSE(host.hasCamera());
}

TEST_F(PluginHostTest, WarningsAndTheAboutBoxReplaceTheMessageCutToItsSize)
{
    PluginHost_AE_Impl host = make();
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
    host.showAboutBox(3000, nullptr, nullptr, "Zel", "v1.2.0");
    EXPECT_STREQ(f.out_data.return_msg, "Zel\nv1.2.0");
    host.showAboutBox(3000, nullptr, nullptr, "Zel", longText.c_str());
    EXPECT_EQ(std::strlen(f.out_data.return_msg), 255u);
}

TEST_F(PluginHostTest, UnloadDisposesGlobalDataAndClearsBothHandles)
{
    void* block = nullptr;
    f.in_data.global_data = f.out_data.global_data = &block;
    {
        PluginHost_AE_Impl host = make();
        f.log.clear();
        EXPECT_EQ(host.unloadDLL(), 0);
    }
    EXPECT_EQ((std::tuple{f.in_data.global_data, f.out_data.global_data}), (std::tuple<PF_Handle, PF_Handle>{}));
    EXPECT_EQ(f.log, (Strings{"acquire PF Handle Suite 2", "dispose_handle", "release PF Handle Suite 2",
                              "release PF World Suite 2", "release PF ColorParamSuite 1"}));
}

TEST_F(PluginHostTest, CursorKindsOutsideTheTableNeverReachTheHost)
{
    PluginHost_AE_Impl host = make();
    f.log.clear();
    EXPECT_EQ(host.setCursor(3), 1);
    EXPECT_EQ(host.setCursor(-1), 1);
    EXPECT_TRUE(f.log.empty());
    EXPECT_EQ(host.setCursor(1), 0);
    EXPECT_EQ(f.log, (Strings{"acquire PF AE App Suite 6", "set_cursor 8", "release PF AE App Suite 6"}));
}

TEST_F(PluginHostTest, MathsGoThroughTheHostsLibraryOrTheCLibraryWithoutIt)
{
    f.utils.ansi.pow = [](double, double) { return 0.1; };
    PluginHost_AE_Impl host = make();
    EXPECT_EQ(host.math_pow(2.0, 3.0), 0.1);
    EXPECT_EQ(host.math_pow(2.0f, 3.0f), 0.1f);
    f.in_data.utils = nullptr;
    PluginHost_AE_Impl withoutUtils = make();
    EXPECT_EQ(withoutUtils.math_sqrt(9.0), 3.0);
    EXPECT_EQ(withoutUtils.math_atan2(0.0f, 1.0f), 0.0f);
}

TEST_F(PluginHostTest, MissingCallbacksAnswerBadCallbackInsteadOfCrashing)
{
    f.in_data.inter = {};
    f.in_data.utils = nullptr;
    PluginHost_AE_Impl host = make();
    double value = -3;
    EXPECT_EQ(host.GetFloatValue(1, 0, at7, value), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(value, -3);
    EXPECT_EQ(host.progress(1, 2), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.doAbort(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.fillOutput(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.checkoutLayer(1, 0), nullptr);
    EXPECT_EQ(host.getLayerFlags(), PF_Err_BAD_CALLBACK_PARAM);
}

TEST_F(PluginHostTest, MemoryWithoutHostHandlesComesFromTheHeap)
{
    PluginHost_AE_Impl host = make();
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
