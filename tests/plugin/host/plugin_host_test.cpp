// The host object over one command (parameter values, colours, messages, rasters and channel
// order), the host's suites, and one row for each operation a host without its callbacks refuses.
#include "plugin/host/PluginHost_AE_Impl.h"
#include "plugin/host/ParameterDef.h"
#include "plugin/host/PluginUpdate_API.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "plugin/host/PluginRasterProxy.h"
#include "plugin/host/aefx_suites.h"
#include "plugin/host/channel_order.h"
#include "plugin/host/host_text.h"
#include "plugin/host/suite_handler.h"
#include "tests/plugin/recording_host.h"
#include "tests/support/text.h"

namespace zel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;
using test::words;

// Hosts rely on the release order; the list is kept apart from this code, so a slip in either
// shows.
TEST(SuiteHandler, KnowsEverySuiteVersionInReleaseOrder)
{
    std::ostringstream known;
    for (const SuiteKey& key : kKnownSuites) {
        known << key.name << '\t' << key.version << '\n';
    }
    EXPECT_EQ(known.str(), test::readText(ZEL_TEST_DATA_DIR "/known_suites.tsv"));
}

class PluginHostTest : public ::testing::Test {
protected:
    PluginHost_AE_Impl make(PF_LayerDef* output) { return {&f.in_data, &f.out_data, f.params(), output}; }
    PluginHost_AE_Impl make() { return make(&f.output); }

    test::RecordingHost f;
    PluginHost_API::TimeObject at7{7, 2, 30};
};

TEST_F(PluginHostTest, ValuesAreCheckedOutAtTheTimeAskedAndConvertedBothWaysAsTheHostStoresThem)
{
    PluginHost_AE_Impl host = make();
    f.param(2).u.pd.value = 1;
    f.checkinResult = 9;
    unsigned choice = 99;
    EXPECT_EQ(host.GetUIntValue(2, 0, at7, choice), 9);  // the checkin's answer
    EXPECT_EQ(choice, 0u);                               // the host's first choice is 1
    EXPECT_EQ(f.entries("check"), (Strings{"checkout 2 at 7 step 2 scale 30", "checkin 2"}));
    // Floats are doubles for negative kinds and 16.16 fixed otherwise; colours 0..1; points
    // fractions of the output both ways.
    double value = 0, x = 0, y = 0, r = 0, g = 0, b = 1;
    f.param(1).u.fs_d.value = 2.5;
    f.param(4).u.fd.value = 3276800;
    f.param(5).u.cd.value = {0, 255, 51, 0};
    f.param(3).u.td = {960 * 65536, 270 * 65536, 0, 0, 0};
    host.GetFloatValue(1, -1, at7, value);
    host.GetFloatValue(4, 0, at7, x);
    host.GetColorValue(5, 0, at7, r, g, b);
    EXPECT_EQ((std::array{value, x, r, g, b}), (std::array{2.5, 50.0, 1.0, 0.2, 0.0}));
    host.GetPoint2DValue(3, 0, at7, x, y);
    EXPECT_EQ((std::tuple{x, y}), (std::tuple{0.5, 0.25}));

    // Values are written as the host stores them: 16.16 values round half away from zero and
    // saturate.
    ZQS::ParameterDef values(&f.in_data, f.params());
    for (const auto& [written, fixed] : {std::pair{1.25, 81920}, {-1.25, -81920}, {-0.00001, -1}, {1e6, 0x7FFFFFFF}}) {
        values.SetFloatValue(1, written, true);
        EXPECT_EQ(f.param(1).u.fd.value, fixed) << written;
    }
    f.in_data.appl_id = PF_APPL_ID_KEYER;  // which stores every slider fixed
    values.SetFloatValue(5, 0.5, false);
    EXPECT_EQ((std::tuple{f.param(5).u.fd.value, values.GetFloatValue(5, false), f.param(5).uu.change_flags}),
              (std::tuple{32768, 0.5, PF_ChangeFlag_CHANGED_VALUE}));
    // Colours keep their alpha and pack alpha first.
    f.param(3).u.cd.value = {0x11, 0, 0, 0};
    values.SetColor(3, {0xFF, 0x22, 0x33, 0x44});
    EXPECT_EQ(values.GetPFColor(3), 0x44332211u);
}

