// zel-render: loads the effect module, plays a compositing host's side of the protocol and
// renders scenes to image files.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "apps/zel-render/command_line.h"
#include "apps/zel-render/effect_host.h"
#include "apps/zel-render/end_frame.h"
#include "apps/zel-render/image_files.h"
#include "apps/zel-render/module_library.h"
#include "apps/zel-render/module_output.h"
#include "apps/zel-render/number_text.h"
#include "apps/zel-render/param_assignment.h"
#include "apps/zel-render/param_listing.h"
#include "apps/zel-render/render_job.h"
#include "apps/zel-render/scene.h"

namespace {

using namespace zelrender;

// The scene, with the command line's changes to its composition.
Scene sceneOf(const Options& options)
{
    Scene scene = options.scenePath.empty() ? defaultScene() : readScene(options.scenePath);
    Composition& composition = scene.composition;
    if (!options.size.empty()) {
        std::tie(composition.width, composition.height) = parseSize(options.size);
    }
    if (options.bitsPerChannel != 0) {
        composition.bitsPerChannel = options.bitsPerChannel;
    }
    composition.downsampleX = composition.downsampleY =
        PF_RationalScale{1, static_cast<std::uint32_t>(options.downsample)};
    return scene;
}

int run(const Options& options)
{
    if (options.endFrame && options.scenePath.empty()) {
        throw std::invalid_argument("--set-end-frame writes the loop values into a scene file, and "
                                    "none was given: zel-render SCENE.json --set-end-frame TIME");
    }
    const Scene scene = sceneOf(options);
    const bool settingEndFrame = options.endFrame.has_value();
    const std::int32_t endFrameAt =
        settingEndFrame ? endFrameTime(*options.endFrame, scene.composition) : 0;
    RenderJob job;
    job.output = options.output;
    std::tie(job.first, job.last) = parseFrames(options.frames);
    job.path = options.classic ? EffectHost::RenderPath::Classic : EffectHost::RenderPath::Smart;
    const bool rendering = !options.about && !options.listParams && !settingEndFrame;
    if (rendering) {
        checkJob(job, scene.composition);
    }

    const std::filesystem::path path = options.modulePath.empty()
                                           ? moduleBesideExecutable()
                                           : std::filesystem::path(options.modulePath);
    const ModuleLibrary module(path);
    const ModuleOutput moduleOutput =
        options.verbose ? ModuleOutput::toStderr() : ModuleOutput::toLogFile();

    // Controls are known only once the module has registered them, so set-up comes first.
    EffectHost host(module.entryPoint(), scene.composition, moduleOutput);
    host.setUp();
    applyControls(scene, host.params());
    applyAssignments(host.params(), options.assignments);
    if (!scene.controls.empty() || !options.assignments.empty()) {
        host.refreshControls();
    }
    if (settingEndFrame) {
        const auto values = pressSetEndFrame(host, endFrameAt);
        writeControls(options.scenePath, values);
        for (const auto& [name, value] : values) {
            std::cout << name << " = " << formatNumber(value) << '\n';
        }
    } else if (options.about) {
        host.about();
    } else if (options.listParams && options.json) {
        std::cout << paramListJson(host.params())
                         .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                  << '\n';
    } else if (options.listParams) {
        printParamTable(std::cout, host.params());
    } else {
        renderScene(host, scene, job);
    }
    host.setDown();
    return kSuccess;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    try {
        options = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const CommandLineExit& e) {
        std::fprintf(e.code() == kSuccess ? stdout : stderr, "%s\n", e.what());
        return e.code();
    }

    try {
        return run(options);
    } catch (const ModuleUnavailable& e) {
        std::fprintf(stderr, "zel-render: %s\n", e.what());
        return kModuleUnavailable;
    } catch (const CommandFailed& e) {
        std::fprintf(stderr, "zel-render: %s\n", e.what());
        return kModuleFailed;
    } catch (const OutputFailed& e) {
        std::fprintf(stderr, "zel-render: %s\n", e.what());
        return kOutputFailed;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zel-render: %s\n", e.what());
        return kBadInput;
    }
}
