// zel-render run as a program, as a user runs it: the fixture of the tests that drive the real
// binary against the real module, and what they read back.
#pragma once

#include <gtest/gtest.h>

#include <OpenImageIO/imagebuf.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/scratch_directory.h"

namespace zelrender {

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string contents(const std::filesystem::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

inline std::string shellQuoted(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

inline bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// What zel-render says on stderr, with the times in its summary line replaced by "T", so that it
// reads the same however long the run took: "... in T, T per frame".
inline std::string timesHidden(const std::string& err)
{
    return std::regex_replace(err, std::regex(" in [^,\n]+, [^\n]+ per frame\n"),
                              " in T, T per frame\n");
}

// Runs `command` in a shell; returns its exit code and stdout, with stderr read from `errFile`
// where the command sends it.
inline Outcome runShell(const std::string& command, const std::filesystem::path& errFile)
{
    Outcome result;
    FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        result.out.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = contents(errFile);
    return result;
}

class ZelRender : public ::testing::Test {
protected:
    // Runs zel-render in this test's own directory, with its log under `stateHome` and its
    // preferences in the directory, `environment` added, and stdout and stderr kept apart.
    Outcome run(const std::vector<std::string>& arguments, const std::string& stateHome = "") const
    {
        std::string command =
            "cd " + shellQuoted(dir_.string()) + " && " +
            "XDG_STATE_HOME=" + shellQuoted(stateHome.empty() ? dir_.string() : stateHome) +
            " XDG_CONFIG_HOME=" + shellQuoted(dir_.string());
        for (const auto& [name, value] : environment) {
            command += " " + name + "=" + shellQuoted(value);
        }
        command += " " + shellQuoted(ZEL_RENDER_PATH);
        for (const std::string& argument : arguments) {
            command += " " + shellQuoted(argument);
        }
        command += " 2>" + shellQuoted((dir_ / "stderr").string());
        return runShell(command, dir_ / "stderr");
    }

    std::filesystem::path log() const { return dir_ / "zel" / "zel-render.log"; }
    std::filesystem::path preferences() const { return dir_ / "zel" / "preferences.ini"; }

    zel::test::ScratchDirectory scratch_{"zel-render-cli"};
    std::filesystem::path dir_ = scratch_.path();
    std::map<std::string, std::string> environment;  // variables set for zel-render
};

// A written frame: its size, its channels' type and their values as fractions of the file's
// range, red, green, blue and alpha per pixel, alpha as stored.
struct Frame {
    int width = 0;
    int height = 0;
    OIIO::TypeDesc type;
    std::vector<float> rgba;

    const float* at(int x, int y) const
    {
        return &rgba[static_cast<std::size_t>((y * width + x) * 4)];
    }
};

inline Frame readFrame(const std::filesystem::path& file)
{
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    OIIO::ImageBuf image(file.string(), 0, 0, nullptr, &config);
    if (!image.read(0, 0, true, OIIO::TypeDesc::FLOAT)) {
        throw std::runtime_error(image.geterror());
    }
    const OIIO::ImageSpec& header = image.nativespec();
    Frame frame{header.width, header.height, header.format, {}};
    frame.rgba.resize(static_cast<std::size_t>(header.width * header.height * 4));
    image.get_pixels(OIIO::ROI(0, header.width, 0, header.height, 0, 1, 0, 4),
                     OIIO::TypeDesc::FLOAT, frame.rgba.data());
    return frame;
}

// The files in `dir` with `extension`, and every hidden one: a temporary file left behind shows.
inline std::set<std::string> filesIn(const std::filesystem::path& dir, const std::string& extension)
{
    std::set<std::string> names;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == extension || name.front() == '.') {
            names.insert(name);
        }
    }
    return names;
}

}  // namespace zelrender
