#include "apps/zel-render/preview.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "apps/zel-render/child_processes.h"
#include "apps/zel-render/failure.h"
#include "apps/zel-render/image_files.h"
#include "apps/zel-render/module_output.h"
#include "apps/zel-render/video_encoder.h"
#include "host/image_code.h"
#include "host/message_text.h"
#include "host/whole_files.h"

namespace zelrender {
namespace {

// The window has been closed: nothing more is shown.
struct Closed {};

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, CloseFile>;

// ffplay reading raw frames from a pipe into its window, while it lives.
class Player {
public:
    Player(const VideoFormat& format, bool verbose)
        : messages_(verbose ? ModuleOutput::toStderr() : ModuleOutput::toLogFile()),
          transcript_(std::tmpfile())
    {
        if (!transcript_) {
            throw OutputFailed(std::string("--preview: cannot keep ffplay's messages: ") +
                               std::strerror(errno));
        }
        // A closed window is then a failed write, not the end of zel-render.
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGPIPE, &ignore, &savedPipe_);
        // Only a display the user sees will do: left to itself, SDL falls back on drawing where
        // nobody looks.
        ::setenv("SDL_VIDEODRIVER", "x11,wayland", 0);
        Pipe input = makePipe();
        const int transcript = ::fileno(transcript_.get());
        // A small probe: the first frame shows as soon as it has rendered.
        const std::vector<std::string> arguments = {
            "ffplay", "-hide_banner", "-nostats", "-an", "-loglevel", "warning", "-window_title",
            "zel-render preview", "-probesize", "32", "-analyzeduration", "0", "-f", "rawvideo",
            "-pixel_format", rawPixelFormat(format.deep), "-video_size",
            std::to_string(format.width) + "x" + std::to_string(format.height), "-framerate",
            std::to_string(format.rateNumerator) + "/" + std::to_string(format.rateDenominator),
            "-i", "pipe:0"};
        try {
            pid_ = spawn("ffplay", arguments,
                         {{input.read.get(), STDIN_FILENO},
                          {transcript, STDOUT_FILENO},
                          {transcript, STDERR_FILENO}});
        } catch (const std::system_error& e) {
            ::sigaction(SIGPIPE, &savedPipe_, nullptr);
            throw EncoderUnavailable("--preview shows the frames with ffplay, which comes with "
                                     "ffmpeg, and it cannot be run (" +
                                     e.code().message() +
                                     "): install it (on Debian and Ubuntu: sudo apt install "
                                     "ffmpeg), or write the frames to files");
        }
        input_ = std::move(input.write);
    }

    // Stopped before the window closed, as by a failed frame: the window goes too.
    ~Player()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            waitFor(pid_);
        }
        ::sigaction(SIGPIPE, &savedPipe_, nullptr);
    }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Throws Closed once the window has gone.
    void show(std::span<const std::byte> pixels) const
    {
        if (!writeAll(input_.get(), pixels.data(), pixels.size())) {
            throw Closed{};
        }
    }

    // Once the window has gone: waits for ffplay and passes on what it said. Throws OutputFailed
    // unless it ended well, as when the window is closed.
    void end()
    {
        input_.reset();
        const int status = waitFor(pid_);
        pid_ = -1;
        const std::string said =
            readWhole("/proc/self/fd/" + std::to_string(::fileno(transcript_.get())), 1 << 20);
        static_cast<void>(writeAll(messages_.fd(), said.data(), said.size()));
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            const std::string last = lastLine(said);
            throw OutputFailed("--preview: ffplay failed, ending with " + endingText(status) +
                               (last.empty() ? "" : ": " + last));
        }
    }

private:
    ModuleOutput messages_;
    File transcript_;
    struct sigaction savedPipe_ {};
    UniqueFd input_;
    pid_t pid_ = -1;
};

[[noreturn]] void keepingFailed(const std::string& doing)
{
    throw OutputFailed("--preview: cannot " + doing + " the frames to show them again: " +
                       std::strerror(errno));
}

bool isSet(const char* variable)
{
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

}  // namespace

void previewFrames(EffectHost& host, const Scene& scene, EffectHost::RenderPath path,
                   const FrameRange& frames, bool verbose, bool quiet)
{
    if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")) {
        throw std::invalid_argument(
            "--preview shows the frames in a window, and there is no display to open one on "
            "(neither DISPLAY nor WAYLAND_DISPLAY is set); write them to files instead, such as "
            "-o zel-####.png");
    }
    std::unique_ptr<Player> player;
    // The frames shown, to be shown again once all have rendered.
    const File shown(std::tmpfile());
    std::size_t frameBytes = 0;
    if (!shown) {
        keepingFailed("keep");
    }
    try {
        // A window shows no alpha: the frames are seen over the background, or black.
        const std::unique_ptr<FrameOutput> output =
            imageCode().frameOutput(scene.background, "--preview", true);
        renderScene(host, scene, path, frames, [&](std::int32_t, const WorldView& world,
                                                   const std::string& warning) {
            if (!warning.empty()) {
                EffectHost::tell("warning: " + warning);
            }
            const std::vector<std::byte> pixels = output->pixels(world);
            if (!player) {
                player = std::make_unique<Player>(
                    videoFormat(world.width, world.height, host.composition(), frames.step),
                    verbose);
                frameBytes = pixels.size();
                if (!quiet) {
                    std::fprintf(stderr,
                                 "zel-render: close the preview window, or press q in it, to "
                                 "end\n");
                }
            }
            player->show(pixels);
            if (std::fwrite(pixels.data(), 1, pixels.size(), shown.get()) != pixels.size()) {
                keepingFailed("keep");
            }
        });
        std::vector<std::byte> pixels(frameBytes);
        for (;;) {
            std::rewind(shown.get());
            for (std::int32_t i = 0; i < frames.count(); ++i) {
                if (std::fread(pixels.data(), 1, pixels.size(), shown.get()) != pixels.size()) {
                    keepingFailed("read back");
                }
                player->show(pixels);
            }
        }
    } catch (const Closed&) {
        player->end();
    }
}

}  // namespace zelrender
