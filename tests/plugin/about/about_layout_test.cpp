// The about box's size and where its texts go.
#include <gtest/gtest.h>

#include "plugin/about/about_layout.h"

namespace zel {
namespace {

void expectRect(const TextRect& actual, const TextRect& expected)
{
    EXPECT_DOUBLE_EQ(actual.x, expected.x);
    EXPECT_DOUBLE_EQ(actual.y, expected.y);
    EXPECT_DOUBLE_EQ(actual.width, expected.width);
    EXPECT_DOUBLE_EQ(actual.height, expected.height);
}

TEST(AboutLayout, TheWindowTakesThePicturesSizeCutToWholePixels)
{
    const AboutLayout layout = aboutLayout(640.7, 400.2);
    EXPECT_EQ(layout.width, 640);
    EXPECT_EQ(layout.height, 400);

    const AboutLayout almost = aboutLayout(99.99, 3.0);
    EXPECT_EQ(almost.width, 99);
    EXPECT_EQ(almost.height, 3);
}

TEST(AboutLayout, TextsKeepTheirPlacesFromTheBottomLeftCorner)
{
    const AboutLayout layout = aboutLayout(640, 400);
    expectRect(layout.report, {5, 145, 500, 250});
    expectRect(layout.productLine, {5, 365, 500, 15});
    expectRect(layout.versionLine, {5, 380, 500, 15});
}

TEST(AboutLayout, TextsAreFlippedInTheWholePixelWindowNotInThePicture)
{
    const AboutLayout layout = aboutLayout(320.9, 300.8);
    expectRect(layout.report, {5, 45, 500, 250});
    expectRect(layout.productLine, {5, 265, 500, 15});
    expectRect(layout.versionLine, {5, 280, 500, 15});
}

}  // namespace
}  // namespace zel
