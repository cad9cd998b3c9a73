#include "plugin/host/PluginHost_AE_Impl.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "plugin/host/PluginRasterProxy.h"
#include "tests/plugin/host/described_raster.h"
#include "tests/plugin/host/host_fixture.h"

namespace zel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

class PluginRasterTest : public ::testing::Test {
protected:
    PluginHost_AE_Impl make(PF_LayerDef* output) { return {&f.in_data, &f.out_data, f.params(), output}; }
    PluginHost_AE_Impl make() { return make(&f.output); }

    test::HostFixture f;
};

TEST_F(PluginRasterTest, PixelTypeFollowsTheWorldSuiteOrTheDeepFlagOnOlderHosts)
{
    PF_LayerDef floatWorld = f.makeWorld(2, 2, PF_PixelFormat_ARGB128);
    PF_LayerDef deepWorld = f.makeWorld(2, 2, PF_PixelFormat_ARGB64);
    PF_LayerDef bgraWorld = f.makeWorld(2, 2, PF_PixelFormat_BGRA32);
    {
        PluginHost_AE_Impl host = make(&floatWorld);
        EXPECT_EQ(PluginRasterProxy(host.getOutputRaster(), &host, false, true)->getPixelType(),
                  PluginRaster_API::kPixelFloat);
        EXPECT_EQ(PluginRaster_AE_Impl(&deepWorld, &host).getPixelType(), PluginRaster_API::kPixel16);
        EXPECT_EQ(PluginRaster_AE_Impl(&bgraWorld, &host).getPixelType(), PluginRaster_API::kPixel8);
    }
    f.in_data.version = {12, 5};
    PluginHost_AE_Impl older = make(&floatWorld);
    EXPECT_EQ(PluginRaster_AE_Impl(&deepWorld, &older).getPixelType(), PluginRaster_API::kPixel16);
    EXPECT_EQ(PluginRaster_AE_Impl(&floatWorld, &older).getPixelType(), PluginRaster_API::kPixel8);
}

TEST_F(PluginRasterTest, DescriptionsFollowTheFormatAndTheWideChoice)
{
    f.output = f.makeWorld(3, 2, PF_PixelFormat_ARGB64);
    f.param(0).u.ld = f.makeWorld(3, 2, PF_PixelFormat_BGRA32);
    PluginHost_AE_Impl host = make();
    RasterInfo info;
    EXPECT_EQ(host.getOutputRasterInfo(&info), 8);
    EXPECT_EQ((std::tuple{info.pixelFormat, info.valueScale, info.rowBytes}), (std::tuple{kRasterARGB16, 2.0f, 24}));
    PluginRasterProxy output(host.getOutputRaster(), &host, false, true);
    host.getRasterInfo(output.get(), &info);
    EXPECT_EQ(info.valueScale, 0.5f);

    EXPECT_EQ(host.getInputRasterInfo(0, &info), 4);
    EXPECT_EQ(info.pixelFormat, kRasterBGRA8);
    EXPECT_EQ(info.data, f.param(0).u.ld.data);
    EXPECT_EQ(f.entries("pixel_data").size(), 6u);
    // The editing host's pixels are where the world says.
    f.log.clear();
    f.in_data.appl_id = PF_APPL_ID_EDITOR;
    host.getInputRasterInfo(0, &info);
    EXPECT_TRUE(f.entries("pixel_data").empty());
}

TEST_F(PluginRasterTest, AllocationByDepthClearsTheWorldAndProxiesGiveItBackOnlyWhenAsked)
{
    PluginHost_AE_Impl host = make();
    int err = -1;
    PluginRaster_API* deep = host.allocRaster(100, 50, PluginRaster_API::kPixel16, err, 0);
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(deep->getPixelType(), PluginRaster_API::kPixel16);
    EXPECT_EQ((std::tuple{deep->getWidth(), deep->getHeight()}), (std::tuple{100, 50}));
    EXPECT_EQ(test::rowOf(*deep->getAERaster()->getWorld(), 49, 800), Bytes(800, 0));
    EXPECT_EQ(f.entries("new_world"), Strings{"new_world 100x50 flags 2"});
    EXPECT_EQ(f.entries("fill"), Strings{"fill all"});

    PluginRaster_API* flat = host.allocRaster(4, 4, PluginRaster_API::kPixelFloat, err, 0);
    EXPECT_EQ(flat->getPixelType(), PluginRaster_API::kPixelFloat);
    EXPECT_EQ(host.allocRaster(4, 4, static_cast<PluginRaster_API::PixelType>(2), err, 0), nullptr);
    f.log.clear();
    EXPECT_EQ(host.deallocRaster(deep), 0);
    EXPECT_EQ(host.deallocRaster(flat), 0);
    EXPECT_EQ(f.log, (Strings{"dispose_world", "suite_dispose_world"}));
    delete deep;
    delete flat;

    f.log.clear();
    PluginRasterProxy(host.getOutputRaster(), &host, false, true);
    EXPECT_TRUE(f.entries("dispose").empty());
    PluginRasterProxy(host.allocRaster(2, 2, PluginRaster_API::kPixel8, err, 0), &host, true, true);
    EXPECT_EQ(f.entries("dispose"), Strings{"dispose_world"});

    // A failed world is reported and not cleared.
    f.log.clear();
    f.newWorldResult = PF_Err_OUT_OF_MEMORY;
    PluginRasterProxy(host.allocRaster(8, 8, PluginRaster_API::kPixel8, err, 0), &host, true, true);
    EXPECT_EQ(err, PF_Err_OUT_OF_MEMORY);
    EXPECT_TRUE(f.entries("fill").empty());
}

