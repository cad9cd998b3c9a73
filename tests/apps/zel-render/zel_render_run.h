// zel-render run as a user runs it, in a directory of the test's own that also holds its log and
// preferences, and what the tests read back from the files it writes.
#pragma once

#include <gtest/gtest.h>

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imagebufalgo.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/text.h"

namespace zelrender {

namespace fs = std::filesystem;
using zel::test::contains;
using zel::test::Finished;
using zel::test::readText;
using zel::test::writeText;

// The lines of `text`, a last one without its newline included.
inline std::size_t lines(const std::string& text)
{
    const auto ends = static_cast<std::size_t>(std::ranges::count(text, '\n'));
    return ends + (text.empty() || text.ends_with('\n') ? 0 : 1);
}

// stderr with the times of the summary line as "T", the same however long the run took.
inline std::string timesHidden(const std::string& err)
{
    return std::regex_replace(err, std::regex(" in [^,\n]+, [^\n]+ per frame\n"),
                              " in T, T per frame\n");
}

// Every name in `dir`: a temporary file left behind shows too.
inline std::set<std::string> filesIn(const fs::path& dir)
{
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// A written image: its size, its channels' type, and red, green, blue and alpha per pixel as
// fractions of the file's range, alpha as stored (1 where there is none).
struct Frame {
    int width = 0;
    int height = 0;
    OIIO::TypeDesc type;
    std::vector<float> rgba;

    // Channel `c` (0 red to 3 alpha) of every pixel.
    std::vector<float> channel(int c) const
    {
        std::vector<float> values;
        for (std::size_t i = static_cast<std::size_t>(c); i < rgba.size(); i += 4) {
            values.push_back(rgba[i]);
        }
        return values;
    }
};

inline Frame readFrame(const fs::path& file)
{
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    OIIO::ImageBuf image(file.string(), 0, 0, nullptr, &config);
    if (!image.read(0, 0, true, OIIO::TypeDesc::FLOAT)) {
        throw std::runtime_error(image.geterror());
    }
    const OIIO::ImageSpec header = image.nativespec();
    Frame frame{header.width, header.height, header.format, {}};
    if (header.nchannels == 3) {  // opaque
        const int order[] = {0, 1, 2, -1};
        const float opaque[] = {0, 0, 0, 1};
        image = OIIO::ImageBufAlgo::channels(image, 4, order, opaque);
    }
    frame.rgba.resize(static_cast<std::size_t>(header.width * header.height * 4));
    image.get_pixels(OIIO::ROI(0, header.width, 0, header.height, 0, 1, 0, 4),
                     OIIO::TypeDesc::FLOAT, frame.rgba.data());
    return frame;
}

class ZelRender : public ::testing::Test {
protected:
    static std::vector<std::string> command(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), ZEL_RENDER_PATH);
        return arguments;
    }

    // Run in the test's directory, which is also its state and configuration home unless
    // `environment` names another.
    zel::test::ProgramOptions options(zel::test::EnvironmentChanges environment = {}) const
    {
        for (const char* name : {"XDG_STATE_HOME", "XDG_CONFIG_HOME"}) {
            if (std::ranges::none_of(environment, [&](auto& change) { return change.first == name; })) {
                environment.emplace_back(name, dir_.string());
            }
        }
        return {environment, dir_};
    }

    Finished run(const std::vector<std::string>& arguments,
                 const zel::test::EnvironmentChanges& environment = {}) const
    {
        return zel::test::runProgram(command(arguments), std::chrono::minutes(2),
                                     options(environment));
    }

    fs::path log() const { return dir_ / "zel" / "zel-render.log"; }

    zel::test::ScratchDirectory scratch_{"zel-render"};
    const fs::path dir_ = scratch_.path();
};

}  // namespace zelrender
