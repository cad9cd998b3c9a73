// The about box's content, drawn off screen over a plain grey picture.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "plugin/about/about_drawing.h"
#include "tests/plugin/about/image_pixels.h"

namespace zel {
namespace {

using test::countPixels;
using test::inside;
using test::isDark;
using test::isWhite;
using test::pixelAt;

constexpr test::Rgb kGrey = {128, 128, 128};

// Many long lines: more than the report's rectangle holds, each wider than it.
std::string overflowingReport()
{
    std::string report;
    for (int i = 0; i < 40; ++i) {
        report += std::string(120, 'M') + "\n";
    }
    return report;
}

class AboutDrawing : public ::testing::Test {
protected:
    CairoSurface draw(const AboutTexts& texts) const
    {
        CairoSurface box = drawAboutBox(picture_.get(), layout_, texts);
        if (box == nullptr) {
            throw std::runtime_error("no box was drawn");
        }
        return box;
    }

    bool inAnyText(int x, int y) const
    {
        return inside(layout_.report, x, y) || inside(layout_.productLine, x, y) ||
               inside(layout_.versionLine, x, y);
    }

    const AboutLayout layout_ = aboutLayout(640, 400);
    const CairoSurface picture_ = test::uniformImage(640, 400, kGrey);
};

TEST_F(AboutDrawing, ThePictureShowsUnchangedWhereNoTextGoes)
{
    const std::string report = overflowingReport();
    const CairoSurface box = draw({"PRODUCT LINE", "v1.2.0. https://zel.example.org ", report.c_str()});
    ASSERT_EQ(cairo_image_surface_get_width(box.get()), 640);
    ASSERT_EQ(cairo_image_surface_get_height(box.get()), 400);
    const int changed = countPixels(0, 0, 640, 400, [&](int x, int y) {
        return !inAnyText(x, y) && !(pixelAt(box.get(), x, y) == kGrey);
    });
    EXPECT_EQ(changed, 0);
}

TEST_F(AboutDrawing, TheReportIsBlackFromTheTopOfItsRectangleDown)
{
    const CairoSurface box = draw({"", "", "MMMMMMMM"});
    const TextRect& r = layout_.report;  // 145 to 395 from the top
    const auto dark = [&](int x, int y) { return isDark(pixelAt(box.get(), x, y)); };
    EXPECT_GT(countPixels(5, 145, 505, 160, dark), 100) << "the first line sits at the top";
    EXPECT_EQ(countPixels(0, 160, 640, 400, dark), 0) << "one line takes no more than 15 rows";
    EXPECT_EQ(countPixels(0, 0, 640, static_cast<int>(r.y), dark), 0);
    EXPECT_EQ(countPixels(0, 0, 640, 400, [&](int x, int y) {
                  return isWhite(pixelAt(box.get(), x, y));
              }),
              0);
}

TEST_F(AboutDrawing, TheTwoLinesAreWhiteEachInItsOwnBand)
{
    const CairoSurface box = draw({"MMMMMMMM", "WWWWWWWW", ""});
    const auto white = [&](int x, int y) { return isWhite(pixelAt(box.get(), x, y)); };
    EXPECT_GT(countPixels(5, 365, 505, 380, white), 50) << "the product line, above";
    EXPECT_GT(countPixels(5, 380, 505, 395, white), 50) << "the version line, below";
    EXPECT_EQ(countPixels(0, 0, 640, 365, white), 0);
    EXPECT_EQ(countPixels(0, 395, 640, 400, white), 0);
    EXPECT_EQ(countPixels(505, 0, 640, 400, white), 0);
}

TEST_F(AboutDrawing, ReportLinesGoDownOneUnderAnotherAndStopAtTheRectangle)
{
    const std::string report = overflowingReport();
    const CairoSurface box = draw({"", "", report.c_str()});
    // Rows holding ink in the report's first letter column, counted as runs.
    int runs = 0;
    bool inRun = false;
    for (int y = 0; y < 400; ++y) {
        const bool ink = countPixels(5, y, 15, y + 1, [&](int x, int row) {
                             return isDark(pixelAt(box.get(), x, row));
                         }) > 0;
        runs += ink && !inRun ? 1 : 0;
        inRun = ink;
    }
    // 250 rows hold about 17 lines of 12-point text; the font's exact line height varies.
    EXPECT_GE(runs, 15);
    EXPECT_LE(runs, 21);
    const auto outside = [&](int x, int y) {
        return !inside(layout_.report, x, y) && isDark(pixelAt(box.get(), x, y));
    };
    EXPECT_EQ(countPixels(0, 0, 640, 400, outside), 0) << "cut at the rectangle's edges";
}

TEST_F(AboutDrawing, TheWhiteLinesLieOverTheReport)
{
    const CairoSurface alone = draw({"MMMMMMMMMMMMMMMM", "MMMMMMMMMMMMMMMM", ""});
    const std::string report = overflowingReport();
    const CairoSurface covered =
        draw({"MMMMMMMMMMMMMMMM", "MMMMMMMMMMMMMMMM", report.c_str()});
    int whiteAlone = 0;
    int stillWhite = 0;
    for (int y = 365; y < 395; ++y) {
        for (int x = 5; x < 505; ++x) {
            if (isWhite(pixelAt(alone.get(), x, y))) {
                ++whiteAlone;
                stillWhite += isWhite(pixelAt(covered.get(), x, y)) ? 1 : 0;
            }
        }
    }
    ASSERT_GT(whiteAlone, 100);
    EXPECT_EQ(stillWhite, whiteAlone);
}

TEST_F(AboutDrawing, BytesOutsideAsciiDoNotStopTheDrawing)
{
    const CairoSurface box = draw({"MMMM", "MMMM", "Renderer: caf\xe9 \x01"});
    EXPECT_GT(countPixels(5, 145, 505, 160, [&](int x, int y) {
                  return isDark(pixelAt(box.get(), x, y));
              }),
              50);
    EXPECT_GT(countPixels(5, 365, 505, 395, [&](int x, int y) {
                  return isWhite(pixelAt(box.get(), x, y));
              }),
              50)
        << "the lines drawn after the report still show";
}

TEST_F(AboutDrawing, AnImpossibleSizeGivesNoBox)
{
    EXPECT_EQ(drawAboutBox(picture_.get(), aboutLayout(-4, 10), {"a", "b", "c"}), nullptr);
}

}  // namespace
}  // namespace zel
