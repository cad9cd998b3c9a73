#include "apps/zel-render/module_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

#include "apps/zel-render/user_directories.h"

namespace zelrender {

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

ModuleOutput::Capture::Capture(int target)
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
ModuleOutput::Capture::~Capture()
{
    std::fflush(stdout);
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
}

}  // namespace zelrender
