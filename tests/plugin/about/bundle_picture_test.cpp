// Loading the about box's picture. Where the module looks for it is tested with a copied
// module under Xvfb.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "plugin/about/bundle_picture.h"
#include "tests/plugin/about/image_pixels.h"
#include "tests/support/scratch_directory.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

class BundlePicture : public ::testing::Test {
protected:
    zel::test::ScratchDirectory scratch_{"zel-about-picture"};
    fs::path dir_ = scratch_.path();
};

TEST_F(BundlePicture, LoadsAPngAtItsOwnSize)
{
    test::writePng(test::uniformImage(37, 21, {10, 20, 30}).get(), dir_ / "aboutbox.png");
    const CairoSurface picture = loadPicture(dir_ / "aboutbox.png");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(cairo_image_surface_get_width(picture.get()), 37);
    EXPECT_EQ(cairo_image_surface_get_height(picture.get()), 21);
    EXPECT_EQ(test::pixelAt(picture.get(), 36, 20), (test::Rgb{10, 20, 30}));
}

TEST_F(BundlePicture, AMissingOrUnreadablePictureIsNone)
{
    std::ofstream(dir_ / "text.png") << "not a picture\n";
    EXPECT_EQ(loadPicture(dir_ / "absent.png"), nullptr);
    EXPECT_EQ(loadPicture(dir_ / "text.png"), nullptr);
    EXPECT_EQ(loadPicture(dir_), nullptr);
    EXPECT_EQ(loadPicture(fs::path()), nullptr);
}

}  // namespace
}  // namespace zel
