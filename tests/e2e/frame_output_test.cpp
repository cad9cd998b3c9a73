// What zel-render leaves in its files, read back: where the flat surface lands to the pixel,
// pixels with alpha 0 keeping their colour at every depth and under occlusion, and lines half as
// wide at half resolution.
#include <gtest/gtest.h>

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imagebufalgo.h>

#include <cmath>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace {

using Arguments = std::vector<std::string>;

Arguments with(Arguments arguments, const Arguments& more)
{
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

// zel-render's arguments that give each control in `settings`, "NAME=VALUE", its value.
Arguments set(const Arguments& settings)
{
    Arguments arguments;
    for (const std::string& setting : settings) {
        arguments = with(arguments, {"--set", setting});
    }
    return arguments;
}

// Renders the default scene at `size` with `arguments` into `name` in the build tree, and reads it
// back as straight-alpha floats; 16-bit files read 0 to 1 over the host's full scale.
OIIO::ImageBuf render(const std::string& name, const std::string& size, const Arguments& arguments)
{
    const std::filesystem::path file = std::filesystem::path(ZEL_E2E_OUT_DIR) / name;
    std::filesystem::create_directories(file.parent_path());
    std::filesystem::remove(file);
    const zel::test::Finished run = zel::test::runProgram(
        with({ZEL_RENDER_PATH, "--size", size, "-o", file.string()}, arguments));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);  // as written: alpha straight
    OIIO::ImageBuf frame(file.string(), 0, 0, nullptr, &config);
    EXPECT_TRUE(frame.read(0, 0, true, OIIO::TypeDesc::FLOAT)) << file << frame.geterror();
    EXPECT_EQ(frame.nchannels(), 4) << file;
    return frame;
}

// With zero amplitude the surface is a flat rectangle in the image plane z = 0, and the default
// camera (at (w/2, h/2, -zoom), zoom = w * 50/36, looking along +z) maps one unit there to one
// pixel: "Size X" = S covers exactly S pixels around "Position XY". Edges then fall on pixel
// boundaries, so even with multisampling no pixel may be partly covered; a half-pixel shift in
// the projection shows as a partly covered row or column, a whole-pixel one as a moved rectangle.
struct FlatSurfaceCase {
    const char* name;
    int width, height, sizeX, sizeY, posX, posY, multisample;
    int x0, y0, x1, y1;  // covered: [x0, x1) x [y0, y1)
};

const FlatSurfaceCase kFlatSurfaceCases[] = {
    {"centred", 160, 90, 80, 40, 80, 45, 0, 40, 25, 120, 65},
    {"centred_multisampled", 160, 90, 80, 40, 80, 45, 8, 40, 25, 120, 65},
    {"moved_10_5", 160, 90, 80, 40, 90, 50, 0, 50, 30, 130, 70},
    {"moved_10_5_multisampled", 160, 90, 80, 40, 90, 50, 8, 50, 30, 130, 70},
    {"moved_back_and_up", 160, 90, 30, 20, 55, 33, 1, 40, 23, 70, 43},
    // Another width changes the zoom; the image plane must still be one unit a pixel.
    {"wider_composition", 200, 100, 50, 30, 100, 50, 8, 75, 35, 125, 65},
};

std::ostream& operator<<(std::ostream& out, const FlatSurfaceCase& c) { return out << c.name; }

class FlatSurface : public ::testing::TestWithParam<FlatSurfaceCase> {};

TEST_P(FlatSurface, CoversExactlyItsSizeAroundItsPosition)
{
    const FlatSurfaceCase& c = GetParam();
    const auto n = [](int value) { return std::to_string(value); };
    const OIIO::ImageBuf frame = render(
        std::string("geometry/") + c.name + ".tif", n(c.width) + "x" + n(c.height),
        set({"Amplitude=0", "Blend=Normal", "Shader=Density", "Density Affect=0", "Normal Affect=0",
             "Size X=" + n(c.sizeX), "Size Y=" + n(c.sizeY),
             "Position XY=" + n(c.posX) + "," + n(c.posY), "Multisample=" + n(c.multisample)}));
    ASSERT_EQ(frame.roi().width(), c.width);
    ASSERT_EQ(frame.roi().height(), c.height);
    int wrong = 0;
    int partial = 0;
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const float alpha = frame.getchannel(x, y, 0, 3);
            const bool expected = x >= c.x0 && x < c.x1 && y >= c.y0 && y < c.y1;
            wrong += (alpha > 0.5F) != expected ? 1 : 0;
            partial += alpha > 0.0F && alpha < 1.0F ? 1 : 0;
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels covered or left wrongly; see geometry/" << c.name << ".tif";
    EXPECT_EQ(partial, 0) << "pixels partly covered: edges off pixel boundaries";
}

INSTANTIATE_TEST_SUITE_P(Geometry, FlatSurface, ::testing::ValuesIn(kFlatSurfaceCases),
                         ::testing::PrintToStringParamName());

