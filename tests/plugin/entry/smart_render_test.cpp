#include "plugin/entry/smart_render.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

std::vector<std::string> range(const std::string& what, int first, int last)
{
    std::vector<std::string> entries;
    for (int i = first; i <= last; ++i) {
        entries.push_back(what + " " + std::to_string(i));
    }
    return entries;
}

// ---- Pre-render ----------------------------------------------------------------------------------

class SmartPreRenderTest : public ::testing::Test {
protected:
    PF_Err preRender()
    {
        return SmartPreRender(&host.in_data, &host.out_data, nullptr, nullptr,
                              &host.preRenderExtra);
    }

    test::RecordingHost host;
};

TEST_F(SmartPreRenderTest, AnswersTheWholeDownsampledFrameWhateverWasRequested)
{
    host.in_data.downsample_x = {1, 2};
    host.in_data.downsample_y = {1, 2};
    host.preRenderInput.output_request.rect = {100, 200, 300, 400};
    EXPECT_EQ(preRender(), PF_Err_NONE);

    const PF_PreRenderOutput& out = host.preRenderOutput;
    for (const PF_Rect& r : {out.result_rect, out.max_result_rect}) {
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.top, 0);
        EXPECT_EQ(r.right, 960);
        EXPECT_EQ(r.bottom, 540);
    }
    EXPECT_EQ(out.solid, 0);
    EXPECT_EQ(out.flags, PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS);
}

TEST_F(SmartPreRenderTest, DownsampledSizesAreTruncatedNotRounded)
{
    host.in_data.width = 1000;
    host.in_data.height = 1000;
    host.in_data.downsample_x = {1, 3};
    host.in_data.downsample_y = {2, 3};
    preRender();
    EXPECT_EQ(host.preRenderOutput.result_rect.right, 333);
    EXPECT_EQ(host.preRenderOutput.result_rect.bottom, 666);
}

TEST_F(SmartPreRenderTest, ChecksOutTheInputAsAFullFrameKeepingRectangleAndChannels)
{
    host.preRenderInput.output_request = {.rect = {10, 20, 30, 40},
                                          .field = PF_Field_UPPER,
                                          .channel_mask = PF_ChannelMask_RED,
                                          .preserve_rgb_of_zero_alpha = 0};
    preRender();
    ASSERT_EQ(host.layerRequests.size(), 1u);
    const PF_RenderRequest& sent = host.layerRequests[0];
    EXPECT_EQ(sent.field, PF_Field_FRAME);
    EXPECT_EQ(sent.preserve_rgb_of_zero_alpha, 1);
    EXPECT_EQ(sent.rect.left, 10);
    EXPECT_EQ(sent.rect.bottom, 40);
    EXPECT_EQ(sent.channel_mask, static_cast<PF_ChannelMask>(PF_ChannelMask_RED));
    EXPECT_EQ(host.log, std::vector<std::string>{"checkout layer 0 id 0 at 48"});
}

TEST_F(SmartPreRenderTest, AFailedCheckoutIsReturnedAndTheAnswerStillWritten)
{
    host.layerCheckoutError = 9;
    EXPECT_EQ(preRender(), 9);
    EXPECT_EQ(host.preRenderOutput.max_result_rect.right, 1920);
    EXPECT_EQ(host.preRenderOutput.flags, PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS);
}

// ---- Smart render --------------------------------------------------------------------------------

struct RenderCall {
    bool ran = false;
    PF_LayerDef input{};
    PF_ParamType inputType = -1;
    PF_LayerDef* output = nullptr;
    std::vector<double> values;  // the value each parameter 1..114 held
    bool throwInRender = false;
    std::size_t logSizeAtRender = 0;
};
RenderCall gRender;
test::RecordingHost* gHost = nullptr;

PF_Err recordingRender(PF_InData*, PF_OutData*, PF_ParamDef** params, PF_LayerDef* output, void*,
                       PluginHost_API*)
{
    gRender.ran = true;
    gRender.input = params[0]->u.ld;
    gRender.inputType = params[0]->param_type;
    gRender.output = output;
    for (int i = 1; i < 115; ++i) {
        gRender.values.push_back(params[i]->u.fs_d.value);
    }
    gRender.logSizeAtRender = gHost->log.size();
    if (gRender.throwInRender) {
        throw std::runtime_error("render failed");
    }
    return 5;
}

class SmartRenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gRender = RenderCall{};
        gHost = &host;
        host.offerSuite("PF World Suite", 2);
        host.offerSuite("PF ColorParamSuite", 1);
    }

    PF_Err smartRender()
    {
        return SmartRender(recordingRender, &host.in_data, &host.out_data, &host.smartExtra);
    }

    test::RecordingHost host;
};

