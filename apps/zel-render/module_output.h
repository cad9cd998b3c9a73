// zel-render's HostOutput: the host's notes go to stderr, and the module's own printf diagnostics
// to stderr with --verbose, otherwise to a log file, so that stdout carries only what zel-render
// prints. A line the module prints again, such as one it prints every frame, is counted rather
// than written again, and the counts close the process's output.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>

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
    // File descriptor 1 writes to a file of this process's own while `command` runs; its lines
    // then go where the module's output goes, the ones already written counted instead, even
    // when `command` throws. Throws std::system_error when stdout cannot be set aside, rather
    // than let the module write there.
    void whileModuleRuns(const std::function<void()>& command) const override;

    // Where the messages go, for other programs' output: ffmpeg's.
    int fd() const { return fd_; }

private:
    ModuleOutput(int fd, bool owned) : fd_(fd), owned_(owned) {}

    // Writes the lines ended in `printed`, each the first time only.
    void pass(std::string_view printed) const;
    bool firstTime(std::string_view line) const;

    struct Seen {
        std::size_t order;    // of first appearance
        std::size_t repeats;  // after it
    };

    int fd_;
    bool owned_;
    mutable int capture_ = -1;        // the file the module prints into, once it has run
    mutable std::string unfinished_;  // the start of a line it has not ended yet
    mutable std::map<std::string, Seen, std::less<>> seen_;
};

// The log file's path from the environment; empty when neither XDG_STATE_HOME nor HOME is set.
std::filesystem::path moduleLogPath();

}  // namespace zelrender
