#include "plugin/host/PluginHost_AE_Impl.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "plugin/host/channel_order.h"
#include "tests/plugin/host/described_raster.h"
#include "tests/plugin/host/host_fixture.h"

namespace zel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

class PluginLayersTest : public ::testing::Test {
protected:
    PluginHost_AE_Impl make() { return {&f.in_data, &f.out_data, f.params(), &f.output}; }

    test::HostFixture f;
};

TEST_F(PluginLayersTest, ACheckedOutLayerIsACopyInTheModulesChannelOrderUnlessCopyingIsOff)
{
    f.param(1).u.ld = f.makeWorld(2, 1, PF_PixelFormat_BGRA32);
    f.param(2).u.ld = f.makeWorld(3, 3, PF_PixelFormat_ARGB32);
    PluginHost_AE_Impl host = make();
    f.log.clear();
    PluginRaster_API* layer = host.checkoutLayer(1, 0);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->getPixelType(), PluginRaster_API::kPixel8);
    // Blue 0, green 1, red 2, alpha 3 becomes alpha, red, green, blue.
    EXPECT_EQ(test::rowOf(*layer->getAERaster()->getWorld(), 0, 8), (Bytes{3, 2, 1, 0, 7, 6, 5, 4}));
    EXPECT_EQ(f.entries("check"), (Strings{"checkout 1 at 10 step 1 scale 24", "checkin"}));
    f.log.clear();
    EXPECT_EQ(host.checkinLayer(layer), 0);
    EXPECT_EQ(f.log, Strings{"dispose_world"});

    // Without copying, the host's own layer stays checked out until checkin.
    host.setLayerCopying(false);
    f.log.clear();
    layer = host.checkoutLayer(2, 4.9, 0);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->getAERaster()->getWorld()->data, f.param(2).u.ld.data);
    EXPECT_EQ(f.log, Strings{"checkout 2 at 4 step 1 scale 24"});
    host.checkinLayer(layer);
    EXPECT_EQ(f.log, (Strings{"checkout 2 at 4 step 1 scale 24", "checkin"}));
}

TEST_F(PluginLayersTest, AnEmptyOrMissingLayerIsCheckedBackInAndGivesNull)
{
    f.param(1).u.ld = f.makeWorld(0, 4, PF_PixelFormat_ARGB32);
    PluginHost_AE_Impl host = make();
    f.log.clear();
    EXPECT_EQ(host.checkoutLayer(1, 0), nullptr);
    EXPECT_EQ(f.entries("checkin").size(), 1u);
    f.checkoutResult = 33;
    EXPECT_EQ(host.checkoutLayer(1, 0), nullptr);
    EXPECT_EQ(host.getLayerFlags(), 33);
    EXPECT_EQ(f.entries("checkin").size(), 2u);
    EXPECT_TRUE(f.entries("new_world").empty());
}

TEST_F(PluginLayersTest, ChannelsAreReorderedInUnitsOfTheirDepth)
{
    std::array<std::uint16_t, 4> deep{10, 20, 30, 40};  // blue, green, red, alpha
    RasterInfo pixels;
    pixels.data = reinterpret_cast<std::uint8_t*>(deep.data());
    pixels.width = pixels.height = 1;
    pixels.rowBytes = pixels.bytesPerPixel = 8;
    pixels.pixelFormat = kRasterARGB16;
    reorderChannels(pixels, 4);
    EXPECT_EQ(deep, (std::array<std::uint16_t, 4>{40, 30, 20, 10}));

    std::array<float, 4> flat{0.1f, 0.2f, 0.3f, 0.4f};  // red, green, blue, alpha
    pixels.data = reinterpret_cast<std::uint8_t*>(flat.data());
    pixels.rowBytes = pixels.bytesPerPixel = 16;
    pixels.pixelFormat = kRasterARGB32F;
    reorderChannels(pixels, 8);
    EXPECT_EQ(flat, (std::array<float, 4>{0.4f, 0.1f, 0.2f, 0.3f}));
    // Same order under another code, or a code without a known order: left alone.
    reorderChannels(pixels, 19);
    reorderChannels(pixels, 21);
    EXPECT_EQ(flat, (std::array<float, 4>{0.4f, 0.1f, 0.2f, 0.3f}));
}

