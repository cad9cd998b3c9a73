#include "apps/zel-farm/farm_command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/message_text.h"
#include "host/param_assignment.h"
#include "host/scene.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;

// zel-render's options that name files: absolute on the command line of a task, which runs on a
// node in a directory of its own.
const std::set<std::string> kPathOptions = {"scene", "--plugin"};

// zel-render's options that render nothing, and --worker, which zel-render gives its workers.
constexpr const char* kNotOnFarm[] = {"--list-params", "--dump-scene",    "--about",
                                      "--set-end-frame", "--help-control", "--preview",
                                      "--worker"};

// The options given to `app`, other than `skipped`, --output and --frames, as a command line
// that reads back the same: flags as often as given, each value as --NAME=VALUE so that none is
// taken for an option, the scene first.
std::vector<std::string> givenOptions(const CLI::App& app,
                                      const std::set<const CLI::Option*>& skipped)
{
    std::vector<std::string> arguments;
    for (const CLI::Option* option : app.get_options()) {
        const std::string name = option->get_name();
        if (option->count() == 0 || skipped.contains(option) || name == "--output" ||
            name == "--frames") {
            continue;
        }
        if (option->get_expected_max() == 0) {
            arguments.insert(arguments.end(), option->count(), name);
            continue;
        }
        for (std::string value : option->results()) {
            if (name == "scene" && isStreamPath(value)) {
                throw std::invalid_argument(
                    inQuotes(value) + ": the cluster's nodes cannot read a scene from standard "
                                      "input or a pipe; give it as a file they share");
            }
            if (kPathOptions.contains(name)) {
                value = fs::absolute(value).lexically_normal().string();
            }
            // A layer's image, like the other files, is named from where zel-farm runs.
            if (name == "--set" && layerNamed(value) != nullptr && !value.ends_with('=')) {
                const std::size_t equals = value.find('=') + 1;
                value = value.substr(0, equals) +
                        fs::absolute(value.substr(equals)).lexically_normal().string();
            }
            if (option->nonpositional()) {
                arguments.push_back(name + "=" + value);
            } else {
                arguments.insert(arguments.begin(), value);
            }
        }
    }
    return arguments;
}

}  // namespace

FarmRequest parseFarmCommandLine(std::span<const std::string> arguments)
{
    FarmRequest request;
    const auto dashes = std::ranges::find(arguments, "--");
    if (dashes != arguments.end()) {
        request.sbatchOptions.assign(dashes + 1, arguments.end());
    }
    CLI::App app{"Renders frames of a Zel scene on a Slurm cluster: one job array whose tasks each "
                 "run zel-render on a chunk of the frames, and for a video a job that encodes "
                 "them once all have finished. Options after -- go to sbatch.",
                 "zel-farm"};
    addRenderOptions(app, request.render);
    addVersionFlag(app, "zel-farm");
    const std::set<const CLI::Option*> farmOptions = {
        app.add_option("--chunk", request.chunk, "Frames each task renders (default: 10)")
            ->check(CLI::Range(1, 1000000))
            ->type_name("N")
            ->group("Farm"),
        app.add_option("--partition", request.partition, "The partition to run the jobs in")
            ->type_name("P")
            ->group("Farm"),
        app.add_option("--time", request.timeLimit,
                       "The time limit of each task and of the encoding job, as sbatch takes it")
            ->type_name("LIMIT")
            ->group("Farm"),
        app.add_flag("--wait", request.wait,
                     "Wait for the jobs to end, then report the frames done, failed and missing "
                     "and end as a local run would")
            ->group("Farm"),
        app.add_option("--encode-from", request.encodeFrom)->group(""),
    };
    app.footer(exitCodeTable() + "  " + std::to_string(kSchedulerFailed) +
               "  Slurm could not be run, or refused the jobs (its message is printed)\n");
    std::vector<std::string> reversed(std::make_reverse_iterator(dashes), arguments.rend());
    try {
        app.parse(reversed);
        for (const char* name : kNotOnFarm) {
            if (app.get_option(name)->count() > 0) {
                throw CLI::ValidationError(std::string(name) +
                                           ": zel-farm renders frames; run zel-render for this");
            }
        }
    } catch (const CLI::CallForHelp&) {
        throw CommandLineExit(kSuccess, app.help());
    } catch (const CLI::CallForVersion& e) {
        throw CommandLineExit(kSuccess, e.what());
    } catch (const CLI::ParseError& e) {
        throw CommandLineExit(kBadInput,
                              oneLine(e.what()) + "\nRun with --help for more information.");
    }
    request.renderArguments = givenOptions(app, farmOptions);
    request.render.output = fs::absolute(request.render.output).lexically_normal().string();
    return request;
}

std::vector<std::string> farmArguments(const FarmRequest& request)
{
    std::vector<std::string> arguments = {"--chunk=" + std::to_string(request.chunk)};
    if (!request.partition.empty()) {
        arguments.push_back("--partition=" + request.partition);
    }
    if (!request.timeLimit.empty()) {
        arguments.push_back("--time=" + request.timeLimit);
    }
    if (request.wait) {
        arguments.push_back("--wait");
    }
    arguments.insert(arguments.end(), request.renderArguments.begin(),
                     request.renderArguments.end());
    arguments.push_back("--output=" + request.render.output);
    return arguments;
}

}  // namespace zelrender
