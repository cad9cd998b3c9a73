// The about box for real: zel-render --about under a private Xvfb, looked at with xdotool and
// ImageMagick's import, and clicked away.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "plugin/about/about_layout.h"
#include "tests/support/child_process.h"
#include "tests/plugin/about/image_pixels.h"
#include "tests/support/scratch_directory.h"

namespace zel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::countPixels;
using test::inside;
using test::isDark;
using test::isWhite;
using test::pixelAt;

constexpr const char* kWindowClass = "org.example.zel";
constexpr const char* kTexts =
    "VELTRANO ZEL. Fractal Noise Displacement of Polygons\n"
    "v1.2.0. https://zel.example.org \n"
    "OpenGL Information\n";
// Set-up takes well under a second on llvmpipe; these leave room for a loaded machine.
constexpr auto kWindowAppears = 20s;
constexpr auto kEndsAfterClick = 5s;

// The visible about box's window id; empty when none shows within `limit`.
std::string waitForWindow(std::chrono::milliseconds limit)
{
    const test::Finished found = test::runProgram(
        {"xdotool", "search", "--sync", "--onlyvisible", "--classname", kWindowClass}, limit);
    return found.exitCode == 0 ? found.out.substr(0, found.out.find('\n')) : "";
}

bool windowVisible()
{
    return test::runProgram({"xdotool", "search", "--onlyvisible", "--classname", kWindowClass},
                            5s)
               .exitCode == 0;
}

// X, Y, WIDTH and HEIGHT of a window, as xdotool reports them.
std::map<std::string, int> geometryOf(const std::string& window)
{
    const test::Finished shell =
        test::runProgram({"xdotool", "getwindowgeometry", "--shell", window}, 5s);
    std::map<std::string, int> geometry;
    std::istringstream lines(shell.out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) {
            geometry[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
        }
    }
    return geometry;
}

void click(int x, int y)
{
    test::runProgram(
        {"xdotool", "mousemove", "--sync", std::to_string(x), std::to_string(y), "click", "1"},
        5s);
}

CairoSurface screenshot(const fs::path& path)
{
    const test::Finished import =
        test::runProgram({"import", "-window", "root", "PNG24:" + path.string()}, 10s);
    if (import.exitCode != 0) {
        throw std::runtime_error("import failed: " + import.err);
    }
    return test::readPng(path);
}

// Covers the screen's top-left corner with another client's window for a moment, so that the
// box must draw that part again.
void coverAndUncoverTheCorner()
{
    const std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr),
                                                              XCloseDisplay);
    ASSERT_NE(display, nullptr);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = WhitePixel(display.get(), DefaultScreen(display.get()));
    const Window cover = XCreateWindow(
        display.get(), DefaultRootWindow(display.get()), 0, 0, 200, 200, 0, CopyFromParent,
        InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(display.get(), cover);
    XSync(display.get(), False);
    std::this_thread::sleep_for(200ms);
    XDestroyWindow(display.get(), cover);
    XSync(display.get(), False);
}

// Takes the window manager's part and never maps what clients ask to map, so that a window can
// be destroyed before it ever shows.
class WindowManagerThatMapsNothing {
public:
    WindowManagerThatMapsNothing() : display_(XOpenDisplay(nullptr), XCloseDisplay)
    {
        if (display_ != nullptr) {
            XSelectInput(display_.get(), DefaultRootWindow(display_.get()),
                         SubstructureRedirectMask);
            XSync(display_.get(), False);
        }
    }
    bool running() const { return display_ != nullptr; }

private:
    std::unique_ptr<Display, int (*)(Display*)> display_;
};

class AboutWindow : public ::testing::Test {
protected:
    std::unique_ptr<test::ChildProcess> start(const fs::path& module) const
    {
        return std::make_unique<test::ChildProcess>(
            std::vector<std::string>{ZEL_RENDER_PATH, "--plugin", module.string(), "--about",
                                     "--verbose"},
            test::ProgramOptions{.environment = {{"XDG_STATE_HOME", dir_.string()},
                                     {"XDG_CONFIG_HOME", dir_.string()}}});
    }

    // A copy of the module in a directory of its own, with `picture` as its about box's
    // picture when one is given, or with `resource` as the picture's file.
    fs::path copiedModule(cairo_surface_t* picture, const std::string& resource = "") const
    {
        const fs::path bundle = dir_ / "bundle";
        fs::create_directories(bundle / "resources");
        fs::copy_file(ZEL_MODULE_PATH, bundle / "zel.so");
        if (picture != nullptr) {
            test::writePng(picture, bundle / "resources" / "aboutbox.png");
        } else if (!resource.empty()) {
            std::ofstream(bundle / "resources" / "aboutbox.png") << resource;
        }
        return bundle / "zel.so";
    }

