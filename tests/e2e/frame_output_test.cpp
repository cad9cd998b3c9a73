// What the module leaves in the host's frame, read back from the files zel-render writes: pixels
// with alpha 0 keep their colour at every depth, occlusion leaves them alone, and at half
// resolution lines are drawn half as wide.
#include <gtest/gtest.h>

#include <OpenImageIO/imagebuf.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A frame as straight-alpha floats, red, green, blue, alpha; 16-bit files read 0 to 1 over the
// host's full scale.
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<float> rgba;

    float at(int x, int y, int channel) const
    {
        return rgba[(static_cast<std::size_t>(y) * width + x) * 4 + channel];
    }
};

std::string quoted(const std::string& word)
{
    return "'" + word + "'";
}

// Renders the default scene at 160 x 90 with the given settings into `name` under the test's
// directory, and reads it back.
Frame render(const std::string& name, const std::vector<std::string>& arguments)
{
    const fs::path dir = fs::path(ZEL_E2E_OUT_DIR) / "frame_output";
    fs::create_directories(dir);
    const fs::path file = dir / name;
    fs::remove(file);
    std::string command = quoted(ZEL_RENDER_PATH) + " --size 160x90 -o " + quoted(file.string());
    for (const std::string& argument : arguments) {
        command += " " + quoted(argument);
    }
    command += " 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;

    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);  // as written: alpha straight
    OIIO::ImageBuf buf(file.string(), 0, 0, nullptr, &config);
    Frame frame;
    if (!buf.read(0, 0, true, OIIO::TypeDesc::FLOAT)) {
        ADD_FAILURE() << file << ": " << buf.geterror();
        return frame;
    }
    frame.width = buf.roi().width();
    frame.height = buf.roi().height();
    frame.rgba.resize(static_cast<std::size_t>(frame.width) * frame.height * 4);
    buf.get_pixels(buf.roi(), OIIO::TypeDesc::FLOAT, frame.rgba.data());
    return frame;
}

// A folded surface seen from above and the side, so that it hides parts of itself and leaves
// the top and bottom of the frame empty.
const std::vector<std::string> kFoldedSurface = {
    "--set", "Shader=Density", "--set", "Amplitude=40", "--set", "Size X=140", "--set",
    "Size Y=80",       "--set", "Rotate X=40",  "--set", "Color=#FF9040"};

std::vector<std::string> with(std::vector<std::string> arguments,
                              const std::vector<std::string>& more)
{
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

// A pixel whose alpha is 0 keeps the colour it was rendered with: it is not divided by its alpha
// (0 / 0 would be NaN in a float frame), and occlusion, which darkens the covered pixels (below 0
// in a float frame), leaves it alone. Here such pixels are empty (colour 0): every source scales
// colour and alpha alike, and "Opacity" 0 makes both 0.
TEST(FrameOutput, PixelsWithAlphaZeroKeepTheirColourUndividedAndUnoccluded)
{
    // Opaque fragments over a depth buffer, as occlusion expects.
    const auto opaque = with(kFoldedSurface,
                             {"--bpc", "32", "--set", "Blend=Normal", "--set", "DepthBuf=On",
                              "--set", "Density Affect=0", "--set", "Normal Affect=0"});
    const Frame plain = render("plain32.exr", opaque);
    const Frame occluded = render("occluded32.exr", with(opaque, {"--set", "Ambient Occlusion=On",
                                                                  "--set", "AO Intensity=100"}));
    const auto transparent = with(kFoldedSurface, {"--set", "Opacity=0"});
    const Frame clear32 = render("clear32.exr", with(transparent, {"--bpc", "32"}));
    const Frame clear16 = render("clear16.tif", with(transparent, {"--bpc", "16"}));
    const Frame clear8 = render("clear8.tif", with(transparent, {"--bpc", "8"}));
    for (const Frame* frame : {&plain, &occluded, &clear32, &clear16, &clear8}) {
        ASSERT_EQ(frame->rgba.size(), 160u * 90 * 4);
    }

    int uncovered = 0;
    int darkened = 0;
    for (int y = 0; y < 90; ++y) {
        for (int x = 0; x < 160; ++x) {
            for (const Frame* frame : {&clear32, &clear16, &clear8}) {
                for (int c = 0; c < 4; ++c) {
                    ASSERT_EQ(frame->at(x, y, c), 0.0F) << x << ", " << y << " channel " << c;
                }
            }
            ASSERT_EQ(occluded.at(x, y, 3), plain.at(x, y, 3)) << x << ", " << y;
            const bool covered = plain.at(x, y, 3) > 0.0F;
            uncovered += covered ? 0 : 1;
            for (int c = 0; c < 3; ++c) {
                if (!covered) {
                    ASSERT_TRUE(std::isfinite(plain.at(x, y, c))) << x << ", " << y;
                    ASSERT_EQ(occluded.at(x, y, c), plain.at(x, y, c))
                        << x << ", " << y << " channel " << c;
                }
                darkened += covered && occluded.at(x, y, c) < plain.at(x, y, c) - 0.01F ? 1 : 0;
            }
        }
    }
    // Both kinds of pixel are there: occlusion ran, and some pixels were left for it to spare.
    EXPECT_GT(uncovered, 500);
    EXPECT_GT(darkened, 1000);
}

// Rows covered, from the top, in column x: the thickness of the first line met.
int firstLineThickness(const Frame& frame, int x)
{
    int y = 0;
    while (y < frame.height && frame.at(x, y, 3) < 0.5F) {
        ++y;
    }
    const int top = y;
    while (y < frame.height && frame.at(x, y, 3) >= 0.5F) {
        ++y;
    }
    return y - top;
}

TEST(FrameOutput, HalfResolutionHalvesTheImageAndTheLineWidth)
{
    // One flat quad as wireframe: its top edge is a horizontal line, 30 pixels above the centre.
    const std::vector<std::string> outline = {
        "--set", "Draw=Wireframe", "--set", "Shader=Flat",       "--set", "Blend=Normal",
        "--set", "Amplitude=0",    "--set", "Vertices X=2",      "--set", "Vertices Y=2",
        "--set", "Size X=100",     "--set", "Size Y=60",         "--set", "Line Size=6",
        "--set", "Multisample=0"};
    const Frame full = render("outline_full.tif", outline);
    const Frame half = render("outline_half.tif", with(outline, {"--downsample", "2"}));
    ASSERT_EQ(full.width, 160);
    ASSERT_EQ(half.width, 80);
    ASSERT_EQ(half.height, 45);
    EXPECT_EQ(firstLineThickness(full, 70), 6);
    EXPECT_EQ(firstLineThickness(half, 35), 3);
}

}  // namespace
