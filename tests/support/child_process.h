// Programs the tests run as a user would: zel-render, the tools that look at its output, Xvfb.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zel::test {

// Changes to the environment a program starts with: a value, or nullopt to remove the variable.
using EnvironmentChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

struct ProgramOptions {
    EnvironmentChanges environment = {};
    std::filesystem::path directory = {};   // where it runs; empty: the test's own
    std::optional<std::string> input = {};  // its standard input; nullopt: /dev/null
};

// A program running beside the test, its standard output and error each in a file of their own.
// Killed when the test lets go of it still running, or when the thread that started it ends (a
// crash included), so that no failure leaves it behind.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& arguments,
                          const ProgramOptions& options = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The exit code once it has ended, waiting at most `limit`; 128 + the signal when a signal
    // ended it; nullopt while it still runs.
    std::optional<int> waitFor(std::chrono::milliseconds limit);
    void signal(int number) const;
    pid_t pid() const { return pid_; }
    std::string out() const;
    std::string err() const;

private:
    pid_t pid_ = -1;
    std::optional<int> exitCode_;
    std::filesystem::path outFile_;
    std::filesystem::path errFile_;
};

struct Finished {
    int exitCode;  // -1 when it was killed at the limit
    std::string out;
    std::string err;
};

// A private X server, Xvfb at 1024 x 768, on the first free display, while it lives. Throws
// std::runtime_error with what Xvfb said when it does not start within ten seconds.
class XServer {
public:
    XServer();
    const std::string& display() const { return display_; }

private:
    ChildProcess process_;
    std::string display_;
};

// Runs a program to its end, killing it at `limit`.
Finished runProgram(const std::vector<std::string>& arguments,
                    std::chrono::milliseconds limit = std::chrono::minutes(2),
                    const ProgramOptions& options = {});

}  // namespace zel::test
