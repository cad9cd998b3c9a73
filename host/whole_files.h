// Files are read and written whole: read with a bound on their size, whatever they are; written
// under a temporary name beside the final one, renamed once complete.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace zelrender {

// The temporary name of `file` while process `writer` writes it: hidden, in the same directory so
// that the rename cannot cross file systems, and told apart by the process id, so that processes
// writing at once never share one.
inline std::filesystem::path temporaryName(const std::filesystem::path& file,
                                           pid_t writer = ::getpid())
{
    std::string name = ".";
    name += file.filename().string();
    name += ".part";
    name += std::to_string(writer);
    return file.parent_path() / name;
}

// Writes `contents` to `temporary`, each byte of it checked, flushed to the disk and closed, then
// renames it over `file`, which keeps its permissions if it was there. Throws std::runtime_error
// saying what failed; `file` is then as it was and `temporary` gone.
void replaceWhole(const std::filesystem::path& file, std::string_view contents,
                  const std::filesystem::path& temporary);

// The whole of `file`, read once from its start: a regular file, or a pipe such as a shell's
// <(...), which could not be read again. Throws std::runtime_error saying why it cannot be read,
// such as a directory, or more than `limit` bytes, which a device that never ends gives too.
// A FIFO is read once something writes it.
std::string readWhole(const std::filesystem::path& file, std::size_t limit);
// The same from an open descriptor, such as standard input, read to its end.
std::string readWhole(int descriptor, std::size_t limit);

// The last line of `file` with something on it (lastLine), such as a program's message in its
// log; "" when there is none or the file cannot be read.
std::string lastLineOf(const std::filesystem::path& file);

}  // namespace zelrender
