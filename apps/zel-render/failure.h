// How a run that fails ends: the exit code for each kind of failure.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

#include "apps/zel-render/command_line.h"

namespace zelrender {

// A failure whose exit code is already known, such as one a worker process reported.
class RunFailed : public std::runtime_error {
public:
    RunFailed(ExitCode code, const std::string& message)
        : std::runtime_error(message), code_(code)
    {
    }
    ExitCode code() const { return code_; }

private:
    ExitCode code_;
};

// ffmpeg, which encodes videos, cannot be run.
class EncoderUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The exit code of a run that ended with `failure`: kBadInput for anything not named in the table.
ExitCode exitCodeOf(const std::exception& failure);

}  // namespace zelrender