    // Pixels of the box whose colour differs from `picture` where no text goes.
    static int changedOutsideTexts(cairo_surface_t* shot, cairo_surface_t* picture,
                                   const AboutLayout& layout)
    {
        return countPixels(0, 0, layout.width, layout.height, [&](int x, int y) {
            const bool text = inside(layout.report, x, y) || inside(layout.productLine, x, y) ||
                              inside(layout.versionLine, x, y);
            return !text && !(pixelAt(shot, x, y) == pixelAt(picture, x, y));
        });
    }

    // The screen once the box shows `picture` where no text goes, or the last one taken after
    // five seconds. The latest is kept in the build tree for a person to look at.
    CairoSurface screenshotOnceDrawn(cairo_surface_t* picture, const AboutLayout& layout) const
    {
        const fs::path kept = fs::path(ZEL_SCREENSHOT_DIR) /
                              (::testing::UnitTest::GetInstance()->current_test_info()->name() +
                               std::string(".png"));
        CairoSurface shot = screenshot(kept);
        for (int tries = 0; tries < 50 && changedOutsideTexts(shot.get(), picture, layout) > 0;
             ++tries) {
            std::this_thread::sleep_for(100ms);
            shot = screenshot(kept);
        }
        return shot;
    }

    zel::test::ScratchDirectory scratch_{"zel-about-x"};
    fs::path dir_ = scratch_.path();
};

TEST_F(AboutWindow, TheBuiltBoxShowsItsPictureAtTheOriginUntilAClickAnywhere)
{
    const CairoSurface picture = test::readPng(fs::path(ZEL_MODULE_PATH).parent_path() /
                                               "resources" / "aboutbox.png");
    const AboutLayout layout = aboutLayout(cairo_image_surface_get_width(picture.get()),
                                           cairo_image_surface_get_height(picture.get()));
    const auto zelRender = start(ZEL_MODULE_PATH);
    const std::string window = waitForWindow(kWindowAppears);
    ASSERT_FALSE(window.empty()) << (zelRender->out() + zelRender->err());

    const std::map<std::string, int> geometry = geometryOf(window);
    EXPECT_EQ(geometry.at("X"), 0);
    EXPECT_EQ(geometry.at("Y"), 0);
    EXPECT_EQ(geometry.at("WIDTH"), layout.width);
    EXPECT_EQ(geometry.at("HEIGHT"), layout.height);

    const CairoSurface shot = screenshotOnceDrawn(picture.get(), layout);
    EXPECT_EQ(changedOutsideTexts(shot.get(), picture.get(), layout), 0);
    // Text shows as pixels turned white in the lines' band and black in the report's.
    const auto turned = [&](bool (*colour)(const test::Rgb&)) {
        return [&, colour](int x, int y) {
            return colour(pixelAt(shot.get(), x, y)) && !colour(pixelAt(picture.get(), x, y));
        };
    };
    const TextRect& product = layout.productLine;
    EXPECT_GT(countPixels(5, static_cast<int>(product.y), 505, layout.height - 5,
                          turned(isWhite)),
              100);
    EXPECT_GT(countPixels(5, static_cast<int>(layout.report.y), 505, layout.height - 5,
                          turned(isDark)),
              100);

    EXPECT_FALSE(zelRender->waitFor(300ms)) << "the command waits for the click";
    click(layout.width - 20, 20);
    EXPECT_EQ(zelRender->waitFor(kEndsAfterClick), 0) << (zelRender->out() + zelRender->err());
    EXPECT_FALSE(windowVisible());
}