TEST_F(PluginHostTest, FloatColourIsScaledTo255InSinglePrecisionWhenTheSuiteIsOffered)
{
    f.floatColor = {1.0f, 0.1f, 0.5f, 1.0f};
    PluginHost_AE_Impl host = make();
    double r = 0, g = 0, b = 0;
    EXPECT_EQ(host.getFloatColor(1, 0, &r, &g, &b, &at7), 0);
    EXPECT_EQ((std::array{r, g, b}), (std::array{25.5, 127.5, 255.0}));  // in double, 0.1f × 255 is 25.50000038
    EXPECT_EQ(host.getFloatColor(1, 0, &r, &g, &b, nullptr), 0);  // the command's own definition, no checkout
    f.floatColorResult = 7;
    r = -1;
    EXPECT_EQ(host.getFloatColor(1, 0, &r, &g, &b, &at7), 1);  // a failing suite still checks in
    EXPECT_EQ(Strings(f.log.begin() + 2, f.log.end()),
              (Strings{"checkout 1 at 7 step 2 scale 30", "float_color", "checkin 1", "float_color",
                       "checkout 1 at 7 step 2 scale 30", "float_color", "checkin 1"}));
    f.withdraw(kPFColorParamSuite);
    PluginHost_AE_Impl bare = make();
    EXPECT_EQ((std::tuple{bare.getFloatColor(1, 0, &r, &g, &b, nullptr), r}), (std::tuple{1, -1.0}));
}

TEST_F(PluginHostTest, MessagesReplaceEachOtherCutToTheirBufferAndShowAPercentSignAsItIs)
{
    PluginHost_AE_Impl host = make();
    host.showWarning("Not enough video memory for this frame.");
    host.showWarning(std::string(400, 'w').c_str());
    EXPECT_EQ(f.out_data.return_msg, std::string(255, 'w'));
    EXPECT_EQ((std::tuple{f.out_data.out_flags, f.entries("strcpy").size()}),
              (std::tuple{PF_OutFlag_DISPLAY_ERROR_MESSAGE, 2u}));
    setReturnMessage(&f.in_data, &f.out_data, std::string(400, 'x').c_str());
    EXPECT_EQ(f.out_data.return_msg, std::string(255, 'x'));
    setReturnMessage(&f.in_data, &f.out_data, "100%% sure");  // as a format it would print one %
    EXPECT_STREQ(f.out_data.return_msg, "100%% sure");
    char name[8];
    copyHostText(&f.in_data, name, sizeof name, "Specular Shininess");
    EXPECT_STREQ(name, "Specula");
}

TEST_F(PluginHostTest, DescriptionsFollowTheWorldSuiteOrTheDeepFlagAndCopiesKeepWithinThem)
{
    PF_LayerDef floatWorld = f.makeWorld(2, 2, PF_PixelFormat_ARGB128);
    PF_LayerDef deepWorld = f.makeWorld(3, 2, PF_PixelFormat_ARGB64);
    f.param(0).u.ld = f.makeWorld(3, 2, PF_PixelFormat_BGRA32);
    const auto types = [&](PluginHost_AE_Impl& host) {
        return std::array{PluginRaster_AE_Impl(&floatWorld, &host).getPixelType(),
                          PluginRaster_AE_Impl(&deepWorld, &host).getPixelType(),
                          PluginRaster_AE_Impl(&f.param(0).u.ld, &host).getPixelType()};
    };
    PluginHost_AE_Impl host = make(&deepWorld);
    EXPECT_EQ(types(host), (std::array{PluginRaster_API::kPixelFloat, PluginRaster_API::kPixel16,
                                       PluginRaster_API::kPixel8}));
    // Deep values are scaled by 2 in the command's own descriptions and by 0.5 in a raster's.
    RasterInfo info;
    EXPECT_EQ(host.getOutputRasterInfo(&info), 8);
    EXPECT_EQ((std::tuple{info.pixelFormat, info.valueScale, info.rowBytes}), (std::tuple{kRasterARGB16, 2.0f, 24}));
    PluginRasterProxy output(host.getOutputRaster(), &host, false, true);
    host.getRasterInfo(output.get(), &info);
    EXPECT_EQ(info.valueScale, 0.5f);
    EXPECT_EQ(host.getInputRasterInfo(0, &info), 4);
    EXPECT_EQ((std::tuple{info.pixelFormat, info.data}), (std::tuple{kRasterBGRA8, f.param(0).u.ld.data}));

    f.in_data.version = {12, 5};
    PluginHost_AE_Impl older = make(&floatWorld);
    EXPECT_EQ(types(older), (std::array{PluginRaster_API::kPixel8, PluginRaster_API::kPixel16,
                                        PluginRaster_API::kPixel8}));

    // A copy keeps to the rows and columns both descriptions hold.
    Bytes tall(24, 9), small(24, 1);  // the small one describes one pixel of its first row
    RasterInfo from{tall.data(), kRasterARGB8, 2, 3, 8, 4}, to{small.data(), kRasterARGB8, 1, 1, 8, 4};
    EXPECT_EQ(host.copy(&from, &to), 0);
    Bytes expected(24, 1);
    std::fill_n(expected.begin(), 4, 9);
    EXPECT_EQ(small, expected);
    from.bytesPerPixel = 8;
    EXPECT_EQ(host.copy(&from, &to), PF_Err_INVALID_ARGUMENT);
}