TEST_F(PluginLayersTest, TemporalCheckoutsAreClampedToTheLayersDurationAndFullFramesUseTheFramesTime)
{
    f.param(0).u.ld = f.makeWorld(2, 2, PF_PixelFormat_ARGB32);
    f.in_data.local_time_step = 4;
    PluginHost_AE_Impl host = make();
    f.log.clear();
    for (int time : {500, -5, 40}) {
        host.unlockTemporalRaster(host.lockTemporalRasterImpl(time));
    }
    host.unlockTemporalRaster(host.lockTemporalRaster(6.0, false, true));
    EXPECT_EQ(f.entries("checkout"), (Strings{"checkout 0 at 100 step 1 scale 24", "checkout 0 at 0 step 1 scale 24",
                                              "checkout 0 at 40 step 1 scale 24", "checkout 0 at 24 step 1 scale 24"}));
    EXPECT_EQ(f.entries("dispose_world").size(), 4u);
}

TEST_F(PluginLayersTest, FieldsInterleaveUpperFirst)
{
    // Each field is a world whose bytes all hold its time.
    std::vector<PF_LayerDef> fields;
    for (int time : {12, 15}) {
        fields.push_back(f.makeWorld(2, 4, PF_PixelFormat_ARGB32));
        std::memset(fields.back().data, time, 32);
    }
    f.onCheckout = [&](int, int time, PF_ParamDef& def) { def.u.ld = fields[time == 12 ? 0 : 1]; };
    f.in_data.field = PF_Field_UPPER;
    f.in_data.time_step = 3;
    PluginHost_AE_Impl host = make();
    PluginRaster_API* frame = host.lockTemporalRaster(2.0, false, false);
    ASSERT_NE(frame, nullptr);
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(test::rowOf(*frame->getAERaster()->getWorld(), row, 8), Bytes(8, row % 2 == 0 ? 12 : 15)) << row;
    }
    host.unlockTemporalRaster(frame);
    EXPECT_EQ(f.entries("dispose_world").size(), 2u);
}

TEST_F(PluginLayersTest, MergingWritesOnlyTheRowsAllThreeHave)
{
    PluginHost_AE_Impl host = make();
    test::DescribedRaster odd(3, 4, 4, 1), even(2, 3, 4, 2), dst(3, 5, 4, 9);
    mergeFrames(&host, &odd, &even, &dst);
    // Rows 0 and 2 from even, 1 from odd; even has two columns, so two are written; row 3 is left.
    EXPECT_EQ((Bytes{dst.at(0, 0), dst.at(1, 7), dst.at(1, 8), dst.at(2, 0), dst.at(3, 0)}), (Bytes{2, 1, 9, 2, 9}));
    EXPECT_TRUE(dst.marginsHold(9));
}

TEST_F(PluginLayersTest, MixingScalesTheCopiedAlphaUnlessTheMixIsFullAndDeepWorldsGetA16BitOpacity)
{
    for (const auto& [mix, alpha] : {std::pair{0.5, 126}, std::pair{1.0, 255}}) {
        test::HostFixture fixture;
        PF_LayerDef src = fixture.makeWorld(2, 1, PF_PixelFormat_ARGB32);
        std::memset(src.data, 255, 8);
        PF_LayerDef dst = fixture.makeWorld(2, 1, PF_PixelFormat_ARGB32);
        PluginHost_AE_Impl host(&fixture.in_data, &fixture.out_data, fixture.params(), &fixture.output);
        PluginRaster_AE_Impl from(&src, &host), to(&dst, &host);
        EXPECT_EQ(host.blend(5, 0.5, mix, &from, &to), 0);
        const auto a = static_cast<std::uint8_t>(alpha);
        EXPECT_EQ(test::rowOf(dst, 0, 8), (Bytes{a, 255, 255, 255, a, 255, 255, 255})) << mix;
        ASSERT_EQ(fixture.transfers.size(), 1u);
        const auto& t = fixture.transfers[0];
        EXPECT_EQ((std::tuple{t.mode.xfer, t.mode.opacity, t.mode.opacity_16, t.flags, t.rect.right}),
                  (std::tuple{5, 127, 0, PF_MF_Alpha_STRAIGHT, 2}));
        EXPECT_EQ(fixture.entries("dispose_world").size(), 1u);
    }
    PF_LayerDef src = f.makeWorld(1, 1, PF_PixelFormat_ARGB64);
    PF_LayerDef dst = f.makeWorld(1, 1, PF_PixelFormat_ARGB64);
    PluginHost_AE_Impl host = make();
    PluginRaster_AE_Impl from(&src, &host), to(&dst, &host);
    host.blend(0, 1.0, 1.0, &from, &to);
    EXPECT_EQ(f.transfers.at(0).mode.opacity_16, 32768);
    EXPECT_EQ(f.entries("new_world"), Strings{"new_world 1x1 flags 2"});
}

