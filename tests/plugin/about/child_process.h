// Programs the about box's tests run: zel-render, xdotool, import and Xvfb.
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

// A program running beside the test, its standard output and error together in a file. Killed
// when the test lets go of it still running, so that no failure leaves it behind.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& arguments,
                 const EnvironmentChanges& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The exit code once it has ended, waiting at most `limit`; 128 + the signal when a signal
    // ended it; nullopt while it still runs.
    std::optional<int> waitFor(std::chrono::milliseconds limit);
    std::string output() const;

private:
    pid_t pid_ = -1;
    std::optional<int> exitCode_;
    std::filesystem::path outputFile_;
};

struct Finished {
    int exitCode;  // -1 when it was killed at the limit
    std::string output;
};

// Runs a program to its end, killing it at `limit`.
Finished runProgram(const std::vector<std::string>& arguments, std::chrono::milliseconds limit,
                    const EnvironmentChanges& environment = {});

}  // namespace zel::test
