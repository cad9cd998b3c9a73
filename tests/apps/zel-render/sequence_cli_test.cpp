// zel-render rendering ranges of frames, alone and with worker processes: the files it writes,
// what it says meanwhile, and how a failure or Ctrl-C ends the run.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/apps/zel-render/zel_render_run.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;

// 48 x 27 at 10 fps, its evolution moving so that every frame differs.
constexpr const char* kMovingScene = R"({
    "composition": {"width": 48, "height": 27, "fps": 10},
    "controls": {"Evolution": {"keyframes": [[0, 0], [2, 400]], "interpolation": "linear"}}
})";

// Frame 2, at 0.2 s, asks the module to fit a 2000 x 2000 frame in 256 MB, which it refuses.
constexpr const char* kFailingFrameScene = R"({
    "composition": {"width": 2000, "height": 2000, "fps": 10},
    "controls": {"Memory Check": {"keyframes": [[0, "Off"], [0.2, "256MB"], [0.3, "Off"]],
                                  "interpolation": "hold"}}
})";

// The test adopts the processes that zel-render leaves behind, so that a worker it did not wait
// for shows as a child of the test.
class ZelRenderWorkers : public ZelRender {
protected:
    ZelRenderWorkers()
    {
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
        std::ofstream(dir_ / "scene.json") << kMovingScene;
    }

    static bool processesLeft()
    {
        return ::waitpid(-1, nullptr, WNOHANG) != -1 || errno != ECHILD;
    }
};

