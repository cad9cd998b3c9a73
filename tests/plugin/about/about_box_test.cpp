// The about box in process: where its texts go in X11's top-left-origin pixels, how they are
// drawn over its picture, and the texts the command prints where no box can show.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>

#include "plugin/about/about_command.h"
#include "plugin/about/about_drawing.h"
#include "plugin/render/shared_gl_state.h"
#include "tests/plugin/about/image_pixels.h"

namespace zel {
namespace {

using test::countColour;

TEST(AboutLayout, TextsKeepTheirPlacesFromTheBottomOfTheWholePixelWindow)
{
    const auto fields = [](const TextRect& r) { return std::tuple{r.x, r.y, r.width, r.height}; };
    // The window is cut, not rounded, to whole pixels, and the texts are flipped in it.
    for (const auto& [width, height, w, h, reportY, productY, versionY] :
         {std::tuple{640.7, 400.2, 640, 400, 145.0, 365.0, 380.0},
          std::tuple{320.9, 300.8, 320, 300, 45.0, 265.0, 280.0}}) {
        const AboutLayout layout = aboutLayout(width, height);
        EXPECT_EQ(std::tuple(layout.width, layout.height), std::tuple(w, h));
        EXPECT_EQ(fields(layout.report), std::tuple(5.0, reportY, 500.0, 250.0));
        EXPECT_EQ(fields(layout.productLine), std::tuple(5.0, productY, 500.0, 15.0));
        EXPECT_EQ(fields(layout.versionLine), std::tuple(5.0, versionY, 500.0, 15.0));
    }
}

TEST(AboutDrawing, TextsLieInTheirRectanglesOverThePicture)
{
    const AboutLayout layout = aboutLayout(640, 400);
    const CairoSurface picture = test::uniformImage(640, 400, {128, 128, 128});
    // More lines than the report's rectangle holds, each wider than it; the first has bytes
    // outside ASCII, which must not stop the drawing of what follows.
    std::string report = "Renderer: caf\xe9 \x01\n";
    for (int i = 0; i < 40; ++i) {
        report += std::string(120, 'M') + "\n";
    }
    const AboutTexts lines = {"MMMMMMMMMMMMMMMMMMMMMMMM", "MMMMMMMM", ""};
    const CairoSurface box =
        drawAboutBox(picture.get(), layout, {lines.productLine, lines.versionLine, report.c_str()});
    const CairoSurface linesAlone = drawAboutBox(picture.get(), layout, lines);
    ASSERT_NE(box, nullptr);
    ASSERT_NE(linesAlone, nullptr);
    test::expectTextsInPlace(box.get(), picture.get(), layout);
    EXPECT_EQ(countColour(box.get(), layout, {0, 0, 640, 400}, test::isWhite),
              countColour(linesAlone.get(), layout, {0, 0, 640, 400}, test::isWhite))
        << "the white lines lie over the report";

    // Rows with ink in the report's first letter column, counted as runs: one a line. 250 rows
    // hold about 17 lines of 12-point text; the font's exact line height varies.
    int runs = 0;
    for (int y = 1; y < 400; ++y) {
        const auto ink = [&](int row) {
            return countColour(box.get(), layout, {5, 1.0 * row, 10, 1}, test::isDark) > 0;
        };
        runs += ink(y) && !ink(y - 1) ? 1 : 0;
    }
    EXPECT_GE(runs, 15);
    EXPECT_LE(runs, 21);

    EXPECT_EQ(drawAboutBox(picture.get(), aboutLayout(-4, 10), lines), nullptr)
        << "a box that cannot be made is no box";
}

// A host that lends no sprintf gets the same texts as one that does (zel-render, tested with it).
TEST(AboutCommand, FormatsTheTextsWithoutTheHostsSprintf)
{
    // This process has the module's about picture beside it: with no display, no box waits for
    // a click.
    ::unsetenv("DISPLAY");
    // A set-up that finds no pixel format leaves the report that says so.
    OpenGLSetupEnvironment environment = defaultOpenGLSetupEnvironment();
    static platform::ContextPlatform noContext = *environment.platform;
    noContext.choosePixelFormat = [](const int*) -> platform::PixelFormat* { return nullptr; };
    environment.platform = &noContext;
    sharedGL().initialize(environment);
    PF_UtilCallbacks withoutSprintf{};
    for (PF_UtilCallbacks* utils : {&withoutSprintf, static_cast<PF_UtilCallbacks*>(nullptr)}) {
        PF_InData in{};
        in.utils = utils;
        PF_OutData out{};
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(About(&in, &out, nullptr, nullptr), PF_Err_NONE);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(),
                  "VELTRANO ZEL. Fractal Noise Displacement of Polygons\n"
                  "v1.2.0. https://zel.example.org \n"
                  "OpenGL Information\n\nNo OpenGL context could be created.\n");
    }
}

}  // namespace
}  // namespace zel
