// zel-render: loads the effect module, plays a compositing host's side of the protocol and
// renders scenes to image files or videos.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "apps/zel-render/command_line.h"
#include "apps/zel-render/end_frame.h"
#include "apps/zel-render/failure.h"
#include "apps/zel-render/gpu_limits.h"
#include "apps/zel-render/module_output.h"
#include "apps/zel-render/options_scene.h"
#include "apps/zel-render/param_listing.h"
#include "apps/zel-render/preview.h"
#include "apps/zel-render/render_job.h"
#include "apps/zel-render/render_workers.h"
#include "host/image_code.h"
#include "host/json_layout.h"
#include "host/number_text.h"
#include "host/param_assignment.h"
#include "host/zel_host.h"

namespace {

using namespace zelrender;

// zel.so in the directory of the running executable, where the build and the install put it.
std::filesystem::path moduleBesideExecutable()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        throw ModuleUnavailable("cannot find the directory of zel-render to load zel.so from (" +
                                error.message() + "); name the module with --plugin");
    }
    return executable.parent_path() / "zel.so";
}

// Loads the module and sets up a host for the scene, its controls given the scene's values and
// then the command line's; hands it to `use`, then sets it down.
void withHost(const Options& options, const Scene& scene,
              const std::function<void(EffectHost&)>& use)
{
    const std::filesystem::path path = options.modulePath.empty()
                                           ? moduleBesideExecutable()
                                           : std::filesystem::path(options.modulePath);
    const ModuleLibrary module(path, ModuleLifetime::process);
    const ModuleOutput moduleOutput =
        options.verbose ? ModuleOutput::toStderr() : ModuleOutput::toLogFile();
    EffectHost host(module.entryPoint(), scene.composition, moduleOutput);
    setUpForScene(host, scene, controlAssignments(options.assignments));
    use(host);
    host.setDown();
}

// `arguments`: the command line, for the worker processes.
int run(const Options& options, const std::vector<std::string>& arguments)
{
    const bool settingEndFrame = options.endFrame.has_value();
    if (settingEndFrame) {
        checkRewritableScene(options.scenePath);
    }
    const bool rendering = options.worker.empty() && !options.about && !options.listParams &&
                           !settingEndFrame && !options.dumpScene && !options.helpControl &&
                           !options.preview;
    const std::string sceneText = sceneTextOf(options);
    const Scene scene = sceneOf(options, sceneText);
    const std::int32_t endFrameAt =
        settingEndFrame ? endFrameTime(*options.endFrame, scene.composition) : 0;
    RenderJob job;
    job.output = options.output;
    job.frames = parseFrames(options.frames, scene.composition);
    job.path = options.classic ? EffectHost::RenderPath::Classic : EffectHost::RenderPath::Smart;
    job.jobs = options.jobs;
    job.background = scene.background;
    if (!options.worker.empty()) {
        return renderShare(job, options.worker[0], options.worker[1],
                           [&](const FrameRange& share, const FrameDelivery& deliver) {
                               // Every worker asks: each refuses the same frames, before its
                               // first, so no frame is written when one is refused.
                               checkFrameFits(scene, largestTextureSide(),
                                              !options.size.empty() ? "--size " + options.size
                                              : options.scenePath.empty()
                                                  ? scene.source
                                                  : scene.source + ": composition");
                               withHost(options, scene, [&](EffectHost& host) {
                                   // The driver and the module are loaded by now: the loader
                                   // takes one library at a time.
                                   loadImageCodeAhead();
                                   renderScene(host, scene, job.path, share, deliver);
                               });
                           });
    }
    if (rendering) {
        checkJob(job, scene.composition);
        // The module, GL and the image library are loaded in the workers only.
        const ProgressStyle style = progressStyle(options.quiet, options.verbose,
                                                  ::isatty(STDERR_FILENO) != 0,
                                                  job.frames.count());
        renderWithWorkers(job, scene.composition, style, options.verbose, arguments, sceneText);
        return kSuccess;
    }

    withHost(options, scene, [&](EffectHost& host) {
        if (settingEndFrame) {
            const auto values = pressSetEndFrame(host, endFrameAt);
            writeControls(options.scenePath, sceneText, values);
            for (const auto& [name, value] : values) {
                std::cout << name << " = " << formatNumber(value) << '\n';
            }
        } else if (options.dumpScene) {
            std::cout << sceneFileText(sceneJson(scene, host.params())) << '\n';
        } else if (options.about) {
            host.about();
        } else if (options.preview) {
            previewFrames(host, scene, job.path, job.frames, options.verbose, options.quiet);
        } else if (options.helpControl) {
            printControlHelp(std::cout, host, *options.helpControl);
        } else if (options.listParams && options.json) {
            std::cout << paramListJson(host.params())
                             .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                      << '\n';
        } else {
            printParamTable(std::cout, host.params());
        }
    });
    return kSuccess;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    Options options;
    try {
        options = parseCommandLine(arguments);
    } catch (const CommandLineExit& e) {
        std::fprintf(e.code() == kSuccess ? stdout : stderr, "%s\n", e.what());
        return e.code();
    }

    try {
        return run(options, arguments);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zel-render: %s\n", e.what());
        return exitCodeOf(e);
    }
}
