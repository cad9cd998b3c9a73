#include "plugin/entry/smart_render.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

using Strings = std::vector<std::string>;

// "what first" to "what last".
Strings range(const std::string& what, int first, int last)
{
    Strings entries;
    for (int i = first; i <= last; ++i) {
        entries.push_back(what + " " + std::to_string(i));
    }
    return entries;
}

Strings operator+(Strings a, const Strings& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

PF_Err preRender(test::RecordingHost& host)
{
    return SmartPreRender(&host.in_data, &host.out_data, nullptr, nullptr, &host.preRenderExtra);
}

TEST(SmartPreRender, AnswersTheWholeDownsampledFrameTruncatedWhateverWasRequested)
{
    const struct {
        int width, height;
        PF_RationalScale x, y;
        int right, bottom;
    } cases[] = {{1920, 1080, {1, 2}, {1, 2}, 960, 540}, {1000, 1000, {1, 3}, {2, 3}, 333, 666}};
    for (const auto& c : cases) {
        test::RecordingHost host;
        host.in_data.width = c.width;
        host.in_data.height = c.height;
        host.in_data.downsample_x = c.x;
        host.in_data.downsample_y = c.y;
        host.preRenderInput.output_request.rect = {100, 200, 300, 400};
        EXPECT_EQ(preRender(host), PF_Err_NONE);
        const PF_PreRenderOutput& out = host.preRenderOutput;
        for (const PF_Rect& r : {out.result_rect, out.max_result_rect}) {
            EXPECT_EQ((std::array{r.left, r.top, r.right, r.bottom}), (std::array{0, 0, c.right, c.bottom}));
        }
        EXPECT_EQ(out.solid, 0);
        EXPECT_EQ(out.flags, PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS);
    }
}

TEST(SmartPreRender, ChecksOutTheInputAsAFullFrameKeepingRectangleAndChannelsAndReturnsItsError)
{
    test::RecordingHost host;
    host.preRenderInput.output_request = {.rect = {10, 20, 30, 40},
                                          .field = PF_Field_UPPER,
                                          .channel_mask = PF_ChannelMask_RED,
                                          .preserve_rgb_of_zero_alpha = 0};
    host.layerCheckoutError = 9;
    EXPECT_EQ(preRender(host), 9);
    ASSERT_EQ(host.layerRequests.size(), 1u);
    const PF_RenderRequest& sent = host.layerRequests[0];
    EXPECT_EQ((std::tuple{sent.field, sent.preserve_rgb_of_zero_alpha, sent.rect.left, sent.rect.bottom,
                          sent.channel_mask}),
              (std::tuple{PF_Field_FRAME, 1, 10, 40, PF_ChannelMask_RED}));
    EXPECT_EQ(host.log, Strings{"checkout layer 0 id 0 at 48"});
    // The answer is written all the same.
    EXPECT_EQ((std::tuple{host.preRenderOutput.max_result_rect.right, host.preRenderOutput.flags}),
              (std::tuple{1920, PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS}));
}

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

PF_Err recordingRender(PF_InData*, PF_OutData*, PF_ParamDef** params, PF_LayerDef* output, void*, PluginHost_API*)
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

    PF_Err smartRender() { return SmartRender(recordingRender, &host.in_data, &host.out_data, &host.smartExtra); }

    test::RecordingHost host;
};

TEST_F(SmartRenderTest, TheRendererSeesTheInputAndEveryParameterWhichGoBackInOrderBeforeTheHostObjectEnds)
{
    host.inputWorld.width = 640;
    host.inputWorld.rowbytes = 2568;
    EXPECT_EQ(smartRender(), 5);
    ASSERT_TRUE(gRender.ran);
    EXPECT_EQ((std::tuple{gRender.inputType, gRender.input.width, gRender.input.rowbytes, gRender.output}),
              (std::tuple{PF_Param_LAYER, 640, 2568, &host.outputWorld}));
    ASSERT_EQ(gRender.values.size(), 114u);
    for (int i = 1; i <= 114; ++i) {
        EXPECT_EQ(gRender.values[static_cast<std::size_t>(i - 1)], i);
    }
    for (const auto& [index, time] : host.checkoutTimes) {
        EXPECT_EQ(time, 48) << "parameter " << index;
    }
    EXPECT_EQ(host.entries("checkout "), (range("checkout", 1, 114) + Strings{"checkout input 0", "checkout output"}));
    EXPECT_EQ(host.entries("checkin"), range("checkin", 1, 114));
    // Parameters return before the host object gives back its suites.
    EXPECT_EQ(Strings(host.log.end() - 116, host.log.end()),
              (range("checkin", 1, 114) + Strings{"release PF World Suite 2", "release PF ColorParamSuite 1"}));
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

TEST_F(SmartRenderTest, AFailedOrNullWorldReturnsEveryParameterAndSkipsTheRender)
{
    const struct {
        const char* what;
        PF_Err inputError, outputError;
        bool inputNull, outputNull;
        PF_Err result;
    } cases[] = {
        {"input", 21, PF_Err_NONE, false, false, 21},
        {"output", PF_Err_NONE, 22, false, false, 22},
        {"input", PF_Err_NONE, PF_Err_NONE, true, false, PF_Err_BAD_CALLBACK_PARAM},
        {"output", PF_Err_NONE, PF_Err_NONE, false, true, PF_Err_BAD_CALLBACK_PARAM},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::RecordingHost fresh;
        gHost = &fresh;
        gRender = RenderCall{};
        fresh.inputError = c.inputError;
        fresh.outputError = c.outputError;
        fresh.inputNull = c.inputNull;
        fresh.outputNull = c.outputNull;
        EXPECT_EQ(SmartRender(recordingRender, &fresh.in_data, &fresh.out_data, &fresh.smartExtra), c.result);
        EXPECT_FALSE(gRender.ran);
        EXPECT_EQ(fresh.entries("checkin"), range("checkin", 1, 114));
        if (c.result == PF_Err_BAD_CALLBACK_PARAM) {  // a world the host leaves null is refused with a message
            EXPECT_TRUE(fresh.out_data.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE);
            EXPECT_NE(std::string(fresh.out_data.return_msg).find(c.what), std::string::npos);
        }
    }
}

TEST_F(SmartRenderTest, AnExceptionInTheRendererStillReturnsEveryParameterOnceAfterTheHostObjectEnds)
{
    gRender.throwInRender = true;
    EXPECT_THROW(smartRender(), std::runtime_error);
    EXPECT_EQ(host.entries("checkin"), range("checkin", 1, 114));
    const Strings after(host.log.begin() + static_cast<long>(gRender.logSizeAtRender), host.log.end());
    ASSERT_GE(after.size(), 3u);
    EXPECT_EQ(after[0], "release PF World Suite 2");
    EXPECT_EQ(after[2], "checkin 1");
}

TEST_F(SmartRenderTest, AHostWithoutSmartCallbacksIsRefusedBeforeAnyCheckout)
{
    host.smartCallbacks.checkout_output = nullptr;
    EXPECT_EQ(smartRender(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(SmartRender(recordingRender, &host.in_data, &host.out_data, nullptr), PF_Err_BAD_CALLBACK_PARAM);
}

}  // namespace
}  // namespace zel
