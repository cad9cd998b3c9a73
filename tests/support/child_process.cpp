#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "tests/support/text.h"

extern char** environ;

namespace zel::test {
namespace {

std::filesystem::path newFile(const std::string& purpose)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zel-test-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        throw std::runtime_error("cannot make a file for a program's " + purpose);
    }
    ::close(fd);
    return pattern;
}

// The whole environment as "NAME=value" strings, made before fork: the child of a process with
// threads (the GL driver's) may only do async-signal-safe work.
std::vector<std::string> environmentWith(const EnvironmentChanges& changes)
{
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        bool changed = false;
        for (const auto& change : changes) {
            changed = changed || change.first == name;
        }
        if (!changed) {
            entries.push_back(text);
        }
    }
    for (const auto& [name, value] : changes) {
        if (value) {
            entries.push_back(name + "=" + *value);
        }
    }
    return entries;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& text : strings) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const ProgramOptions& options)
    : outFile_(newFile("output")), errFile_(newFile("errors"))
{
    std::vector<std::string> argumentStrings = arguments;
    std::vector<std::string> environmentStrings = environmentWith(options.environment);
    std::vector<char*> argv = pointersTo(argumentStrings);
    std::vector<char*> envp = pointersTo(environmentStrings);

    int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (options.input) {
        const std::filesystem::path inputFile = newFile("input");
        writeText(inputFile, *options.input);
        ::close(input);
        input = ::open(inputFile.c_str(), O_RDONLY | O_CLOEXEC);
        std::filesystem::remove(inputFile);  // the open descriptor keeps it readable
    }
    const int out = ::open(outFile_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    const int err = ::open(errFile_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    pid_ = ::fork();
    if (pid_ == 0) {
        // Gone with the test even when the test crashes and never runs its destructor.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::dup2(input, STDIN_FILENO);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        if (!options.directory.empty() && ::chdir(options.directory.c_str()) != 0) {
            ::_exit(126);
        }
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(input);
    ::close(out);
    ::close(err);
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
    std::filesystem::remove(outFile_);
    std::filesystem::remove(errFile_);
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

void ChildProcess::signal(int number) const
{
    if (!exitCode_) {
        ::kill(pid_, number);
    }
}

std::string ChildProcess::out() const { return readText(outFile_); }
std::string ChildProcess::err() const { return readText(errFile_); }

// -displayfd: Xvfb takes the first free display and writes its number once ready.
XServer::XServer()
    : process_({"Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"})
{
    for (int tries = 0; tries < 100 && process_.out().find('\n') == std::string::npos; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const std::string number = process_.out();
    if (number.find('\n') == std::string::npos) {
        throw std::runtime_error("Xvfb did not start: " + process_.err());
    }
    display_ = std::string(":").append(number, 0, number.find('\n'));
}

Finished runProgram(const std::vector<std::string>& arguments, std::chrono::milliseconds limit,
                    const ProgramOptions& options)
{
    ChildProcess program(arguments, options);
    const std::optional<int> exitCode = program.waitFor(limit);
    return {exitCode.value_or(-1), program.out(), program.err()};
}

}  // namespace zel::test
