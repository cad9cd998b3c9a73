// Where the module's own printf diagnostics go, so that stdout carries only what zel-render
// prints: stderr with --verbose, otherwise a log file.
#pragma once

#include <filesystem>

namespace zelrender {

class ModuleOutput {
public:
    static ModuleOutput toStderr();
    // $XDG_STATE_HOME/zel/zel-render.log (~/.local/state/zel/ by default), appended to; stderr,
    // with a warning, when it cannot be opened.
    static ModuleOutput toLogFile();

    ~ModuleOutput();
    ModuleOutput(const ModuleOutput&) = delete;
    ModuleOutput& operator=(const ModuleOutput&) = delete;

    // While it lives, file descriptor 1 writes where the module's output goes. Throws
    // std::system_error when stdout cannot be set aside, rather than let the module write there.
    class Capture {
    public:
        explicit Capture(int target);
        ~Capture();
        Capture(const Capture&) = delete;
        Capture& operator=(const Capture&) = delete;

    private:
        int saved_;
    };

    Capture capture() const { return Capture(fd_); }
    // Where the messages go, for other programs' output: ffmpeg's.
    int fd() const { return fd_; }

private:
    ModuleOutput(int fd, bool owned) : fd_(fd), owned_(owned) {}

    int fd_;
    bool owned_;
};

// The log file's path from the environment; empty when neither XDG_STATE_HOME nor HOME is set.
std::filesystem::path moduleLogPath();

}  // namespace zelrender