TEST_F(PluginRasterTest, DescriptionsOfOtherHostsFormatsAreRefusedAndKept)
{
    PluginHost_AE_Impl host = make();
    for (int format : {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 14, 17, 18, 20}) {
        RasterInfo info;
        info.pixelFormat = format;
        info.width = 5;
        EXPECT_EQ(host.allocRaster(&info), nullptr) << format;
        EXPECT_EQ(info.width, 5);
    }
    EXPECT_TRUE(f.entries("new_world").empty());
    for (int format : {0, 1, 2, 12, 15, 16, 19, 21}) {
        auto* info = new RasterInfo;
        info->pixelFormat = format;
        info->width = 6;
        info->height = 3;
        info->data = static_cast<std::uint8_t*>(host.allocMemory(64));
        PluginRasterProxy raster(host.allocRaster(info), &host, true, true);
        ASSERT_NE(raster.get(), nullptr) << format;
        EXPECT_EQ(raster->getWidth(), 6);
        EXPECT_EQ(raster->getPixelType(), PluginRaster_API::kPixel8);
    }
}

TEST_F(PluginRasterTest, RectangleFillsAreClippedToTheRaster)
{
    PluginHost_AE_Impl host = make();
    test::DescribedRaster raster(4, 6, 4, 0xFF);
    ZQ_Rect rect{2, 1, 4, 3};
    EXPECT_EQ(host.fill(&raster, &rect), 0);
    for (int row = 0; row < 6; ++row) {
        for (int byte = 0; byte < 16; ++byte) {
            const bool cleared = row >= 2 && row <= 4 && byte >= 4 && byte < 12;
            EXPECT_EQ(raster.at(row, byte), cleared ? 0 : 0xFF) << row << "," << byte;
        }
    }
    test::DescribedRaster edge(4, 6, 4, 0xFF);
    ZQ_Rect outside{-3, 2, 40, 90};
    host.fill(&edge, &outside);
    EXPECT_EQ((Bytes{edge.at(5, 7), edge.at(5, 8), edge.at(0, 15)}), (Bytes{0xFF, 0, 0}));
    EXPECT_TRUE(edge.marginsHold(0xFF));
    test::DescribedRaster untouched(4, 6, 4, 0xFF);
    for (ZQ_Rect empty : {ZQ_Rect{4, 0, 2, 4}, ZQ_Rect{0, 3, 5, 1}}) {
        host.fill(&untouched, &empty);
    }
    EXPECT_EQ(untouched.pixels(), Bytes(96, 0xFF));
}

TEST_F(PluginRasterTest, CopiesStayWithinBothDescriptionsAndGiveTheHostItsRectangleOrder)
{
    PluginHost_AE_Impl host = make();
    test::DescribedRaster wide(3, 4, 4, 7), narrow(2, 2, 4, 1), tall(2, 5, 4, 9), deep(2, 2, 8, 3);
    EXPECT_EQ(host.copy(&narrow.info, &wide.info), 0);
    // Row 1 holds the source up to its width, row 2 lies past its height.
    EXPECT_EQ((Bytes{wide.at(1, 7), wide.at(1, 8), wide.at(2, 0)}), (Bytes{1, 7, 7}));
    EXPECT_TRUE(wide.marginsHold(7));
    EXPECT_EQ(host.copy(&tall.info, &narrow.info), 0);
    EXPECT_EQ(narrow.pixels(), Bytes(16, 9));
    EXPECT_TRUE(narrow.marginsHold(1));
    EXPECT_EQ(host.copy(&deep.info, &narrow.info), PF_Err_INVALID_ARGUMENT);
    EXPECT_EQ(narrow.pixels(), Bytes(16, 9));

    PF_LayerDef a = f.makeWorld(4, 4, PF_PixelFormat_ARGB32), b = f.makeWorld(4, 4, PF_PixelFormat_ARGB32);
    PluginRaster_AE_Impl src(&a, &host), dst(&b, &host);
    ZQ_Rect from{1, 2, 3, 4};
    host.copy(&src, &dst, &from, nullptr);
    EXPECT_EQ(f.entries("copy"), Strings{"copy 2,1,4,3 to all"});
}

TEST_F(PluginRasterTest, ExtentsAreTheHintForWorldsAndTheLastPixelByDefault)
{
    f.output.extent_hint = {3, 4, 200, 100};
    PluginHost_AE_Impl host = make();
    PluginRasterProxy output(host.getOutputRaster(), &host, false, true);
    EXPECT_EQ((std::array{output->getExtentLeft(), output->getExtentTop(), output->getExtentRight(),
                          output->getExtentBottom()}),
              (std::array{3, 4, 200, 100}));
    test::DescribedRaster plain(7, 5, 4, 0);
    EXPECT_EQ((std::tuple{plain.getExtentRight(), plain.getExtentBottom()}), (std::tuple{6, 4}));
}

TEST_F(PluginRasterTest, TheOutputGrowsCentredOnTheSource)
{
    f.output.width = 100;
    f.output.height = 80;
    f.out_data.width = 120;
    f.out_data.height = 90;
    PluginHost_AE_Impl host = make();
    host.resetOutputOrigin(100, 80, 50, 50);
    EXPECT_EQ(f.out_data.origin.h, 0);
    host.resetOutputOrigin(120, 90, 50, 95);
    // Origin v is -5 / 2, toward zero.
    EXPECT_EQ((std::array{f.output.width, f.output.height, f.out_data.origin.h, f.out_data.origin.v}),
              (std::array{120, 90, 35, -2}));
}

}  // namespace
}  // namespace zel
