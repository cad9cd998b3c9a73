#include "apps/zel-farm/slurm_jobs.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <string>

#include "apps/zel-render/failure.h"
#include "apps/zel-render/options_scene.h"
#include "apps/zel-render/video_encoder.h"
#include "host/message_text.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;

// One #SBATCH line. sbatch reads a value in double quotes whole, '#' and spaces included, but
// knows no escape for a quote or a line break.
std::string sbatchLine(const std::string& option, const std::string& value)
{
    if (value.find_first_of("\"\n") != std::string::npos) {
        throw std::invalid_argument(inQuotes(value) +
                                    ": a job script cannot hold a double quote or a line break in "
                                    "--" + option + "; choose a name without them");
    }
    return "#SBATCH --" + option + "=\"" + value + "\"\n";
}

// Slurm reads "%" in a log's name as the start of a job's number or name.
std::string literalPercents(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        escaped += c == '%' ? "%%" : std::string(1, c);
    }
    return escaped;
}

// The lines both jobs share: their name, log, directory, partition and time limit.
std::string commonLines(const FarmPlan& plan, const std::string& name, const std::string& log)
{
    const std::string logs = literalPercents((plan.jobFiles / name).string()) + log;
    std::string lines = sbatchLine("job-name", name) + sbatchLine("output", logs) +
                        sbatchLine("chdir", plan.jobFiles.parent_path().string());
    if (!plan.request.partition.empty()) {
        lines += sbatchLine("partition", plan.request.partition);
    }
    if (!plan.request.timeLimit.empty()) {
        lines += sbatchLine("time", plan.request.timeLimit);
    }
    return lines;
}

std::string commandLine(const fs::path& program, const std::vector<std::string>& arguments)
{
    std::string line = shellWord(program.string());
    for (const std::string& argument : arguments) {
        line += ' ';
        line += shellWord(argument);
    }
    return line;
}

}  // namespace

FarmPlan planFarm(const FarmRequest& request, const fs::path& programs)
{
    FarmPlan plan;
    plan.request = request;
    plan.zelRender = programs / "zel-render";
    plan.zelFarm = programs / "zel-farm";
    if (::access(plan.zelRender.c_str(), X_OK) != 0) {
        throw RunFailed(kModuleUnavailable, plan.zelRender.string() +
                                                ": cannot be run, and the tasks run it: "
                                                "zel-farm takes the zel-render beside it");
    }
    const Scene scene = sceneOf(request.render, sceneTextOf(request.render));
    RenderJob job;
    job.output = request.render.output;
    job.frames = plan.frames = parseFrames(request.render.frames, scene.composition);
    checkJob(job, scene.composition);

    for (std::int32_t i = 0; i < plan.frames.count(); i += request.chunk) {
        const std::int32_t last = std::min(plan.frames.count() - 1, i + request.chunk - 1);
        plan.chunks.push_back({plan.frames.at(i), plan.frames.at(last), plan.frames.step});
    }
    plan.video = isVideoFile(job.output);
    plan.name = job.output.filename().string();
    plan.jobFiles = job.output.parent_path() / "zel-farm";
    plan.taskOutput =
        plan.video ? plan.jobFiles / (plan.name + ".frames") / "####.exr" : job.output;
    return plan;
}

std::string framesText(const FrameRange& frames)
{
    std::string text = std::to_string(frames.first);
    if (frames.last != frames.first) {
        text += '-';
        text += std::to_string(frames.last);
        if (frames.step != 1) {
            text += 'x';
            text += std::to_string(frames.step);
        }
    }
    return text;
}

std::string shellWord(const std::string& word)
{
    const bool plain = !word.empty() && std::ranges::all_of(word, [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) ||
               std::string_view("/._-+=:,@").find(c) != std::string_view::npos;
    });
    if (plain) {
        return word;
    }
    std::string quoted = "'";
    for (const char c : word) {
        quoted += c == '\'' ? "'\\''" : std::string(1, c);
    }
    return quoted + "'";
}

std::string renderScript(const FarmPlan& plan)
{
    std::string script = "#!/bin/bash\n# zel-farm: frames " + framesText(plan.frames) + " to " +
                         plan.request.render.output + ", " + std::to_string(plan.request.chunk) +
                         " a task.\n# Every path is absolute: the nodes must reach the scene, its "
                         "images, zel-render\n# and the output folder under the same names.\n";
    script += commonLines(plan, plan.name, "-%A_%a.log");
    script += "#SBATCH --array=0-" + std::to_string(plan.chunks.size() - 1) + "\n";
    script += "frames=(";
    for (const FrameRange& chunk : plan.chunks) {
        script += framesText(chunk);
        script += &chunk == &plan.chunks.back() ? ")\n" : " ";
    }
    std::vector<std::string> arguments = plan.request.renderArguments;
    arguments.push_back("--output=" + plan.taskOutput.string());
    return script + "exec " + commandLine(plan.zelRender, arguments) +
           " --frames=\"${frames[SLURM_ARRAY_TASK_ID]}\"\n";
}

std::string encodeScript(const FarmPlan& plan, const std::string& renderJob)
{
    std::string script = "#!/bin/bash\n# zel-farm: encodes " + plan.request.render.output +
                         " from the frames job " + renderJob + " rendered, once all have been.\n";
    script += commonLines(plan, plan.name + "-encode", "-%j.log");
    script += "#SBATCH --dependency=afterok:" + renderJob + "\n#SBATCH --kill-on-invalid-dep=yes\n";
    std::vector<std::string> arguments = {"--encode-from=" + plan.taskOutput.string()};
    arguments.insert(arguments.end(), plan.request.renderArguments.begin(),
                     plan.request.renderArguments.end());
    arguments.push_back("--output=" + plan.request.render.output);
    arguments.push_back("--frames=" + framesText(plan.frames));
    return script + "exec " + commandLine(plan.zelFarm, arguments) + "\n";
}

std::vector<std::string> sbatchCommand(const FarmPlan& plan, const fs::path& script)
{
    std::vector<std::string> command = {"sbatch", "--parsable"};
    command.insert(command.end(), plan.request.sbatchOptions.begin(),
                   plan.request.sbatchOptions.end());
    command.push_back(script.string());
    return command;
}

fs::path renderScriptPath(const FarmPlan& plan) { return plan.jobFiles / (plan.name + ".sh"); }

fs::path encodeScriptPath(const FarmPlan& plan)
{
    return plan.jobFiles / (plan.name + "-encode.sh");
}

fs::path logPath(const FarmPlan& plan, const std::string& job, int task)
{
    return plan.jobFiles / (plan.name + "-" + job + "_" + std::to_string(task) + ".log");
}

fs::path encodeLogPath(const FarmPlan& plan, const std::string& job)
{
    return plan.jobFiles / (plan.name + "-encode-" + job + ".log");
}

std::string resubmitCommand(const FarmPlan& plan, const FrameRange& frames)
{
    std::vector<std::string> arguments = farmArguments(plan.request);
    arguments.push_back("--frames=" + framesText(frames));
    if (!plan.request.sbatchOptions.empty()) {
        arguments.push_back("--");
        arguments.insert(arguments.end(), plan.request.sbatchOptions.begin(),
                         plan.request.sbatchOptions.end());
    }
    return commandLine(plan.zelFarm, arguments);
}

}  // namespace zelrender
