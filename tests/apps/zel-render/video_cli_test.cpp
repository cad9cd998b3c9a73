// zel-render writing videos through ffmpeg: what the file holds as ffprobe reads it, and how a
// missing or failing ffmpeg ends the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "tests/apps/zel-render/zel_render_run.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;

// The first video stream of a file, as ffprobe counts and describes it.
nlohmann::json probe(const fs::path& file)
{
    const Outcome r = runShell("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                               "stream=codec_name,width,height,pix_fmt,r_frame_rate,nb_read_frames "
                               "-of json " +
                                   shellQuoted(file.string()) + " 2>/dev/null",
                               "/dev/null");
    return nlohmann::json::parse(r.out).at("streams").at(0);
}

class ZelRenderVideo : public ZelRender {
protected:
    ZelRenderVideo()
    {
        std::ofstream(dir_ / "scene.json") << R"({
            "composition": {"width": 48, "height": 27, "fps": 29.97, "bits_per_channel": 16},
            "controls": {"Evolution": {"keyframes": [[0, 0], [1, 300]]}}
        })";
    }

    // A program called ffmpeg, alone on PATH, running `script`.
    void fakeEncoder(const std::string& script)
    {
        fs::create_directories(dir_ / "bin");
        std::ofstream(dir_ / "bin" / "ffmpeg") << "#!/bin/sh\n" << script;
        fs::permissions(dir_ / "bin" / "ffmpeg", fs::perms::owner_all);
        environment["PATH"] = (dir_ / "bin").string();
    }
};

TEST_F(ZelRenderVideo, EachKindHoldsEveryFrameAtTheRateOverTheStep)
{
    const struct {
        std::vector<std::string> arguments;
        const char* file;
        const char* codec;
        int width;
        int height;
        const char* rate;
        int frames;
    } cases[] = {
        // H.264 takes even sizes: the odd height gains a row.
        {{"--frames", "0-5"}, "clip.mp4", "h264", 48, 28, "2997/100", 6},
        {{"--frames", "0-10x2", "-j", "2"}, "clip.mov", "prores", 48, 27, "2997/200", 6},
        // GIF holds times in hundredths of a second: 3.33 fps becomes 0.3 s a frame.
        {{"--frames", "3-29x9", "-j", "3", "--bpc", "8"}, "clip.GIF", "gif", 48, 27, "10/3", 3},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {"scene.json", "-o", c.file};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const Outcome r = run(arguments);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const nlohmann::json stream = probe(dir_ / c.file);
        EXPECT_EQ(stream["codec_name"], c.codec) << c.file;
        EXPECT_EQ(stream["width"], c.width) << c.file;
        EXPECT_EQ(stream["height"], c.height) << c.file;
        EXPECT_EQ(stream["r_frame_rate"], c.rate) << c.file;
        EXPECT_EQ(stream["nb_read_frames"], std::to_string(c.frames)) << c.file;
        EXPECT_TRUE(timesHidden(r.err).ends_with(std::string("frames written to ") + c.file +
                                                 " in T, T per frame\n"))
            << r.err;
    }
    // ProRes 4444 keeps the alpha channel.
    EXPECT_TRUE(probe(dir_ / "clip.mov")["pix_fmt"].get<std::string>().starts_with("yuva444p"));
    // Nothing but the videos: no temporary file left.
    EXPECT_EQ(filesIn(dir_, ".png"), std::set<std::string>{});
    EXPECT_EQ(filesIn(dir_, ".mp4"), std::set<std::string>{"clip.mp4"});
}

TEST_F(ZelRenderVideo, WorkersGiveTheSameVideoByteForByteAndTellFramesInOrder)
{
    const Outcome one = run({"scene.json", "--frames", "0-6", "-o", "one.mp4"});
    const Outcome three = run({"scene.json", "--frames", "0-6", "-o", "three.mp4", "-j", "3"});
    ASSERT_EQ(one.exitCode, 0) << one.err;
    ASSERT_EQ(three.exitCode, 0) << three.err;
    EXPECT_EQ(contents(dir_ / "three.mp4"), contents(dir_ / "one.mp4"));
    std::string lines;
    for (int frame = 0; frame <= 6; ++frame) {
        lines += "zel-render: frame " + std::to_string(frame) + " added to three.mp4\n";
    }
    EXPECT_EQ(timesHidden(three.err),
              lines + "zel-render: 7 frames written to three.mp4 in T, T per frame\n");
}

TEST_F(ZelRenderVideo, WithoutFfmpegOnPathItSaysHowToGetItBeforeRendering)
{
    fs::create_directories(dir_ / "bin");
    environment["PATH"] = (dir_ / "bin").string();
    const Outcome r = run({"scene.json", "--frames", "0-3", "-o", "clip.mp4"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(r.err, "zel-render: videos are encoded by ffmpeg, and no directory on PATH holds it: "
                     "install it (on Debian and Ubuntu: sudo apt install ffmpeg), or write an "
                     "image sequence instead, such as -o frame-####.png\n");
    EXPECT_FALSE(fs::exists(dir_ / "clip.mp4"));
    EXPECT_FALSE(fs::exists(log()));  // the module was never loaded
}

TEST_F(ZelRenderVideo, AFailingFfmpegEndsWithItsLastLineAndLeavesNoFile)
{
    // It takes every frame, writes part of a file, says two lines and fails.
    fakeEncoder("/bin/cat >/dev/null\n"
                "for last; do :; done\n"
                "echo partial > \"${last#file:}\"\n"
                "echo 'first line' >&2\n"
                "echo 'cannot encode: out of luck' >&2\n"
                "exit 1\n");
    const Outcome logged = run({"scene.json", "--frames", "0-2", "-o", "clip.mp4", "-q"});
    EXPECT_EQ(logged.exitCode, 4);
    EXPECT_EQ(logged.err, "zel-render: clip.mp4: ffmpeg failed, ending with exit status 1: "
                          "cannot encode: out of luck\n");
    EXPECT_EQ(filesIn(dir_, ".mp4"), std::set<std::string>{});
    // What ffmpeg said is in the log, or on stderr with --verbose.
    EXPECT_TRUE(contains(contents(log()), "first line\ncannot encode: out of luck\n"));
    const Outcome verbose = run({"scene.json", "-o", "clip.mp4", "-q", "-v"});
    EXPECT_EQ(verbose.exitCode, 4);
    EXPECT_TRUE(contains(verbose.err, "first line\ncannot encode: out of luck\nzel-render: "))
        << verbose.err;

    // One that takes nothing fails at the first frame.
    fakeEncoder("echo 'no input wanted' >&2\nexit 3\n");
    const Outcome early = run({"scene.json", "--frames", "0-40", "-o", "clip.mp4", "-j", "2"});
    EXPECT_EQ(early.exitCode, 4);
    EXPECT_TRUE(contains(early.err, "ending with exit status 3: no input wanted\n")) << early.err;
    EXPECT_EQ(filesIn(dir_, ".mp4"), std::set<std::string>{});
}

}  // namespace
}  // namespace zelrender
