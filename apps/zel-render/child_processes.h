// What the worker processes and ffmpeg are run with: file descriptors owned, pipes read and written
// whole, and how a child process ended.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace zelrender {

// A file descriptor, closed when it goes; -1 when it holds none.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void reset();

private:
    int fd_ = -1;
};

struct Pipe {
    UniqueFd read;
    UniqueFd write;
};

// A pipe whose ends are closed on exec, so that no program started later holds one open. Throws
// std::system_error.
Pipe makePipe(int extraFlags = 0);

// Writes all `size` bytes, resuming after signals and short writes. False, with errno set, when
// they cannot all be written: EPIPE when the reader has gone.
bool writeAll(int fd, const void* data, std::size_t size);

// Reads until `size` bytes have come, resuming after signals. Returns how many came: fewer only at
// the end of the file or on an error.
std::size_t readAll(int fd, void* data, std::size_t size);

// Starts `program`, searched on PATH unless it holds a '/', with `arguments` (its name first);
// each {from, to} of `redirections` makes descriptor `from` its `to`, SIGPIPE is at its default,
// and the signals `blocked` stay blocked. It has this process's environment, with `variables`
// (NAME=VALUE each) set in it. Returns its process id; throws std::system_error, with ENOENT when
// there is no such program.
pid_t spawn(const std::string& program, const std::vector<std::string>& arguments,
            const std::vector<std::pair<int, int>>& redirections,
            const std::vector<int>& blocked = {}, const std::vector<std::string>& variables = {});

// Waits for child process `pid` to end, resuming after signals; returns its wait status.
int waitFor(pid_t pid);

// How a child ended, from its wait status: "exit status 1", "signal 11 (Segmentation fault)".
std::string endingText(int status);

}  // namespace zelrender
