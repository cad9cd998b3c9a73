// zel-render rendering ranges of frames, alone and with worker processes, to images and videos:
// the files it writes, what it says meanwhile, and how a failure or Ctrl-C ends the run.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <cerrno>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "tests/apps/zel-render/zel_render_run.h"

namespace zelrender {
namespace {

// The test adopts the processes that zel-render leaves behind, so that a worker it did not wait
// for shows as a child of the test.
class Sequences : public ZelRender {
protected:
    Sequences()
    {
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
        // 48 x 27 at 29.97 fps, 16 bits, its evolution moving so that every frame differs.
        writeText(dir_ / "scene.json", R"({
            "composition": {"width": 48, "height": 27, "fps": 29.97, "bits_per_channel": 16},
            "controls": {"Evolution": {"keyframes": [[0, 0], [2, 400]]}}})");
    }

    static bool processesLeft() { return ::waitpid(-1, nullptr, WNOHANG) != -1 || errno != ECHILD; }
};

TEST_F(Sequences, WorkersWriteTheSameFilesByteForByteAsOneProcessAndTellEachOnce)
{
    fs::create_directories(dir_ / "one");
    fs::create_directories(dir_ / "two");
    const Finished one = run({"scene.json", "--frames", "0-5", "-o", "one/f-#.png"});
    const Finished two = run({"scene.json", "--frames", "0-5", "-o", "two/f-#.png", "-j", "2"});
    ASSERT_EQ(one.exitCode + two.exitCode, 0) << one.err << two.err;
    const std::set<std::string> six = {"f-0.png", "f-1.png", "f-2.png", "f-3.png", "f-4.png",
                                       "f-5.png"};
    ASSERT_EQ(filesIn(dir_ / "one"), six);
    ASSERT_EQ(filesIn(dir_ / "two"), six);
    for (const std::string& name : six) {
        EXPECT_EQ(readText(dir_ / "two" / name), readText(dir_ / "one" / name)) << name;
        // Workers finish in any order, but every frame is told once.
        EXPECT_TRUE(contains(two.err, "zel-render: frame " + name.substr(2, 1) + " written to two/" +
                                          name + "\n"))
            << two.err;
    }
    // Each frame is its own, so a frame written at another's time would show.
    EXPECT_NE(readText(dir_ / "one/f-4.png"), readText(dir_ / "one/f-5.png"));
    EXPECT_EQ(lines(two.err), 7u) << two.err;
    EXPECT_TRUE(timesHidden(two.err).ends_with(
        "\nzel-render: 6 frames written to two/f-#.png in T, T per frame\n"));
    EXPECT_FALSE(processesLeft());
}

TEST_F(Sequences, AFrameTheModuleFailsStopsEveryWorkerWithItsNumberAndLeavesNoPartialFile)
{
    // Frame 2, at 0.2 s, asks the module to fit a 2000 x 2000 frame in 256 MB, which it refuses.
    writeText(dir_ / "fail.json", R"({"composition": {"width": 2000, "height": 2000, "fps": 10},
        "controls": {"Memory Check": {"keyframes": [[0, "Off"], [0.2, "256MB"], [0.3, "Off"]],
                                      "interpolation": "hold"}}})");
    const Finished r = run({"fail.json", "--frames", "0-5", "-o", "f-#.png", "-j", "2", "-q"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.starts_with("zel-render: frame 2: SMART_RENDER failed with error 4: ZEL: "
                                  "Not enough VRAM video memory on GPU\n"))
        << r.err;
    // Frame 0 came before frame 2 in the same worker; nothing of frame 2, nor a hidden file.
    const std::set<std::string> files = filesIn(dir_);
    EXPECT_TRUE(files.contains("f-0.png"));
    EXPECT_FALSE(files.contains("f-2.png"));
    EXPECT_FALSE(std::ranges::any_of(files, [](const std::string& n) { return n[0] == '.'; }));
    EXPECT_FALSE(processesLeft());
}

TEST_F(Sequences, StopSignalsStopEveryWorkerKeepWholeImagesAndNoVideo)
{
    for (const auto& [output, signal, ending] :
         {std::tuple{"f-####.png", SIGINT, "stopped by SIGINT; the frames written so far are kept\n"},
          std::tuple{"clip.mp4", SIGHUP, "stopped by SIGHUP; no video was written\n"},
          std::tuple{"clip.mp4", SIGQUIT, "stopped by SIGQUIT; no video was written\n"}}) {
        // Long enough that it is still rendering when the signal comes.
        zel::test::ChildProcess render(command({"scene.json", "--size", "640x360", "--frames",
                                                "0-99", "-o", output, "--jobs", "2"}),
                                       options());
        while (!contains(render.err(), "zel-render: frame ") &&
               !render.waitFor(std::chrono::milliseconds(20))) {
        }
        render.signal(signal);
        EXPECT_EQ(render.waitFor(std::chrono::minutes(1)), 130) << output;
        EXPECT_TRUE(render.err().ends_with(std::string("zel-render: ") + ending)) << render.err();
        EXPECT_FALSE(processesLeft()) << output;
        for (const std::string& name : filesIn(dir_)) {
            EXPECT_NE(name.front(), '.') << name;
            EXPECT_NE(name, "clip.mp4");
            if (name.ends_with(".png")) {
                EXPECT_EQ(readFrame(dir_ / name).width, 640) << name;
            }
        }
    }
}

// The first video stream of a file, as ffprobe counts and describes it.
nlohmann::json probe(const fs::path& file)
{
    const Finished r = zel::test::runProgram(
        {"ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
         "stream=codec_name,width,height,pix_fmt,r_frame_rate,nb_read_frames", "-of", "json",
         file.string()});
    return nlohmann::json::parse(r.out).at("streams").at(0);
}

TEST_F(Sequences, EachKindOfVideoHoldsEveryFrameAtTheRateOverTheStep)
{
    const struct {
        std::vector<std::string> arguments;
        const char* file;
        const char* stream;  // as ffprobe describes it
    } cases[] = {
        // H.264 takes even sizes: the odd height gains a row. Workers give the same file.
        {{"--frames", "0-5"}, "clip.mp4",
         R"({"codec_name": "h264", "width": 48, "height": 28, "pix_fmt": "yuv420p",
             "r_frame_rate": "2997/100", "nb_read_frames": "6"})"},
        {{"--frames", "0-5", "-j", "3"}, "workers.mp4",
         R"({"codec_name": "h264", "width": 48, "height": 28, "pix_fmt": "yuv420p",
             "r_frame_rate": "2997/100", "nb_read_frames": "6"})"},
        // ProRes 4444 keeps the alpha channel.
        {{"--frames", "0-10x2", "-j", "2"}, "clip.mov",
         R"({"codec_name": "prores", "width": 48, "height": 27, "pix_fmt": "yuva444p12le",
             "r_frame_rate": "2997/200", "nb_read_frames": "6"})"},
        // GIF holds times in hundredths of a second: 3.33 fps becomes 0.3 s a frame.
        {{"--frames", "3-29x9", "-j", "3", "--bpc", "8"}, "clip.GIF",
         R"({"codec_name": "gif", "width": 48, "height": 27, "pix_fmt": "bgra",
             "r_frame_rate": "10/3", "nb_read_frames": "3"})"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {"scene.json", "-o", c.file};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const Finished r = run(arguments);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(probe(dir_ / c.file), nlohmann::json::parse(c.stream)) << c.file;
        EXPECT_TRUE(timesHidden(r.err).ends_with(std::string("frames written to ") + c.file +
                                                 " in T, T per frame\n"))
            << r.err;
    }
    EXPECT_EQ(readText(dir_ / "workers.mp4"), readText(dir_ / "clip.mp4"));
    // Nothing but the videos: no temporary file left.
    EXPECT_EQ(filesIn(dir_), (std::set<std::string>{"clip.GIF", "clip.mov", "clip.mp4",
                                                    "workers.mp4", "scene.json", "zel"}));
}

}  // namespace
}  // namespace zelrender