TEST_F(AboutWindow, TheTextsLieWhereTheyBelongOverTheCopiedModulesOwnPicture)
{
    constexpr test::Rgb kGrey = {128, 128, 128};
    const CairoSurface picture = test::uniformImage(320, 300, kGrey);
    const AboutLayout layout = aboutLayout(320, 300);
    const auto zelRender = start(copiedModule(picture.get()));
    const std::string window = waitForWindow(kWindowAppears);
    ASSERT_FALSE(window.empty()) << (zelRender->out() + zelRender->err());
    EXPECT_EQ(geometryOf(window).at("WIDTH"), 320) << "the picture beside the copy is used";
    EXPECT_EQ(geometryOf(window).at("HEIGHT"), 300);

    const CairoSurface shot = screenshotOnceDrawn(picture.get(), layout);
    EXPECT_EQ(changedOutsideTexts(shot.get(), picture.get(), layout), 0);
    const auto white = [&](int x, int y) { return isWhite(pixelAt(shot.get(), x, y)); };
    const auto dark = [&](int x, int y) { return isDark(pixelAt(shot.get(), x, y)); };
    EXPECT_GT(countPixels(5, 265, 320, 280, white), 50) << "the product line";
    EXPECT_GT(countPixels(5, 280, 320, 295, white), 50) << "the version line";
    EXPECT_EQ(countPixels(0, 0, 320, 265, white), 0);
    EXPECT_GT(countPixels(5, 45, 320, 60, dark), 50) << "the report's first line";
    EXPECT_EQ(countPixels(0, 0, 320, 45, dark), 0);

    click(300, 10);
    EXPECT_EQ(zelRender->waitFor(kEndsAfterClick), 0) << (zelRender->out() + zelRender->err());
}

TEST_F(AboutWindow, AnUncoveredBoxIsDrawnAgain)
{
    const CairoSurface picture = test::uniformImage(320, 300, {40, 90, 160});
    const AboutLayout layout = aboutLayout(320, 300);
    const auto zelRender = start(copiedModule(picture.get()));
    ASSERT_FALSE(waitForWindow(kWindowAppears).empty()) << (zelRender->out() + zelRender->err());
    ASSERT_EQ(changedOutsideTexts(screenshotOnceDrawn(picture.get(), layout).get(),
                                  picture.get(), layout),
              0);

    coverAndUncoverTheCorner();
    EXPECT_EQ(changedOutsideTexts(screenshotOnceDrawn(picture.get(), layout).get(),
                                  picture.get(), layout),
              0);
    click(10, 10);
    EXPECT_EQ(zelRender->waitFor(kEndsAfterClick), 0) << (zelRender->out() + zelRender->err());
}

TEST_F(AboutWindow, WithoutAReadablePictureNoWindowWaitsAndTheTextsArePrinted)
{
    for (const std::string& resource : {std::string(), std::string("not a picture\n")}) {
        fs::remove_all(dir_ / "bundle");
        const auto zelRender = start(copiedModule(nullptr, resource));
        EXPECT_EQ(zelRender->waitFor(kWindowAppears), 0) << (zelRender->out() + zelRender->err());
        EXPECT_NE((zelRender->out() + zelRender->err()).find(kTexts), std::string::npos) << (zelRender->out() + zelRender->err());
    }
}

TEST_F(AboutWindow, AWindowDestroyedBeforeItShowsEndsTheCommand)
{
    const WindowManagerThatMapsNothing windowManager;
    ASSERT_TRUE(windowManager.running());
    const auto zelRender = start(ZEL_MODULE_PATH);
    const test::Finished found = test::runProgram(
        {"xdotool", "search", "--sync", "--classname", kWindowClass}, kWindowAppears);
    ASSERT_EQ(found.exitCode, 0) << (zelRender->out() + zelRender->err());
    EXPECT_FALSE(windowVisible());
    test::runProgram({"xdotool", "windowclose", found.out.substr(0, found.out.find('\n'))},
                     5s);
    EXPECT_EQ(zelRender->waitFor(kEndsAfterClick), 0) << (zelRender->out() + zelRender->err());
}

// Whoever takes the window away, the host gets its answer and carries on.
class AboutWindowTakenAway : public AboutWindow,
                             public ::testing::WithParamInterface<const char*> {};

TEST_P(AboutWindowTakenAway, TheCommandAnswersZero)
{
    const auto zelRender = start(ZEL_MODULE_PATH);
    const std::string window = waitForWindow(kWindowAppears);
    ASSERT_FALSE(window.empty()) << (zelRender->out() + zelRender->err());
    test::runProgram({"xdotool", GetParam(), window}, 5s);
    EXPECT_EQ(zelRender->waitFor(kEndsAfterClick), 0) << (zelRender->out() + zelRender->err());
}

// windowclose destroys the window; windowkill closes the box's connection to the server.
INSTANTIATE_TEST_SUITE_P(ByXdotool, AboutWindowTakenAway,
                         ::testing::Values("windowclose", "windowunmap", "windowkill"));

}  // namespace
}  // namespace zel