TEST_F(PluginLayersTest, RectangleBlendRoundsOpacityAndPlacesTheSource)
{
    PluginHost_AE_Impl host = make();
    PluginRaster_AE_Impl src(&f.output, &host);
    host.blend(3, &src, &src, ZQ_Rect{1, 2, 30, 40}, ZQ_Rect{5, 6, 0, 0}, 0.5);
    const auto& t = f.transfers.at(0);
    EXPECT_EQ(t.mode.rand_seed, 0x77686f3f);
    EXPECT_EQ((std::tuple{t.mode.opacity, t.mode.opacity_16, t.flags, t.rect.left, t.rect.bottom, t.x, t.y}),
              (std::tuple{128, 16384, PF_MF_Alpha_PREMUL, 2, 30, 6, 5}));
}

TEST_F(PluginLayersTest, ComposedTransformScalesRotatesAboutTheCentreAndMoves)
{
    const struct {
        double tx, ty, sx, sy, degrees;
    } cases[] = {{0, 0, 1, 1, 0}, {7, -3, 2, 0.5, 30}};
    PF_LayerDef source{};
    source.width = 100;
    source.height = 50;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.degrees);
        test::HostFixture fixture;
        fixture.in_data.appl_id = PF_APPL_ID_KEYER;
        fixture.in_data.field = PF_Field_LOWER;
        PluginHost_AE_Impl host(&fixture.in_data, &fixture.out_data, fixture.params(), &fixture.output);
        PluginRaster_AE_Impl src(&source, &host), dst(&fixture.output, &host);
        host.transformComp(&src, &dst, 0, 1.0, c.tx, c.ty, c.sx, c.sy, c.degrees);
        const auto& t = fixture.transforms.at(0);
        EXPECT_EQ(t.flags, PF_MF_Alpha_STRAIGHT);
        EXPECT_EQ(t.field, PF_Field_LOWER);
        EXPECT_EQ(t.rect.right, 1920);
        const auto& m = t.matrix.mat;
        const double radians = c.degrees * std::numbers::pi / 180, cs = std::cos(radians), sn = std::sin(radians);
        const double qx = 100 * c.sx / 2, qy = 50 * c.sy / 2;
        for (const auto& [x, y] : {std::pair{0.0, 0.0}, std::pair{100.0, 50.0}, std::pair{10.0, 40.0}}) {
            const double ux = x * c.sx - qx, uy = y * c.sy - qy;
            EXPECT_NEAR(x * m[0][0] + y * m[1][0] + m[2][0], ux * cs + uy * sn + qx + c.tx, 1e-9);
            EXPECT_NEAR(x * m[0][1] + y * m[1][1] + m[2][1], -ux * sn + uy * cs + qy + c.ty, 1e-9);
        }
        EXPECT_EQ(m[0][2], 0);
        EXPECT_EQ(m[1][2], 0);
        EXPECT_EQ(m[2][2], 1);
    }
}

TEST_F(PluginLayersTest, PathVerticesKeepTheirTangentsApartAndMissingSuitesAreRefused)
{
    PluginHost_AE_Impl host = make();
    void* dataSuite = &f.pathData;
    ZQ_PathVertex vertex{};
    EXPECT_EQ(host.getPathAPI()->PathVertexInfo(&dataSuite, nullptr, 0, &vertex), 0);
    // The host gives x, y, in-tangent, out-tangent.
    EXPECT_EQ((std::array{vertex.x, vertex.y, vertex.inTangentX, vertex.inTangentY, vertex.outTangentX}),
              (std::array<decltype(vertex.x), 5>{1, 2, 3, 4, 5}));
    void* none = nullptr;
    long count = 7;
    EXPECT_EQ(host.NumPaths(&none, &count), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.NumPaths(nullptr, &count), PF_Err_BAD_CALLBACK_PARAM);
}

}  // namespace
}  // namespace zel
