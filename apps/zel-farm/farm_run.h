// A farm run: the jobs submitted, their ids and how to follow them printed, and with --wait what
// became of every frame.
#pragma once

#include "apps/zel-farm/slurm_jobs.h"

namespace zelrender {

// Writes the plan's scripts beside the output, submits them and prints the jobs on stdout. With
// --wait, waits for them to end and reports the frames done, failed and missing, each failed
// task with its exit code and the last line of its log, and the command that renders the frames
// left again. Returns the exit code a local run would end with: that of the first failed task,
// kOutputFailed for frames that are missing, else that of the encoding job. Throws
// SchedulerFailed when Slurm refuses a job; a video's frames are then taken back.
int runFarm(const FarmPlan& plan);

}  // namespace zelrender
