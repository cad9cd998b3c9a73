#include "apps/zel-render/module_output.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "apps/zel-render/child_processes.h"
#include "host/user_directories.h"

namespace zelrender {
namespace {

// While it lives, file descriptor 1 writes to `target`.
class Capture {
public:
    explicit Capture(int target)
    {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        if (saved_ < 0 || ::dup2(target, STDOUT_FILENO) < 0) {
            const int error = errno;
            if (saved_ >= 0) {
                ::close(saved_);
            }
            throw std::system_error(error, std::generic_category(),
                                    "cannot redirect the module's output away from stdout");
        }
    }
    // The module's buffered output is flushed before stdout returns to its own file.
    ~Capture()
    {
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
    }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

private:
    int saved_;
};

[[noreturn]] void failed(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

// What the module printed into `fd`, from its start.
std::string printed(int fd)
{
    struct stat status{};
    if (::fstat(fd, &status) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
        failed("cannot read back the module's output");
    }
    std::string text(static_cast<std::size_t>(status.st_size), '\0');
    text.resize(readAll(fd, text.data(), text.size()));
    return text;
}

}  // namespace

std::filesystem::path moduleLogPath()
{
    const std::filesystem::path directory = userDirectory("XDG_STATE_HOME", ".local/state");
    return directory.empty() ? directory : directory / "zel-render.log";
}

ModuleOutput ModuleOutput::toStderr()
{
    return ModuleOutput(STDERR_FILENO, false);
}

ModuleOutput ModuleOutput::toLogFile()
{
    const std::filesystem::path path = moduleLogPath();
    std::string reason = "neither XDG_STATE_HOME nor HOME is set";
    if (!path.empty()) {
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        // The log is kept to about twice this: past it, it becomes the one older log, replacing
        // the one before.
        constexpr std::uintmax_t kLogLimit = 1 << 20;
        if (const std::uintmax_t size = std::filesystem::file_size(path, error);
            !error && size > kLogLimit) {
            std::filesystem::rename(path, path.string() + ".1", error);
        }
        error.clear();
        const int fd =
            error ? -1 : ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd >= 0) {
            return ModuleOutput(fd, true);
        }
        reason = path.string() + ": " + (error ? error.message() : std::strerror(errno));
    }
    std::fprintf(stderr,
                 "zel-render: cannot open the module's log (%s); its messages follow here\n",
                 reason.c_str());
    return toStderr();
}

ModuleOutput::~ModuleOutput()
{
    try {
        std::string closing = unfinished_.empty() ? "" : unfinished_ + "\n";
        std::vector<std::pair<Seen, std::string_view>> repeated;
        for (const auto& [line, seen] : seen_) {
            if (seen.repeats > 0) {
                repeated.emplace_back(seen, line);
            }
        }
        std::ranges::sort(repeated, {}, [](const auto& entry) { return entry.first.order; });
        for (const auto& [seen, line] : repeated) {
            const std::size_t repeats = seen.repeats;
            closing += std::string(line) + " (repeated " +
                       (repeats == 1 ? "once more" : std::to_string(repeats) + " more times") +
                       ")\n";
        }
        static_cast<void>(writeAll(fd_, closing.data(), closing.size()));
    } catch (const std::bad_alloc&) {
        // Without room for them, the counts are lost; the lines themselves were written.
    }
    if (capture_ >= 0) {
        ::close(capture_);
    }
    if (owned_) {
        ::close(fd_);
    }
}

void ModuleOutput::note(const std::string& text) const noexcept
{
    std::fprintf(stderr, "zel-render: %s\n", text.c_str());
}

void ModuleOutput::whileModuleRuns(const std::function<void()>& command) const
{
    if (capture_ < 0 && (capture_ = ::memfd_create("zel-module-output", MFD_CLOEXEC)) < 0) {
        failed("cannot make a file for the module's output");
    }
    if (::ftruncate(capture_, 0) != 0 || ::lseek(capture_, 0, SEEK_SET) != 0) {
        failed("cannot empty the file for the module's output");
    }
    // Declared first, so that it passes the lines on once stdout is back, however the command
    // ends.
    struct Passing {
        const ModuleOutput& output;
        ~Passing()
        {
            try {
                output.pass(printed(output.capture_));
            } catch (const std::exception&) {
                // Lines that cannot be read back are lost, like the module's own failed writes.
            }
        }
    } passing{*this};
    const Capture capture(capture_);
    command();
}

void ModuleOutput::pass(std::string_view printed) const
{
    unfinished_ += printed;
    std::string fresh;
    std::size_t start = 0;
    for (std::size_t end; (end = unfinished_.find('\n', start)) != std::string::npos;
         start = end + 1) {
        const std::string_view line(unfinished_.data() + start, end - start);
        if (firstTime(line)) {
            fresh.append(line).push_back('\n');
        }
    }
    unfinished_.erase(0, start);
    // A log that cannot be written loses the lines, as it lost the module's own writes before.
    static_cast<void>(writeAll(fd_, fresh.data(), fresh.size()));
}

bool ModuleOutput::firstTime(std::string_view line) const
{
    // Blank lines lay out what is around them.
    if (line.find_first_not_of(" \t\r") == std::string_view::npos) {
        return true;
    }
    if (const auto found = seen_.find(line); found != seen_.end()) {
        ++found->second.repeats;
        return false;
    }
    // Past this many different lines, new ones are written without being remembered.
    constexpr std::size_t kMostRemembered = 10000;
    if (seen_.size() < kMostRemembered) {
        seen_.emplace(line, Seen{seen_.size(), 0});
    }
    return true;
}

}  // namespace zelrender