TEST_F(SmartRenderTest, RendererSeesTheInputWorldInEntryZeroAndEveryParameterAtTheCurrentTime)
{
    host.inputWorld.width = 640;
    host.inputWorld.rowbytes = 2568;
    EXPECT_EQ(smartRender(), 5);

    ASSERT_TRUE(gRender.ran);
    EXPECT_EQ(gRender.inputType, PF_Param_LAYER);
    EXPECT_EQ(gRender.input.width, 640);
    EXPECT_EQ(gRender.input.rowbytes, 2568);
    EXPECT_EQ(gRender.output, &host.outputWorld);
    ASSERT_EQ(gRender.values.size(), 114u);
    for (int i = 1; i <= 114; ++i) {
        EXPECT_EQ(gRender.values[static_cast<std::size_t>(i - 1)], i);
    }
    for (const auto& [index, time] : host.checkoutTimes) {
        EXPECT_EQ(time, 48) << "parameter " << index;
    }
}

TEST_F(SmartRenderTest, EveryParameterGoesBackOnceInIndexOrderBeforeTheHostObjectEnds)
{
    smartRender();
    EXPECT_EQ(host.entries("checkout "), [] {
        auto expected = range("checkout", 1, 114);
        expected.push_back("checkout input 0");
        expected.push_back("checkout output");
        return expected;
    }());
    EXPECT_EQ(host.entries("checkin"), range("checkin", 1, 114));

    // Parameters return before the host object gives back its suites.
    std::vector<std::string> tail(host.log.end() - 116, host.log.end());
    std::vector<std::string> expectedTail = range("checkin", 1, 114);
    expectedTail.push_back("release PF World Suite 2");
    expectedTail.push_back("release PF ColorParamSuite 1");
    EXPECT_EQ(tail, expectedTail);
}

TEST_F(SmartRenderTest, AFailedParameterCheckoutReturnsWhatWasCheckedOutAndSkipsTheRender)
{
    host.failCheckoutAt = 50;
    EXPECT_EQ(smartRender(), host.checkoutError);
    EXPECT_FALSE(gRender.ran);
    EXPECT_EQ(host.entries("checkin"), range("checkin", 1, 49));
    EXPECT_TRUE(host.entries("checkout input").empty());
    EXPECT_TRUE(host.entries("acquire").empty());
}

TEST_F(SmartRenderTest, AFailedWorldCheckoutReturnsEveryParameterAndItsError)
{
    struct Case {
        const char* what;
        PF_Err inputError;
        PF_Err outputError;
    };
    for (const Case& c : {Case{"input", 21, PF_Err_NONE}, Case{"output", PF_Err_NONE, 22}}) {
        SCOPED_TRACE(c.what);
        test::RecordingHost fresh;
        gHost = &fresh;
        fresh.inputError = c.inputError;
        fresh.outputError = c.outputError;
        gRender = RenderCall{};
        EXPECT_EQ(SmartRender(recordingRender, &fresh.in_data, &fresh.out_data, &fresh.smartExtra),
                  c.inputError != PF_Err_NONE ? c.inputError : c.outputError);
        EXPECT_FALSE(gRender.ran);
        EXPECT_EQ(fresh.entries("checkin"), range("checkin", 1, 114));
    }
}

TEST_F(SmartRenderTest, AWorldTheHostLeavesNullIsRefusedWithAMessage)
{
    for (bool inputMissing : {true, false}) {
        SCOPED_TRACE(inputMissing ? "input" : "output");
        test::RecordingHost fresh;
        gHost = &fresh;
        fresh.inputNull = inputMissing;
        fresh.outputNull = !inputMissing;
        gRender = RenderCall{};
        EXPECT_EQ(SmartRender(recordingRender, &fresh.in_data, &fresh.out_data, &fresh.smartExtra),
                  PF_Err_BAD_CALLBACK_PARAM);
        EXPECT_FALSE(gRender.ran);
        EXPECT_EQ(fresh.entries("checkin"), range("checkin", 1, 114));
        EXPECT_TRUE(fresh.out_data.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE);
        EXPECT_NE(std::string(fresh.out_data.return_msg).find(inputMissing ? "input" : "output"),
                  std::string::npos);
    }
}

TEST_F(SmartRenderTest, AnExceptionInTheRendererStillReturnsEveryParameterOnce)
{
    gRender.throwInRender = true;
    EXPECT_THROW(smartRender(), std::runtime_error);
    EXPECT_EQ(host.entries("checkin"), range("checkin", 1, 114));
    // The host object is gone before the parameters go back.
    const std::vector<std::string> after(host.log.begin() + static_cast<long>(gRender.logSizeAtRender),
                                         host.log.end());
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ(after[0], "release PF World Suite 2");
    EXPECT_EQ(after[2], "checkin 1");
}

TEST_F(SmartRenderTest, AHostWithoutSmartCallbacksIsRefusedBeforeAnyCheckout)
{
    host.smartCallbacks.checkout_output = nullptr;
    EXPECT_EQ(smartRender(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(SmartRender(recordingRender, &host.in_data, &host.out_data, nullptr),
              PF_Err_BAD_CALLBACK_PARAM);
}

}  // namespace
}  // namespace zel
