#include "apps/zel-farm/farm_run.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "apps/zel-farm/slurm_client.h"
#include "apps/zel-render/image_files.h"
#include "host/whole_files.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;

// Writes `text` to `file`, or only makes the folder `file` when `text` is empty.
void writeFile(const fs::path& file, const std::string& text = {})
{
    try {
        fs::create_directories(text.empty() ? file : file.parent_path());
        if (!text.empty()) {
            replaceWhole(file, text, temporaryName(file));
        }
    } catch (const std::exception& e) {
        throw OutputFailed(file.string() + ": cannot be written: " + e.what());
    }
}

// The last line a job wrote to its log: zel-render's message, when it failed.
std::string lastLogLine(const fs::path& log)
{
    const std::string last = lastLineOf(log);
    return last.empty() ? "its log " + log.string() + " says nothing" : last;
}

// "FAILED with exit code 4", "TIMEOUT (signal 15)", and the exit code a local run that ended
// so would give: a task stopped by a signal or by Slurm counts as stopped.
std::pair<std::string, int> ending(const TaskEnd& end)
{
    std::string text = end.state;
    if (end.exitCode != 0) {
        text += " with exit code " + std::to_string(end.exitCode);
    }
    if (end.signal != 0) {
        text += " (signal " + std::to_string(end.signal) + ")";
    }
    return {text, end.exitCode != 0 ? end.exitCode : kInterrupted};
}

// Whether the frames rendered well: each task's state, then each image's file. Prints what
// failed and returns the exit code.
int reportFrames(const FarmPlan& plan, const std::string& job)
{
    const std::map<int, TaskEnd> ends = waitForJob(job);
    int exitCode = kSuccess;
    std::int32_t failed = 0;
    std::int32_t missing = 0;
    std::vector<bool> redo(static_cast<std::size_t>(plan.frames.count()));
    for (std::size_t task = 0; task < plan.chunks.size(); ++task) {
        const FrameRange& chunk = plan.chunks[task];
        const std::int32_t first = static_cast<std::int32_t>(task) * plan.request.chunk;
        const auto end = ends.find(static_cast<int>(task));
        const bool taskFailed = end != ends.end() && end->second.state != "COMPLETED";
        if (taskFailed) {
            const auto [text, code] = ending(end->second);
            std::cerr << "zel-farm: task " << task << " (frames " << framesText(chunk) << ") "
                      << text << ": " << lastLogLine(logPath(plan, job, static_cast<int>(task)))
                      << '\n';
            exitCode = exitCode == kSuccess ? code : exitCode;
        }
        for (std::int32_t i = first; i < first + chunk.count(); ++i) {
            // A video's frames are the encoding job's to read, and to remove once it has.
            const bool lost = !taskFailed && !plan.video &&
                              !fs::exists(framePath(plan.taskOutput, plan.frames.at(i)));
            failed += taskFailed ? 1 : 0;
            missing += lost ? 1 : 0;
            redo[static_cast<std::size_t>(i)] = taskFailed || lost;
        }
    }
    std::cout << "zel-farm: job " << job << " ended: " << plan.frames.count() - failed - missing
              << " frames done, " << failed << " failed, " << missing << " missing" << std::endl;
    if (missing > 0) {
        std::cerr << "zel-farm: " << missing << " frames are missing although their tasks ended "
                  << "well: do the nodes see " << plan.taskOutput.parent_path().string()
                  << " as this machine does?\n";
        exitCode = exitCode == kSuccess ? kOutputFailed : exitCode;
    }
    if (plan.video && exitCode != kSuccess) {
        std::cerr << "zel-farm: to render the video again: " << resubmitCommand(plan, plan.frames)
                  << '\n';
    }
    for (std::int32_t i = 0; !plan.video && i < plan.frames.count();) {
        std::int32_t next = i;
        while (next < plan.frames.count() && redo[static_cast<std::size_t>(next)]) {
            ++next;
        }
        if (next > i) {
            const FrameRange run{plan.frames.at(i), plan.frames.at(next - 1), plan.frames.step};
            std::cerr << "zel-farm: to render frames " << framesText(run)
                      << " again: " << resubmitCommand(plan, run) << '\n';
        }
        i = next + 1;
    }
    return exitCode;
}

}  // namespace

int runFarm(const FarmPlan& plan)
{
    const std::string script = renderScript(plan);
    writeFile(renderScriptPath(plan), script);
    if (plan.video) {
        writeFile(plan.taskOutput.parent_path());
    }
    const std::string job = submitJob(sbatchCommand(plan, renderScriptPath(plan)));
    std::string jobs = job;
    std::string encodeJob;
    if (plan.video) {
        try {
            writeFile(encodeScriptPath(plan), encodeScript(plan, job));
            encodeJob = submitJob(sbatchCommand(plan, encodeScriptPath(plan)));
        } catch (...) {
            // Frames that no job will encode are work for nothing.
            try {
                runSlurmCommand({"scancel", job});
            } catch (const SchedulerFailed& e) {
                std::cerr << "zel-farm: job " << job << " stays queued: " << e.what() << '\n';
            }
            throw;
        }
        jobs += "," + encodeJob;
    }
    std::cout << "zel-farm: job " << job << ": frames " << framesText(plan.frames) << " in "
              << plan.chunks.size() << " tasks of up to " << plan.request.chunk << " frames, to "
              << plan.taskOutput.string() << '\n';
    if (plan.video) {
        std::cout << "zel-farm: job " << encodeJob << ": encodes " << plan.request.render.output
                  << " once job " << job << " has ended well\n";
    }
    std::cout << "zel-farm: scripts and logs in " << plan.jobFiles.string() << '\n'
              << "zel-farm: follow with: squeue -j " << jobs << "; once ended: sacct -j " << jobs
              << std::endl;
    if (!plan.request.wait) {
        return kSuccess;
    }
    if (const int exitCode = reportFrames(plan, job); exitCode != kSuccess || !plan.video) {
        return exitCode;
    }
    const std::map<int, TaskEnd> ends = waitForJob(encodeJob);
    const auto end = ends.find(0);
    // Slurm may have dropped the record of a job that ended while zel-farm waited between looks.
    if (end == ends.end() ? fs::exists(plan.request.render.output)
                          : end->second.state == "COMPLETED") {
        std::cout << "zel-farm: job " << encodeJob << " wrote " << plan.request.render.output
                  << '\n';
        return kSuccess;
    }
    const auto [text, code] = end == ends.end()
                                  ? std::pair<std::string, int>("ENDED", kOutputFailed)
                                  : ending(end->second);
    std::cerr << "zel-farm: job " << encodeJob << " (encoding " << plan.request.render.output
              << ") " << text << ": " << lastLogLine(encodeLogPath(plan, encodeJob)) << '\n'
              << "zel-farm: to render the video again: " << resubmitCommand(plan, plan.frames)
              << '\n';
    return code;
}

}  // namespace zelrender
