#include "tests/plugin/about/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace zel::test {
namespace {

std::filesystem::path newOutputFile()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zel-about-out-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        throw std::runtime_error("cannot make a file for a program's output");
    }
    ::close(fd);
    return pattern;
}

// In the child, between fork and exec: only async-signal-safe work and the environment.
[[noreturn]] void becomeProgram(const std::vector<std::string>& arguments,
                                const EnvironmentChanges& environment, int output)
{
    for (const auto& [name, value] : environment) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
    ::dup2(output, STDOUT_FILENO);
    ::dup2(output, STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const EnvironmentChanges& environment)
    : outputFile_(newOutputFile())
{
    const int output = ::open(outputFile_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    pid_ = ::fork();
    if (pid_ == 0) {
        becomeProgram(arguments, environment, output);
    }
    ::close(output);
    if (pid_ < 0) {
        throw std::runtime_error("cannot start " + arguments.front());
    }
}

ChildProcess::~ChildProcess()
{
    if (!exitCode_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    std::filesystem::remove(outputFile_);
}

std::optional<int> ChildProcess::waitFor(std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!exitCode_) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        } else if (std::chrono::steady_clock::now() >= end) {
            break;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return exitCode_;
}

std::string ChildProcess::output() const
{
    std::ostringstream text;
    text << std::ifstream(outputFile_).rdbuf();
    return text.str();
}

Finished runProgram(const std::vector<std::string>& arguments, std::chrono::milliseconds limit,
                    const EnvironmentChanges& environment)
{
    ChildProcess program(arguments, environment);
    const std::optional<int> exitCode = program.waitFor(limit);
    return {exitCode.value_or(-1), program.output()};
}

}  // namespace zel::test
