// zel-render --about as a user runs it: the box under a private Xvfb, looked at with xdotool and
// ImageMagick's import and clicked away, and the texts printed where no box can show.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/plugin/about/image_pixels.h"
#include "tests/support/child_process.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/text.h"

namespace zel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::contains;

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        display_ = xvfb_.display();
        // A copy of the module in a folder of its own, with a grey picture for its box.
        fs::create_directories(picturePath_.parent_path());
        fs::copy_file(ZEL_MODULE_PATH, module_);
        ASSERT_EQ(cairo_surface_write_to_png(picture_.get(), picturePath_.c_str()), 0);
    }

    test::ProgramOptions options(bool withDisplay = true) const
    {
        return {.environment = {{"DISPLAY", withDisplay ? std::optional(display_) : std::nullopt},
                                {"XDG_STATE_HOME", dir_.string()},
                                {"XDG_CONFIG_HOME", dir_.string()}}};
    }

    test::Finished x(const std::vector<std::string>& command) const
    {
        return test::runProgram(command, 30s, options());
    }

    // The visible boxes once there are `count` (not none), once `opener` has ended, or after a
    // minute: set-up compiles every program first, slow on a loaded machine.
    std::vector<std::string> boxes(std::size_t count, test::ChildProcess& opener) const
    {
        std::vector<std::string> windows;
        const auto end = std::chrono::steady_clock::now() + 60s;
        while (windows.size() != count && std::chrono::steady_clock::now() < end &&
               !opener.waitFor(0ms)) {
            std::this_thread::sleep_for(100ms);
            std::istringstream found(
                x({"xdotool", "search", "--onlyvisible", "--classname", "org.example.zel"}).out);
            windows.assign(std::istream_iterator<std::string>(found), {});
        }
        return windows;
    }

    // What a command that showed no box left: its exit code, its output and the log, where the
    // texts go when no box can show.
    std::string whyNoBox(test::ChildProcess& opener) const
    {
        const std::optional<int> exitCode = opener.waitFor(0ms);
        const fs::path log = dir_ / "zel" / "zel-render.log";
        return "exit code " + (exitCode ? std::to_string(*exitCode) : std::string("none yet")) +
               "\n" + opener.out() + opener.err() + (fs::exists(log) ? test::readText(log) : "");
    }

    // The screen once the box shows its picture where no text goes, or after twenty seconds. The
    // latest is kept in the build tree for a person to look at.
    CairoSurface screenshotOnceDrawn() const
    {
        const std::string kept = fs::path(ZEL_SCREENSHOT_DIR) / "about_box.png";
        const auto end = std::chrono::steady_clock::now() + 20s;
        while (true) {
            EXPECT_EQ(x({"import", "-window", "root", "PNG24:" + kept}).exitCode, 0);
            CairoSurface shot = test::readPng(kept);
            if (std::chrono::steady_clock::now() > end ||
                test::changedOutsideTexts(shot.get(), picture_.get(), layout_) == 0) {
                return shot;
            }
        }
    }

    test::XServer xvfb_;
    std::string display_;
    test::ScratchDirectory scratch_{"zel-about"};
    fs::path dir_ = scratch_.path();
    fs::path module_ = dir_ / "bundle" / "zel.so";
    fs::path picturePath_ = dir_ / "bundle" / "resources" / "aboutbox.png";
    CairoSurface picture_ = test::uniformImage(320, 300, {128, 128, 128});
    AboutLayout layout_ = aboutLayout(320, 300);
    std::vector<std::string> command_ = {ZEL_RENDER_PATH, "--plugin", module_.string(), "--about"};
};

TEST_F(AboutBox, ShowsThePictureBesideTheModuleWithTheTextsUntilAClick)
{
    test::ChildProcess box(command_, options());
    const std::vector<std::string> shown = boxes(1, box);
    ASSERT_EQ(shown.size(), 1u) << whyNoBox(box);
    EXPECT_EQ(x({"xdotool", "getwindowgeometry", "--shell", shown[0]}).out,
              "WINDOW=" + shown[0] + "\nX=0\nY=0\nWIDTH=320\nHEIGHT=300\nSCREEN=0\n");
    test::expectTextsInPlace(screenshotOnceDrawn().get(), picture_.get(), layout_);

    // Another box covers this one and is taken away as each of these does: the other command
    // ends, and this box draws itself again. windowkill closes its connection to the server.
    for (const char* takeAway : {"windowclose", "windowunmap", "windowkill"}) {
        test::ChildProcess cover(command_, options());
        const std::vector<std::string> both = boxes(2, cover);
        ASSERT_EQ(both.size(), 2u) << whyNoBox(cover);
        x({"xdotool", takeAway, both[0] == shown[0] ? both[1] : both[0]});
        EXPECT_EQ(cover.waitFor(30s), 0) << takeAway << cover.out() << cover.err();
        EXPECT_EQ(test::changedOutsideTexts(screenshotOnceDrawn().get(), picture_.get(), layout_),
                  0)
            << takeAway;
    }

    x({"xdotool", "mousemove", "--sync", "300", "10", "click", "1"});
    EXPECT_EQ(box.waitFor(30s), 0) << box.out() << box.err();
}

TEST_F(AboutBox, WithoutDisplayOrPictureTheTextsArePrintedAtOnce)
{
    const fs::path log = dir_ / "zel" / "zel-render.log";
    const std::string texts =
        "VELTRANO ZEL. Fractal Noise Displacement of Polygons\n"
        "v1.2.0. https://zel.example.org \n"
        "OpenGL Information\n";
    // Without --verbose the texts go to the log only. The last row's module has no picture.
    for (const auto& [display, verbose] :
         {std::pair{false, false}, std::pair{false, true}, std::pair{true, true}}) {
        fs::remove(log);
        if (display) {
            fs::remove(picturePath_);
        }
        std::vector<std::string> command = command_;
        if (verbose) {
            command.push_back("--verbose");
        }
        // Set-up takes well under a second; a box waiting for a click holds the command.
        const test::Finished r = test::runProgram(command, 20s, options(display));
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_TRUE(contains(verbose ? r.out + r.err : test::readText(log), texts))
            << r.out << r.err;
        EXPECT_TRUE(verbose || r.out + r.err == "") << r.out << r.err;
    }
}

}  // namespace
}  // namespace zel