TEST(ChannelOrder, ChannelsAreReorderedInUnitsOfTheirDepth)
{
    std::array<std::uint16_t, 4> deep{10, 20, 30, 40};  // blue, green, red, alpha
    reorderChannels({reinterpret_cast<std::uint8_t*>(deep.data()), kRasterARGB16, 1, 1, 8, 8}, 4);
    EXPECT_EQ(deep, (std::array<std::uint16_t, 4>{40, 30, 20, 10}));
    std::array<float, 4> flat{0.1f, 0.2f, 0.3f, 0.4f};  // red, green, blue, alpha
    const RasterInfo pixels{reinterpret_cast<std::uint8_t*>(flat.data()), kRasterARGB32F, 1, 1, 16, 16};
    reorderChannels(pixels, 8);
    EXPECT_EQ(flat, (std::array<float, 4>{0.4f, 0.1f, 0.2f, 0.3f}));
    reorderChannels(pixels, 19);  // the same order under another code, or one without a known order
    reorderChannels(pixels, 21);
    EXPECT_EQ(flat, (std::array<float, 4>{0.4f, 0.1f, 0.2f, 0.3f}));
}

// The host error code `run` throws, or PF_Err_NONE.
template <typename Run>
PF_Err thrown(Run run)
{
    try {
        run();
    } catch (PF_Err err) {
        return err;
    }
    return PF_Err_NONE;
}

TEST(SuiteHandler, LoadsEachSuiteOnceAndReleasesThemOnceInListOrderOnEveryPath)
{
    test::RecordingHost host;
    for (const auto& [name, version] : {std::pair{"AEGP Light Suite", 1}, {"AEGP PF Interface Suite", 1},
                                        {"AEGP Layer Suite", 5}, {"AEGP Persistent Data Suite", 3}}) {
        host.offerSuite(name, version, &host);
    }
    EXPECT_EQ(thrown([&] {
                  AEGP_SuiteHandler suites(host.in_data.pica_basicP);
                  EXPECT_EQ(suites.get<AEGP_LightSuite1>(), static_cast<const void*>(&host));
                  suites.get<AEGP_LightSuite1>();
                  suites.get<AEGP_PersistentDataSuite3>();
                  suites.get<AEGP_PFInterfaceSuite1>();
                  suites.get<AEGP_LayerSuite5>();
                  suites.get<AEGP_StreamSuite4>();  // not offered
              }),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.log, (Strings{"acquire AEGP Light Suite 1", "acquire AEGP Persistent Data Suite 3",
                                 "acquire AEGP PF Interface Suite 1", "acquire AEGP Layer Suite 5",
                                 "acquire AEGP Stream Suite 4", "release AEGP Layer Suite 5",
                                 "release AEGP PF Interface Suite 1", "release AEGP Light Suite 1",
                                 "release AEGP Persistent Data Suite 3"}));
    host.log.clear();
    {
        AEGP_SuiteHandler suites(host.in_data.pica_basicP);
        suites.get<AEGP_LightSuite1>();
        suites.ReleaseAllSuites();
    }
    EXPECT_EQ(host.entries("release"), Strings{"release AEGP Light Suite 1"});
    EXPECT_EQ(thrown([] { AEGP_SuiteHandler suites(nullptr); }), PF_Err_BAD_CALLBACK_PARAM);
}

