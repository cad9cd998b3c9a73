// The jobs a farm run submits: a job array whose tasks each render a chunk of the frames with
// zel-render, and for a video a job that encodes the frames once every task has ended well. Each
// is a bash script that names every file by its absolute path, since the nodes run it elsewhere.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "apps/zel-farm/farm_command_line.h"
#include "apps/zel-render/render_job.h"

namespace zelrender {

struct FarmPlan {
    FarmRequest request;
    std::filesystem::path zelRender;  // what the tasks run
    std::filesystem::path zelFarm;    // what encodes a video, and what a resubmission runs
    FrameRange frames;
    std::vector<FrameRange> chunks;  // a task's each
    bool video = false;
    // Where the tasks write: the output, or for a video its frames, as 32-bit float EXR files
    // that keep every depth's values exactly.
    std::filesystem::path taskOutput;
    std::filesystem::path jobFiles;  // the scripts and logs: "zel-farm" beside the output
    std::string name;                // the output's file name, naming the jobs and their files
};

// Checks the request as a local run checks it, before anything is queued: the scene, the frames
// and the output (throwing as sceneOf, parseFrames and checkJob throw), and lays out the jobs.
// `programs`: the folder that holds zel-render and zel-farm.
FarmPlan planFarm(const FarmRequest& request, const std::filesystem::path& programs);

// "A", "A-B" or "A-BxSTEP", as --frames takes them.
std::string framesText(const FrameRange& frames);

// `word` as bash reads it back: in single quotes unless it is plain.
std::string shellWord(const std::string& word);

// The job array's script, and the encoding job's for the array `renderJob`. Throw
// std::invalid_argument for a value an #SBATCH line cannot hold.
std::string renderScript(const FarmPlan& plan);
std::string encodeScript(const FarmPlan& plan, const std::string& renderJob);

// sbatch's command line for `script`, with the options given after "--".
std::vector<std::string> sbatchCommand(const FarmPlan& plan, const std::filesystem::path& script);

// The files of a plan: the scripts, and the log of task `task` of `job` (none: the job's only).
std::filesystem::path renderScriptPath(const FarmPlan& plan);
std::filesystem::path encodeScriptPath(const FarmPlan& plan);
std::filesystem::path logPath(const FarmPlan& plan, const std::string& job, int task);
std::filesystem::path encodeLogPath(const FarmPlan& plan, const std::string& job);

// The command line that renders `frames` of the plan again, as typed into a shell.
std::string resubmitCommand(const FarmPlan& plan, const FrameRange& frames);

}  // namespace zelrender
