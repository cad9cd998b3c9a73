#include "apps/zel-render/child_processes.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <system_error>

extern char** environ;

namespace zelrender {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) {
        reset();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void UniqueFd::reset()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

Pipe makePipe(int extraFlags)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | extraFlags) != 0) {
        throw std::system_error(errno, std::generic_category(), "cannot make a pipe");
    }
    return {UniqueFd(ends[0]), UniqueFd(ends[1])};
}

bool writeAll(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::size_t readAll(int fd, void* data, std::size_t size)
{
    auto* bytes = static_cast<char*>(data);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, bytes + got, size - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return got;
}

pid_t spawn(const std::string& program, const std::vector<std::string>& arguments,
            const std::vector<std::pair<int, int>>& redirections, const std::vector<int>& blocked,
            const std::vector<std::string>& variables)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> environment;
    for (const std::string& variable : variables) {
        environment.push_back(const_cast<char*>(variable.c_str()));
    }
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view name(*entry, std::strcspn(*entry, "="));
        if (std::ranges::none_of(variables, [&](const std::string& variable) {
                return variable.starts_with(name) && variable.size() > name.size() &&
                       variable[name.size()] == '=';
            })) {
            environment.push_back(*entry);
        }
    }
    environment.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    for (const auto& [from, to] : redirections) {
        ::posix_spawn_file_actions_adddup2(&actions, from, to);
    }
    // zel-render ignores SIGPIPE while it renders; its children should not inherit that.
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    ::posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t mask;
    sigemptyset(&mask);
    for (const int signal : blocked) {
        sigaddset(&mask, signal);
    }
    ::posix_spawnattr_setsigmask(&attributes, &mask);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    const int error = ::posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(),
                                     environment.data());
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::system_error(error, std::generic_category(), "cannot run " + program);
    }
    return pid;
}

int waitFor(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            throw std::system_error(errno, std::generic_category(),
                                    "cannot wait for process " + std::to_string(pid));
        }
    }
    return status;
}

std::string endingText(int status)
{
    if (WIFSIGNALED(status)) {
        return "signal " + std::to_string(WTERMSIG(status)) + " (" +
               ::strsignal(WTERMSIG(status)) + ")";
    }
    return "exit status " + std::to_string(WEXITSTATUS(status));
}

}  // namespace zelrender
