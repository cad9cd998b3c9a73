#include "apps/zel-render/module_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

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
    const Capture capture(fd_);
    command();
}

}  // namespace zelrender