TEST_F(ZelRenderWorkers, AStepWritesEveryStepthFrameAndOnlyThoseTellingEach)
{
    const Outcome r = run({"scene.json", "--frames", "1-9x3", "-o", "f-####.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(filesIn(dir_, ".png"),
              (std::set<std::string>{"f-0001.png", "f-0004.png", "f-0007.png"}));
    EXPECT_EQ(timesHidden(r.err), "zel-render: frame 1 written to f-0001.png\n"
                                  "zel-render: frame 4 written to f-0004.png\n"
                                  "zel-render: frame 7 written to f-0007.png\n"
                                  "zel-render: 3 frames written to f-####.png in T, T per frame\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(ZelRenderWorkers, RefusedFramesSayWhatIsAcceptedAndRenderNothing)
{
    const Outcome zero = run({"scene.json", "--frames", "0-9x0", "-o", "f-####.png"});
    EXPECT_EQ(zero.exitCode, 1);
    EXPECT_TRUE(zero.err.ends_with("such as 12, 0-23 or 0-239x2; got \"0-9x0\"\n")) << zero.err;
    // The scene lasts 10 s: frames 0 to 99.
    const Outcome late = run({"scene.json", "--frames", "90-100x5", "-o", "f-####.png"});
    EXPECT_EQ(late.exitCode, 1);
    EXPECT_EQ(late.err, "zel-render: --frames: the composition has frames 0 to 99, so not 100\n");
    EXPECT_EQ(filesIn(dir_, ".png"), std::set<std::string>{});
}

TEST_F(ZelRenderWorkers, WorkersWriteTheSameFilesByteForByteAsOneProcess)
{
    fs::create_directories(dir_ / "one");
    fs::create_directories(dir_ / "two");
    fs::create_directories(dir_ / "four");
    const Outcome one = run({"scene.json", "--frames", "0-5", "-o", "one/f-####.png"});
    const Outcome two = run({"scene.json", "--frames", "0-5", "-o", "two/f-####.png", "-j", "2"});
    // More workers than frames of the step: three, one frame each.
    const Outcome four =
        run({"scene.json", "--frames", "0-5x2", "-o", "four/f-####.png", "--jobs", "4"});
    for (const Outcome& r : {one, two, four}) {
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    const std::set<std::string> six = {"f-0000.png", "f-0001.png", "f-0002.png",
                                       "f-0003.png", "f-0004.png", "f-0005.png"};
    ASSERT_EQ(filesIn(dir_ / "one", ".png"), six);
    ASSERT_EQ(filesIn(dir_ / "two", ".png"), six);
    ASSERT_EQ(filesIn(dir_ / "four", ".png"),
              (std::set<std::string>{"f-0000.png", "f-0002.png", "f-0004.png"}));
    for (const std::string& name : six) {
        EXPECT_EQ(contents(dir_ / "two" / name), contents(dir_ / "one" / name)) << name;
        if (fs::exists(dir_ / "four" / name)) {
            EXPECT_EQ(contents(dir_ / "four" / name), contents(dir_ / "one" / name)) << name;
        }
    }
    // Each frame is its own, so a frame written at another's time would show.
    EXPECT_NE(contents(dir_ / "one/f-0000.png"), contents(dir_ / "one/f-0001.png"));
    EXPECT_NE(contents(dir_ / "one/f-0004.png"), contents(dir_ / "one/f-0005.png"));

    // Workers finish in any order, but every frame is told once, and the summary comes last.
    for (const std::string& name : six) {
        const std::string line = "zel-render: frame " + std::to_string(std::stoi(name.substr(2))) +
                                 " written to two/" + name + "\n";
        EXPECT_TRUE(contains(two.err, line)) << two.err;
    }
    EXPECT_EQ(std::count(two.err.begin(), two.err.end(), '\n'), 7) << two.err;
    EXPECT_TRUE(timesHidden(two.err).ends_with(
        "\nzel-render: 6 frames written to two/f-####.png in T, T per frame\n"))
        << two.err;
    EXPECT_FALSE(processesLeft());
}

TEST_F(ZelRenderWorkers, WorkersReadLayerImagesTheSceneCheckAlreadyOpened)
{
    // Opening an EXR starts a pool of threads in the library that reads it: a worker forked from
    // a process that had opened one would wait for threads it does not have.
    OIIO::ImageBuf texture(OIIO::ImageSpec(16, 16, 3, OIIO::TypeDesc::HALF));
    ASSERT_TRUE(texture.write((dir_ / "texture.exr").string()));
    std::ofstream(dir_ / "textured.json") << R"({"composition": {"width": 48, "height": 27},
                                                "layers": {"texture_layer": "texture.exr"}})";
    const Outcome r = run({"textured.json", "--frames", "0-1", "-o", "t-#.png", "-j", "2", "-q"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(filesIn(dir_, ".png"), (std::set<std::string>{"t-0.png", "t-1.png"}));
}

TEST_F(ZelRenderWorkers, QuietSaysNothingWhenAllGoesWell)
{
    const Outcome r = run({"scene.json", "--frames", "0-3", "-o", "f-##.png", "-j", "2", "-q"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(filesIn(dir_, ".png"),
              (std::set<std::string>{"f-00.png", "f-01.png", "f-02.png", "f-03.png"}));
}

TEST_F(ZelRenderWorkers, AFrameTheModuleFailsStopsEveryWorkerWithItsNumberMessageAndCode)
{
    std::ofstream(dir_ / "fail.json") << kFailingFrameScene;
    const Outcome r = run({"fail.json", "--frames", "0-5", "-o", "f-####.png", "-j", "2", "-q"});
    EXPECT_EQ(r.exitCode, 3);
    // Quiet: the error alone.
    EXPECT_TRUE(r.err.starts_with("zel-render: frame 2: SMART_RENDER failed with error 4: ZEL: "
                                  "Not enough VRAM video memory on GPU\n(req: "))
        << r.err;
    EXPECT_FALSE(contains(r.err, "written")) << r.err;
    // Frame 0 came before frame 2 in the same worker; no file of frame 2, and none half written.
    const std::set<std::string> files = filesIn(dir_, ".png");
    EXPECT_TRUE(files.contains("f-0000.png"));
    EXPECT_FALSE(files.contains("f-0002.png"));
    for (const std::string& name : files) {
        EXPECT_NE(name.front(), '.') << name;
    }
    EXPECT_FALSE(processesLeft());
}

// zel-render started in the background, in the test's directory, its stderr read as it comes.
class Started {
public:
    Started(const fs::path& dir, const std::vector<std::string>& arguments)
    {
        std::vector<char*> argv = {const_cast<char*>(ZEL_RENDER_PATH)};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        int err[2];
        if (::pipe(err) != 0) {
            throw std::runtime_error("no pipe");
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(err[1], STDERR_FILENO);
            ::close(err[0]);
            ::close(err[1]);
            if (::chdir(dir.c_str()) == 0 && ::setenv("XDG_STATE_HOME", dir.c_str(), 1) == 0 &&
                ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1) == 0) {
                ::execv(ZEL_RENDER_PATH, argv.data());
            }
            ::_exit(127);
        }
        ::close(err[1]);
        err_ = ::fdopen(err[0], "r");
    }
    ~Started()
    {
        if (err_ != nullptr) {
            std::fclose(err_);
        }
    }

    // The next line, without its end; empty at the end of the output.
    std::string readLine()
    {
        std::string line;
        for (int c; (c = std::fgetc(err_)) != EOF && c != '\n';) {
            line += static_cast<char>(c);
        }
        return line;
    }

    void signal(int number) const { ::kill(pid_, number); }

    // What is left on stderr, and the exit code.
    std::pair<std::string, int> wait()
    {
        std::string rest;
        for (int c; (c = std::fgetc(err_)) != EOF;) {
            rest += static_cast<char>(c);
        }
        int status = 0;
        ::waitpid(pid_, &status, 0);
        return {rest, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    }

private:
    pid_t pid_ = -1;
    FILE* err_ = nullptr;
};

TEST_F(ZelRenderWorkers, CtrlCStopsEveryWorkerAndLeavesNoFileHalfWritten)
{
    const struct {
        const char* output;
        const char* ending;
    } cases[] = {
        {"f-####.png", "zel-render: stopped by SIGINT; the frames written so far are kept\n"},
        {"clip.mp4", "zel-render: stopped by SIGINT; no video was written\n"},
    };
    for (const auto& c : cases) {
        // Long enough that it is still rendering when the signal comes.
        Started render(dir_, {"scene.json", "--size", "640x360", "--frames", "0-99", "-o",
                              c.output, "--jobs", "2"});
        const std::string first = render.readLine();
        ASSERT_TRUE(first.starts_with("zel-render: frame ")) << first;
        render.signal(SIGINT);
        const auto [rest, exitCode] = render.wait();
        EXPECT_EQ(exitCode, 130) << c.output;
        EXPECT_TRUE(rest.ends_with(c.ending)) << rest;
        EXPECT_FALSE(processesLeft()) << c.output;
        for (const std::string& name : filesIn(dir_, ".png")) {
            EXPECT_NE(name.front(), '.') << name;
            EXPECT_EQ(readFrame(dir_ / name).width, 640) << name;
        }
        EXPECT_FALSE(fs::exists(dir_ / "clip.mp4"));
        EXPECT_EQ(filesIn(dir_, ".mp4"), std::set<std::string>{});
    }
}

TEST_F(ZelRenderWorkers, UnwritableOutputsAreRefusedBeforeAnythingRenders)
{
    fs::create_directories(dir_ / "taken.png");
    fs::create_directories(dir_ / "f-0002.png");
    std::ofstream(dir_ / "plain") << "a file\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-o", "missing/f.png"},
         "zel-render: missing/f.png: cannot be written: the directory missing does not exist\n"},
        {{"-o", "plain/f.png"}, "zel-render: plain/f.png: cannot be written: plain is not a "
                                "directory\n"},
        // Not writable even for root; why depends on who asks.
        {{"-o", "/proc/self/f.png"}, "zel-render: /proc/self/f.png: cannot be written: the "
                                     "directory /proc/self is not writable ("},
        {{"-o", "taken.png"}, "zel-render: taken.png: cannot be written: it is a directory\n"},
        {{"--frames", "0-3", "-o", "f-####.png", "-j", "2"},
         "zel-render: f-0002.png: cannot be written: it is a directory\n"},
        {{"--frames", "0-3", "-o", "missing/clip.mov"},
         "zel-render: missing/clip.mov: cannot be written: the directory missing does not "
         "exist\n"},
    };
    for (const auto& [arguments, message] : cases) {
        std::vector<std::string> all = {"scene.json"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        const Outcome r = run(all);
        EXPECT_EQ(r.exitCode, 4) << message;
        EXPECT_TRUE(r.err.starts_with(message)) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_EQ(filesIn(dir_, ".png"), (std::set<std::string>{"taken.png", "f-0002.png"}));
    // The module never ran: it has no log.
    EXPECT_FALSE(fs::exists(log()));
}

TEST_F(ZelRenderWorkers, HelpTellsTheNewOptionsAndEveryExitCodeAndJobsAreBounded)
{
    const Outcome help = run({"--help"});
    ASSERT_EQ(help.exitCode, 0);
    for (const char* text : {"--jobs", "--quiet", "A[-B[xSTEP]]", ".mp4", ".mov", ".gif",
                             "\n  4  an output file could not be written",
                             "\n  5  a video was asked for and ffmpeg",
                             "\n  130  stopped by Ctrl-C (SIGINT) or SIGTERM"}) {
        EXPECT_TRUE(contains(help.out, text)) << text;
    }
    for (const char* jobs : {"0", "65", "two"}) {
        const Outcome r = run({"scene.json", "--jobs", jobs});
        EXPECT_EQ(r.exitCode, 1) << jobs;
        EXPECT_TRUE(contains(r.err, "--jobs")) << r.err;
    }
    EXPECT_EQ(filesIn(dir_, ".png"), std::set<std::string>{});
}

}  // namespace
}  // namespace zelrender