TEST(AcquireSuite, HandsOutTheHostsTableOrReportsAMissingSuiteWithTheGivenOrTheGeneralText)
{
    const struct {
        int version;
        const char* text;
        bool basic;
        PF_Err result;
        const char* shown;
    } rows[] = {
        {2, "Failed to acquire suite.", true, PF_Err_NONE, ""},
        {1, nullptr, true, PF_Err_BAD_CALLBACK_PARAM, "Not able to acquire AEFX Suite."},
        {1, "Failed to acquire AdvAppSuite1.", true, PF_Err_BAD_CALLBACK_PARAM, "Failed to acquire AdvAppSuite1."},
        {2, nullptr, false, PF_Err_BAD_CALLBACK_PARAM, "Not able to acquire AEFX Suite."},
    };
    for (const auto& r : rows) {
        test::RecordingHost host;
        host.releaseResult = kSPSuiteNotFoundError;
        host.in_data.pica_basicP = r.basic ? host.in_data.pica_basicP : nullptr;
        void* suite = &host;
        EXPECT_EQ(AEFX_AcquireSuite(&host.in_data, &host.out_data, kPFParamUtilsSuite, r.version, r.text, &suite),
                  r.result);
        EXPECT_EQ(suite, r.result == 0 ? &host.paramUtils : nullptr);
        EXPECT_EQ(host.out_data.out_flags, r.result == 0 ? 0 : PF_OutFlag_DISPLAY_ERROR_MESSAGE);
        EXPECT_STREQ(host.out_data.return_msg, r.shown);
        EXPECT_EQ(AEFX_ReleaseSuite(&host.in_data, &host.out_data, kPFParamUtilsSuite, r.version, nullptr),
                  r.basic ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM);
        // A release ignores what the host answers; without a basic suite it reports as acquiring does.
        EXPECT_STREQ(host.out_data.return_msg, r.basic ? r.shown : "Not able to release AEFX Suite.");
    }
}