// A pixel whose alpha is 0 keeps the colour it was rendered with: it is not divided by its alpha
// (0 / 0 would be NaN in a float frame), and occlusion, which darkens the covered pixels (below 0
// in a float frame), leaves it alone. Here such pixels are empty (colour 0): every source scales
// colour and alpha alike, and "Opacity" 0 makes both 0.
TEST(FrameOutput, PixelsWithAlphaZeroKeepTheirColourUndividedAndUnoccluded)
{
    // A folded surface seen from above and the side, so that it hides parts of itself and leaves
    // the top and bottom of the frame empty.
    const Arguments folded = set({"Shader=Density", "Amplitude=40", "Size X=140", "Size Y=80",
                                  "Rotate X=40", "Color=#FF9040"});
    for (const auto& [bits, file] :
         {std::pair{"32", "clear32.exr"}, std::pair{"16", "clear16.tif"}, {"8", "clear8.tif"}}) {
        const OIIO::ImageBuf clear =
            render(file, "160x90", with(folded, {"--set", "Opacity=0", "--bpc", bits}));
        std::vector<float> colour(4, 1.0F);
        EXPECT_TRUE(OIIO::ImageBufAlgo::isConstantColor(clear, 0.0F, colour)) << file;
        EXPECT_EQ(colour, std::vector<float>(4, 0.0F)) << file;
    }

    // Opaque fragments over a depth buffer, as occlusion expects.
    const Arguments opaque = with(with(folded, {"--bpc", "32"}),
                                  set({"Blend=Normal", "DepthBuf=On", "Density Affect=0",
                                       "Normal Affect=0"}));
    const OIIO::ImageBuf plain = render("plain32.exr", "160x90", opaque);
    const OIIO::ImageBuf occluded =
        render("occluded32.exr", "160x90",
               with(opaque, set({"Ambient Occlusion=On", "AO Intensity=100"})));
    ASSERT_EQ(plain.roi().npixels(), 160 * 90);
    ASSERT_EQ(occluded.roi().npixels(), 160 * 90);
    int uncovered = 0;
    int darkened = 0;
    int changed = 0;
    for (int y = 0; y < 90; ++y) {
        for (int x = 0; x < 160; ++x) {
            const bool covered = plain.getchannel(x, y, 0, 3) > 0.0F;
            uncovered += covered ? 0 : 1;
            for (int c = 0; c < 4; ++c) {
                const float before = plain.getchannel(x, y, 0, c);
                const float after = occluded.getchannel(x, y, 0, c);
                const bool kept = after == before && std::isfinite(before);
                changed += !kept && (c == 3 || !covered) ? 1 : 0;
                darkened += covered && after < before - 0.01F ? 1 : 0;
            }
        }
    }
    EXPECT_EQ(changed, 0) << "occlusion keeps alpha, and the colour of empty pixels";
    // Both kinds of pixel are there: occlusion ran, and some pixels were left for it to spare.
    EXPECT_GT(uncovered, 500);
    EXPECT_GT(darkened, 1000);
}

// Noise coordinates far beyond what a float resolves make every pixel's colour NaN, and "Super
// Add" makes it opaque. Such a pixel reaches the frame as transparent black at every depth.
TEST(FrameOutput, PixelsComputedFromNaNAreTransparentBlack)
{
    const Arguments overflowing = set({"Amplitude=40000", "Offset X=-1000000", "Amplitude X=10000",
                                       "Frequency X=10000", "Blend=Super Add"});
    for (const auto& [bits, file] :
         {std::pair{"32", "nan32.exr"}, std::pair{"16", "nan16.tif"}, {"8", "nan8.tif"}}) {
        const OIIO::ImageBuf frame = render(file, "64x36", with(overflowing, {"--bpc", bits}));
        std::vector<float> colour(4, 1.0F);
        EXPECT_TRUE(OIIO::ImageBufAlgo::isConstantColor(frame, 0.0F, colour)) << file;
        EXPECT_EQ(colour, std::vector<float>(4, 0.0F)) << file;
    }
}

TEST(FrameOutput, HalfResolutionHalvesTheImageAndTheLineWidth)
{
    // One flat quad as wireframe: its top edge is a horizontal line, 30 pixels above the centre.
    const Arguments outline =
        set({"Draw=Wireframe", "Shader=Flat", "Blend=Normal", "Amplitude=0", "Vertices X=2",
             "Vertices Y=2", "Size X=100", "Size Y=60", "Line Size=6", "Multisample=0"});
    // Rows covered, from the top, in column x: the thickness of the first line met.
    const auto firstLineThickness = [](const OIIO::ImageBuf& frame, int x) {
        int y = 0;
        while (y < frame.roi().height() && frame.getchannel(x, y, 0, 3) < 0.5F) {
            ++y;
        }
        const int top = y;
        while (y < frame.roi().height() && frame.getchannel(x, y, 0, 3) >= 0.5F) {
            ++y;
        }
        return y - top;
    };
    const OIIO::ImageBuf full = render("outline_full.tif", "160x90", outline);
    const OIIO::ImageBuf half =
        render("outline_half.tif", "160x90", with(outline, {"--downsample", "2"}));
    ASSERT_EQ(full.roi().width(), 160);
    ASSERT_EQ(half.roi().width(), 80);
    ASSERT_EQ(half.roi().height(), 45);
    EXPECT_EQ(firstLineThickness(full, 70), 6);
    EXPECT_EQ(firstLineThickness(half, 35), 3);
}

}  // namespace
