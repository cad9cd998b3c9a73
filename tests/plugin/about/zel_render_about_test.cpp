// zel-render --about where there is no display: the command answers at once, the texts go where
// the module's messages go.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/scratch_directory.h"

namespace zel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kTexts =
    "VELTRANO ZEL. Fractal Noise Displacement of Polygons\n"
    "v1.2.0. https://zel.example.org \n"
    "OpenGL Information\n\nVersion: ";

// Set-up takes well under a second; a box waiting for a click would hold the command forever.
constexpr auto kPromptly = 20s;

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class ZelRenderAboutWithoutDisplay : public ::testing::Test {
protected:
    test::Finished run(const std::vector<std::string>& options) const
    {
        std::vector<std::string> arguments = {ZEL_RENDER_PATH};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return test::runProgram(arguments, kPromptly,
                                {.environment = {{"DISPLAY", std::nullopt},
                                 {"XDG_STATE_HOME", dir_.string()},
                                 {"XDG_CONFIG_HOME", dir_.string()}}});
    }

    std::string log() const
    {
        std::ostringstream text;
        text << std::ifstream(dir_ / "zel" / "zel-render.log").rdbuf();
        return text.str();
    }

    zel::test::ScratchDirectory scratch_{"zel-about-cli"};
    fs::path dir_ = scratch_.path();
};

TEST_F(ZelRenderAboutWithoutDisplay, AnswersZeroAtOnceWithTheTextsAmongTheModulesMessages)
{
    const test::Finished r = run({"--about", "--verbose"});
    EXPECT_EQ(r.exitCode, 0) << (r.out + r.err);
    EXPECT_TRUE(contains((r.out + r.err), kTexts)) << (r.out + r.err);
}

TEST_F(ZelRenderAboutWithoutDisplay, WithoutVerboseTheTextsGoToTheLogAndNothingToTheTerminal)
{
    const test::Finished r = run({"--about"});
    EXPECT_EQ(r.exitCode, 0) << (r.out + r.err);
    EXPECT_EQ((r.out + r.err), "");
    EXPECT_TRUE(contains(log(), kTexts)) << log();
}

TEST_F(ZelRenderAboutWithoutDisplay, AModuleWithoutItsPictureAnswersTheSame)
{
    fs::copy_file(ZEL_MODULE_PATH, dir_ / "zel.so");
    const test::Finished r = run({"--plugin", (dir_ / "zel.so").string(), "--about", "-v"});
    EXPECT_EQ(r.exitCode, 0) << (r.out + r.err);
    EXPECT_TRUE(contains((r.out + r.err), kTexts)) << (r.out + r.err);
}

TEST_F(ZelRenderAboutWithoutDisplay, HelpNamesTheOption)
{
    const test::Finished r = run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(contains((r.out + r.err), "--about")) << (r.out + r.err);
}

}  // namespace
}  // namespace zel
