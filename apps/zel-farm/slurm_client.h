// Slurm's commands, run as a user runs them: sbatch to submit a job, scancel to take it back and
// scontrol to follow it until every task has ended.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace zelrender {

// Runs `command` (its program first, found on PATH) and gives what it printed, stdout and stderr
// together. Throws SchedulerFailed when it cannot be run, or ends other than with status 0.
std::string runSlurmCommand(const std::vector<std::string>& command);

// Runs sbatch's `command` (with --parsable) and gives the job's id.
std::string submitJob(const std::vector<std::string>& command);

// How a task ended: Slurm's state (COMPLETED, FAILED, TIMEOUT, CANCELLED, ...) and the exit code
// and signal of its script.
struct TaskEnd {
    std::string state;
    int exitCode = 0;
    int signal = 0;
};

// How each task of `job` ended, by its number in the array (0 for a job that is no array), once
// none is pending or running; a task whose record Slurm had already dropped is left out. Polls
// every second at first, less often the longer the job runs; throws SchedulerFailed when Slurm
// fails to answer five times in a row.
std::map<int, TaskEnd> waitForJob(const std::string& job);

}  // namespace zelrender