// The operations no frame of the effect uses, one after another on a host that lends no callbacks,
// no suites and no checkout: each answers the missing callback's 516, 1 for "not available", or
// does without the host.
TEST(PluginHostOperations, EachAnswersWhatAHostWithoutItsCallbacksAllows)
{
    test::RecordingHost f;
    f.in_data.utils = nullptr;
    f.in_data.inter = {};
    f.offered.clear();
    f.in_data.downsample_x = {1, 2};
    f.in_data.downsample_y = {1, 3};
    f.in_data.pixel_aspect_ratio = {3, 0};
    f.output.origin_x = 12;
    void* globalData = nullptr;
    f.in_data.global_data = &globalData;
    f.param(2).u.bd.value = 1;
    const PF_PointDef& td = f.param(3).u.td;
    PluginHost_AE_Impl host(&f.in_data, &f.out_data, f.params(), &f.output);
    PF_LayerDef world = f.makeWorld(2, 2, PF_PixelFormat_ARGB32);
    PluginRaster_AE_Impl r(&world, &host);
    std::unique_ptr<PluginRaster_API> made;
    std::unique_ptr<PluginUpdate_API> update;
    const PluginHost_API::TimeObject t{7, 2, 30};
    double d = 0;
    int i = 0, err = 0;
    long l = 0;
    unsigned u = 0;
    unsigned long id = 0;
    bool open = false;
    void* path = nullptr;
    void* memory = host.allocMemory(-16);
    ZQ_Rect rect{0, 0, 1, 1};
    ZQ_FloatMatrix matrix{};
    ZQ_PathVertex vertex{};
    RasterInfo refused{nullptr, kRasterARGB16, 6, 3, 48, 8};
    DRAWBOT_Suites drawbot{};
    const std::pair<std::string, std::function<std::string()>> rows[] = {
        {"516", [&] { return words(host.GetFixedFloatValue(1, 0, t, d)); }},
        {"516", [&] { return words(host.GetAngleValue(1, 0, t, d)); }},
        {"516", [&] { return words(host.GetIntValue(1, 0, t, i)); }},
        {"516", [&] { return words(host.GetUIntValue(1, 0, t, u)); }},
        {"516", [&] { return words(host.GetColorValue(1, 0, t, d, d, d)); }},
        {"516", [&] { return words(host.GetPoint2DValue(1, 0, t, d, d)); }},
        {"0", [&] { return words(host.GetBoolValue(2, 0, t, open)); }},  // from the command's array
        {"1", [&] { return words(open); }},
        {"480 540", [&] { host.SetPoint2DValue(3, 0, 0.25, 0.5); return words(td.x_value >> 16, td.y_value >> 16); }},
        {"0", [&] { return words(host.checkoutLayer(1, 2.0, 0) != nullptr); }},
        {"516", [&] { return words(host.getLayerFlags()); }},
        {"0", [&] { return words(host.lockTemporalRaster(2.0, false, false) != nullptr); }},
        {"0", [&] { return words(host.unlockTemporalRaster(nullptr)); }},
        {"516", [&] { return words(host.progress(1, 2)); }},
        {"516", [&] { return words(host.doAbort()); }},
        {"516", [&] { return words(host.fillOutput()); }},
        {"516", [&] { return words(host.fill(&r)); }},
        {"0", [&] { return words(host.fill(&r, &rect)); }},
        {"516", [&] { return words(host.copy(&r, &r)); }},
        {"516", [&] { return words(host.copy(&r, &r, &rect, &rect)); }},
        {"516", [&] { return words(host.copyInputToOutput()); }},
        {"1", [&] { made.reset(host.allocRaster(4, 4, PluginRaster_API::kPixel16, err, 0)); return words(!!made); }},
        {"516", [&] { return words(err); }},
        {"516", [&] { return words(host.deallocRaster(made.get())); }},
        {"0", [&] { return words(host.allocRaster(4, 4, PluginRaster_API::PixelType(2), err, 0) != nullptr); }},
        {"0", [&] { return words(host.allocRaster(&refused) != nullptr); }},
        {"514", [&] { return words(host.blend(5, 0.5, 0.5, &r, nullptr)); }},
        {"516", [&] { return words(host.blend(5, 0.5, 0.5, &r, &r)); }},
        {"516", [&] { return words(host.blend(5, &r, &r, rect, rect, 0.5)); }},
        {"516", [&] { return words(host.transformWorld(&r, &matrix, &rect, &r)); }},
        {"516", [&] { return words(host.transformComp(&r, &r, 0, 1.0, 7, -3, 2, 0.5, 90)); }},
        {"516", [&] { return words(host.NumPaths(nullptr, &l)); }},
        {"516", [&] { return words(host.PathInfo(nullptr, 0, &id)); }},
        {"516", [&] { return words(host.CheckoutPath(nullptr, 1, 0, 1, 24, &path)); }},
        {"516", [&] { return words(host.CheckinPath(nullptr, 1, false, path)); }},
        {"516", [&] { return words(host.PathIsOpen(nullptr, path, &open)); }},
        {"516", [&] { return words(host.PathNumSegments(nullptr, path, &l)); }},
        {"516", [&] { return words(host.PathVertexInfo(nullptr, path, 0, &vertex)); }},
        {"1", [&] { return words(host.setCursor(3)); }},
        {"516", [&] { return words(host.setCursor(1)); }},
        {"1", [&] { return words(host.getAppColor(3, i, i, i)); }},
        {"516", [&] { return words(host.getAppColor(0, i, i, i)); }},
        {"516", [&] { return words(host.getMousePos(l, l)); }},
        {"1", [&] { return words(host.forceUIUpdate()); }},
        {"516", [&] { return words(thrown([&] { host.unloadDLL(); })); }},
        {"0", [&] { update.reset(host.makeUpdateApi()); return words(update->isValid()); }},
        {"Failed to acquire suite.", [&] { return words(f.out_data.return_msg); }},
        {"516", [&] { return words(update->setEnable(1, 0, false)); }},
        {"4", [&] { update->setIntValue(1, 0, 4); return words(f.param(1).u.sd.value); }},  // values need no suite
        {"3 0 8", [&] { return words(host.math_sqrt(9.0), host.math_atan2(0.0f, 1.0f), host.math_pow(2.0f, 3.0f)); }},
        {"1", [&] { return words(host.lockMemory(memory) == *static_cast<void**>(memory)); }},
        {"", [&] { host.unlockMemory(memory); host.deallocMemory(memory); return ""; }},
        {"", [&] { host.showAboutBox(0, nullptr, nullptr, "Zel", "v1.2.0"); return ""; }},
        {"Zel\nv1.2.0", [&] { return words(f.out_data.return_msg); }},
        {"0.5 1", [&] { return words(host.getScaleX(), host.geAspectRatio(nullptr)); }},
        {"0", [&] { return words(host.getSourceLayerDimensions(i, err)); }},
        {"960 360", [&] { return words(i, err); }},
        {"12 1", [&] { return words(host.getOutputOriginX(), host.hasCamera()); }},
        {"0", [&] { return words(host.setOutputSize(640, 360)); }},
        {"640 360", [&] { return words(host.getOutputWidth(), host.getOutputHeight()); }},
        {"0", [&] { return words(host.setOutputSize(-1, -1)); }},
        {"1920 1080", [&] { return words(host.getOutputWidth(), host.getOutputHeight()); }},
        {"514", [&] { return words(AEFX_AcquireDrawbotSuites(&f.in_data, &f.out_data, nullptr)); }},
        {"NULL suite pointer passed to AEFX_AcquireDrawbotSuites", [&] { return words(f.out_data.return_msg); }},
        {"516", [&] { return words(AEFX_AcquireDrawbotSuites(&f.in_data, &f.out_data, &drawbot)); }},
        {"0", [&] { return words(AEFX_ReleaseDrawbotSuites(&f.in_data, &f.out_data)); }},
    };
    for (std::size_t row = 0; row < std::size(rows); ++row) {
        EXPECT_EQ(rows[row].second(), rows[row].first) << "row " << row;
    }
}

}  // namespace
}  // namespace zel
