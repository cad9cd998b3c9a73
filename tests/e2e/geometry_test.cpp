// Where the flat surface lands, to the pixel. With zero amplitude the surface is a flat
// rectangle in the image plane z = 0, and the default camera (at (w/2, h/2, -zoom), zoom =
// w * 50/36, looking along +z) maps one unit there to one pixel: "Size X" = S covers exactly S
// pixels around "Position XY". Edges then fall on pixel boundaries, so even with multisampling
// no pixel may be partly covered; a half-pixel shift in the projection shows up as a partly
// covered row or column, a whole-pixel one as a moved rectangle.
#include <gtest/gtest.h>

#include <OpenImageIO/imagebuf.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Rect {
    int x0, y0, x1, y1;  // half-open: [x0, x1) x [y0, y1)
};

struct Case {
    const char* name;
    int width, height;
    int sizeX, sizeY;
    int posX, posY;
    int multisample;
    Rect covered;
};

std::ostream& operator<<(std::ostream& out, const Case& c) { return out << c.name; }

const Case kCases[] = {
    {"centred", 160, 90, 80, 40, 80, 45, 0, {40, 25, 120, 65}},
    {"centred_multisampled", 160, 90, 80, 40, 80, 45, 8, {40, 25, 120, 65}},
    {"moved_10_5", 160, 90, 80, 40, 90, 50, 0, {50, 30, 130, 70}},
    {"moved_10_5_multisampled", 160, 90, 80, 40, 90, 50, 8, {50, 30, 130, 70}},
    {"moved_back_and_up", 160, 90, 30, 20, 55, 33, 1, {40, 23, 70, 43}},
    // Another width changes the zoom; the image plane must still be one unit per pixel.
    {"wider_composition", 200, 100, 50, 30, 100, 50, 8, {75, 35, 125, 65}},
};

class FlatSurface : public ::testing::TestWithParam<Case> {};

TEST_P(FlatSurface, CoversExactlyItsSizeAroundItsPosition)
{
    const Case& c = GetParam();
    fs::create_directories(ZEL_E2E_OUT_DIR);
    const fs::path image = fs::path(ZEL_E2E_OUT_DIR) / (std::string(c.name) + ".tif");
    fs::remove(image);
    std::ostringstream command;
    command << "'" << ZEL_RENDER_PATH << "' --size " << c.width << 'x' << c.height
            << " --set Amplitude=0 --set 'Size X=" << c.sizeX << "' --set 'Size Y=" << c.sizeY
            << "' --set 'Position XY=" << c.posX << ',' << c.posY << "'"
            << " --set Blend=Normal --set Shader=Density --set 'Density Affect=0'"
            << " --set 'Normal Affect=0' --set Multisample=" << c.multisample << " -o '"
            << image.string() << "' 2>/dev/null";
    ASSERT_EQ(std::system(command.str().c_str()), 0) << command.str();

    OIIO::ImageBuf buf(image.string());
    ASSERT_TRUE(buf.read(0, 0, true, OIIO::TypeDesc::FLOAT)) << buf.geterror();
    ASSERT_EQ(buf.nativespec().width, c.width);
    ASSERT_EQ(buf.nativespec().height, c.height);
    ASSERT_EQ(buf.nativespec().nchannels, 4);

    // Collected rather than asserted pixel by pixel, so a failure says where coverage went.
    Rect seen{c.width, c.height, 0, 0};
    int wrong = 0;
    int partial = 0;
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const float alpha = buf.getchannel(x, y, 0, 3);
            const bool covered = alpha > 0.5F;
            const bool expected =
                x >= c.covered.x0 && x < c.covered.x1 && y >= c.covered.y0 && y < c.covered.y1;
            wrong += covered != expected ? 1 : 0;
            partial += alpha > 0.0F && alpha < 1.0F ? 1 : 0;
            if (covered) {
                seen = {std::min(seen.x0, x), std::min(seen.y0, y), std::max(seen.x1, x + 1),
                        std::max(seen.y1, y + 1)};
            }
        }
    }
    EXPECT_EQ(wrong, 0) << "covered x [" << seen.x0 << ", " << seen.x1 << "), y [" << seen.y0
                        << ", " << seen.y1 << "); expected x [" << c.covered.x0 << ", "
                        << c.covered.x1 << "), y [" << c.covered.y0 << ", " << c.covered.y1
                        << ")";
    EXPECT_EQ(partial, 0) << "pixels partly covered: edges off pixel boundaries";
}

INSTANTIATE_TEST_SUITE_P(Geometry, FlatSurface, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
