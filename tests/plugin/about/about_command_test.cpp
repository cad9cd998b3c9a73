// The about command without a display: the texts it formats, and where they go.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "plugin/about/about_command.h"
#include "plugin/entry/opengl_setup.h"

namespace zel {
namespace {

constexpr const char* kReport = "OpenGL Information\n\nVersion: 9.9 test\nVendor: nobody";
constexpr const char* kExpectedTexts =
    "VELTRANO ZEL. Fractal Noise Displacement of Polygons\n"
    "v1.2.0. https://zel.example.org \n"
    "OpenGL Information\n\nVersion: 9.9 test\nVendor: nobody\n";

std::vector<std::string> gFormats;

int recordingSprintf(char* buffer, const char* format, ...)
{
    gFormats.emplace_back(format);
    va_list args;
    va_start(args, format);
    const int written = std::vsprintf(buffer, format, args);
    va_end(args);
    return written;
}

// What the code under test writes to standard output while it lives.
class StdoutCapture {
public:
    StdoutCapture()
    {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        std::FILE* file = std::tmpfile();
        file_ = file;
        ::dup2(::fileno(file), STDOUT_FILENO);
    }
    ~StdoutCapture() { release(); }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    std::string text()
    {
        release();
        std::rewind(file_);
        std::string captured;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) {
            captured.append(buffer, n);
        }
        return captured;
    }

private:
    void release()
    {
        if (saved_ >= 0) {
            std::fflush(stdout);
            ::dup2(saved_, STDOUT_FILENO);
            ::close(saved_);
            saved_ = -1;
        }
    }

    int saved_ = -1;
    std::FILE* file_ = nullptr;
};

// No display, whatever the developer's session has: the box must not wait for a click here.
class AboutCommand : public ::testing::Test {
protected:
    AboutCommand()
    {
        if (const char* display = std::getenv("DISPLAY")) {
            display_ = display;
        }
        ::unsetenv("DISPLAY");
        std::snprintf(g_openglInfo, kOpenGLInfoSize, "%s", kReport);
        gFormats.clear();
        utils_.ansi.sprintf = recordingSprintf;
        in_.utils = &utils_;
    }
    ~AboutCommand() override
    {
        if (display_) {
            ::setenv("DISPLAY", display_->c_str(), 1);
        }
        g_openglInfo[0] = '\0';
    }

    std::string runAbout(PF_InData* in)
    {
        StdoutCapture capture;
        EXPECT_EQ(About(in, &out_, nullptr, nullptr), PF_Err_NONE);
        return capture.text();
    }

    std::optional<std::string> display_;
    PF_UtilCallbacks utils_{};
    PF_InData in_{};
    PF_OutData out_{};
};

TEST_F(AboutCommand, FormatsBothLinesWithTheHostsSprintf)
{
    EXPECT_EQ(runAbout(&in_), kExpectedTexts);
    EXPECT_EQ(gFormats, (std::vector<std::string>{"%s. %s", "v%d.%d.%d. %s "}));
}

TEST_F(AboutCommand, WithoutTheHostsSprintfTheTextsAreTheSame)
{
    utils_.ansi.sprintf = nullptr;
    EXPECT_EQ(runAbout(&in_), kExpectedTexts);
    in_.utils = nullptr;
    EXPECT_EQ(runAbout(&in_), kExpectedTexts);
    EXPECT_TRUE(gFormats.empty());
}

TEST_F(AboutCommand, AnEmptyReportLeavesAnEmptyLine)
{
    g_openglInfo[0] = '\0';
    EXPECT_EQ(runAbout(&in_),
              "VELTRANO ZEL. Fractal Noise Displacement of Polygons\n"
              "v1.2.0. https://zel.example.org \n\n");
}

TEST_F(AboutCommand, TheOutputRecordIsLeftAlone)
{
    runAbout(&in_);
    EXPECT_EQ(out_.out_flags, 0);
    EXPECT_EQ(out_.return_msg[0], '\0');
}

}  // namespace
}  // namespace zel
