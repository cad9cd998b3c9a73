// zel-render's HostOutput: the host's notes go to stderr, and the module's own printf diagnostics
// to stderr with --verbose, otherwise to a log file, so that stdout carries only what zel-render
// prints.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "host/host_output.h"

namespace zelrender {

class ModuleOutput final : public HostOutput {
public:
    static ModuleOutput toStderr();
    // $XDG_STATE_HOME/zel/zel-render.log (~/.local/state/zel/ by default), appended to, and
    // renamed zel-render.log.1 first once it passes 1 MiB; stderr, with a warning, when it cannot
    // be opened.
    static ModuleOutput toLogFile();

    ~ModuleOutput() override;
    ModuleOutput(const ModuleOutput&) = delete;
    ModuleOutput& operator=(const ModuleOutput&) = delete;

    // "zel-render: TEXT" on stderr.
    void note(const std::string& text) const noexcept override;
    // File descriptor 1 writes where the module's output goes while `command` runs. Throws
    // std::system_error when stdout cannot be set aside, rather than let the module write there.
    void whileModuleRuns(const std::function<void()>& command) const override;

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
