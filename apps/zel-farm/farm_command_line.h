// zel-farm's command line: zel-render's, which each task of the cluster runs, with the farm's own
// options beside it and sbatch's after "--".
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "apps/zel-render/command_line.h"

namespace zelrender {

// Slurm could not be run, or refused or lost a job; what it said is in the message.
class SchedulerFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The exit code of a run that ended with SchedulerFailed; the others are zel-render's.
inline constexpr int kSchedulerFailed = 6;

struct FarmRequest {
    Options render;  // zel-render's options, as read; the output as an absolute path
    // zel-render's command line as each task runs it, without --output and --frames: the options
    // given, in a fixed order, with the scene and the module as absolute paths.
    std::vector<std::string> renderArguments;
    int chunk = 10;  // frames per task
    std::string partition;
    std::string timeLimit;
    bool wait = false;
    // The frames of a video, rendered by the tasks, that the encoding job makes it from. Empty
    // for every run but that job's.
    std::filesystem::path encodeFrom;
    std::vector<std::string> sbatchOptions;  // after "--"
};

// Reads the arguments after the program's name. Throws CommandLineExit; refuses zel-render's
// options that render nothing (--list-params, --dump-scene, --about, --set-end-frame).
FarmRequest parseFarmCommandLine(std::span<const std::string> arguments);

// The options that give the request again, --frames and the sbatch options not included: the
// farm's own, then zel-render's with --output.
std::vector<std::string> farmArguments(const FarmRequest& request);

}  // namespace zelrender
