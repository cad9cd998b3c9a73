#include "host/whole_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "host/message_text.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;

// Closes the descriptor when it goes, unless it was closed, with its error, on purpose.
class OpenFile {
public:
    explicit OpenFile(int fd) : fd_(fd) {}
    ~OpenFile()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    int get() const { return fd_; }
    // A file system may report a failed write only here, so the result counts.
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

std::string because(int error)
{
    return std::string(" (") + std::strerror(error) + ")";
}

}  // namespace

void replaceWhole(const fs::path& file, std::string_view contents, const fs::path& temporary)
{
    OpenFile out(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (out.get() < 0) {
        throw std::runtime_error("cannot create " + temporary.string() + because(errno));
    }
    const auto fail = [&](const char* what, const fs::path& path) {
        const int error = errno;  // before anything can change it
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw std::runtime_error(std::string(what) + " " + path.string() + because(error));
    };
    for (std::size_t written = 0; written < contents.size();) {
        const ssize_t n = ::write(out.get(), contents.data() + written, contents.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            fail("cannot write", temporary);
        }
        written += static_cast<std::size_t>(n);
    }
    // Only a file that reached the disk whole may replace the old one.
    if (::fsync(out.get()) != 0 || !out.close()) {
        fail("cannot write", temporary);
    }
    // Failing to copy the permissions is no reason to keep the old contents.
    std::error_code ignored;
    if (const fs::file_status status = fs::status(file, ignored); fs::exists(status)) {
        fs::permissions(temporary, status.permissions(), ignored);
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        fail("cannot replace", file);
    }
}

std::string readWhole(const fs::path& file, std::size_t limit)
{
    // A FIFO's open waits for a writer, as any reader's does: opened without one, it would read
    // as empty. A pipe (a shell's <(...), /dev/stdin) never waits: its writer was there from the
    // start, and once gone nothing more can come.
    OpenFile in(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (in.get() < 0 || ::fstat(in.get(), &status) != 0) {
        throw std::runtime_error(std::strerror(errno));
    }
    if (S_ISDIR(status.st_mode)) {
        throw std::runtime_error("it is a directory");
    }
    return readWhole(in.get(), limit);
}

std::string readWhole(int descriptor, std::size_t limit)
{
    std::string text;
    for (;;) {
        const std::size_t had = text.size();
        text.resize(std::min(limit + 1, had + 65536));
        const ssize_t n = ::read(descriptor, text.data() + had, text.size() - had);
        if (n < 0 && errno == EINTR) {
            text.resize(had);
            continue;
        }
        if (n < 0) {
            throw std::runtime_error(std::strerror(errno));
        }
        text.resize(had + static_cast<std::size_t>(n));
        if (n == 0) {
            return text;
        }
        if (text.size() > limit) {
            throw std::runtime_error("it holds more than " + std::to_string(limit) + " bytes");
        }
    }
}

std::string lastLineOf(const fs::path& file)
{
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return lastLine(text.str());
}

}  // namespace zelrender
