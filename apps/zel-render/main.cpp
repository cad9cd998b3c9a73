// zel-render: loads the effect module, plays a compositing host's side of the protocol and
// renders scenes to image files.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "apps/zel-render/effect_host.h"
#include "apps/zel-render/end_frame.h"
#include "apps/zel-render/module_library.h"
#include "apps/zel-render/module_output.h"
#include "apps/zel-render/number_text.h"
#include "apps/zel-render/param_assignment.h"
#include "apps/zel-render/param_listing.h"
#include "apps/zel-render/render_job.h"
#include "apps/zel-render/scene.h"

namespace {

using namespace zelrender;

enum ExitCode : int { kSuccess = 0, kBadInputOrFailedCommand = 1, kModuleUnavailable = 2 };

struct Options {
    std::string scenePath;
    std::string output = "zel.png";
    std::string frames = "0";
    std::string size;
    int bitsPerChannel = 0;  // 0: the scene's
    int downsample = 1;
    bool classic = false;
    std::string modulePath;
    std::vector<std::string> assignments;
    std::optional<std::string> endFrame;  // seconds, as typed
    bool listParams = false;
    bool about = false;
    bool json = false;
    bool verbose = false;
};

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
    CLI::App app{"Renders the Zel effect without a compositing application.", "zel-render"};
    Options options;
    app.add_option("scene", options.scenePath,
                   "A scene file (JSON); without one, the built-in scene: 1920 x 1080, 24 fps, "
                   "8 bits, the default camera, no lights, every control at its default")
        ->type_name("SCENE.json");
    app.add_option("-o,--output", options.output,
                   "The image to write, as .png, .tif or .exr; a run of # becomes the frame "
                   "number, zero-padded (default: zel.png)")
        ->type_name("PATH");
    app.add_option("--frames", options.frames,
                   "The frame, or the range of frames, to render (default: 0)")
        ->type_name("A[-B]");
    app.add_option("--size", options.size, "The composition's size instead of the scene's")
        ->type_name("WxH");
    app.add_option("--bpc", options.bitsPerChannel, "Bits per channel instead of the scene's")
        ->check(CLI::IsMember({8, 16, 32}))
        ->type_name("BITS");
    app.add_option("--downsample", options.downsample,
                   "Render at 1/N resolution: the image is 1/N of the size each way")
        ->check(CLI::Range(1, static_cast<int>(kMaxLayerSide)))
        ->type_name("N");
    app.add_flag("--classic", options.classic,
                 "Render with the classic RENDER command rather than smart rendering");
    app.add_option("--plugin", options.modulePath,
                   "The effect module to load (default: zel.so beside zel-render)")
        ->type_name("PATH");
    app.add_option("--set", options.assignments,
                   "Give a control a constant value, e.g. \"Vertices X=200\", \"Draw=Points\", "
                   "\"Color=#FF8000\", \"Position XY=960,540\"; repeatable; overrides the "
                   "scene's value")
        ->type_name("NAME=VALUE");
    CLI::Option* list =
        app.add_flag("--list-params", options.listParams, "Print every control the module has");
    app.add_flag("--json", options.json, "With --list-params: print them as JSON")->needs(list);
    app.add_flag("--about", options.about,
                 "Show the module's about box and wait until it is clicked away; without a "
                 "display its texts go where the module's messages go");
    app.add_option("--set-end-frame", options.endFrame,
                   "Press \"Set End Frame\" with the current time at TIME seconds and write the "
                   "loop values it gives (\"Loop X\", \"Loop Y\", \"Loop Z\", \"Loop "
                   "Evolution\") into the scene file as constants, instead of rendering")
        ->type_name("TIME")
        ->excludes(list)
        ->excludes("--about")
        ->excludes("--set");
    app.add_flag("-v,--verbose", options.verbose,
                 "Send the module's own messages to stderr rather than to its log file");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kSuccess : kBadInputOrFailedCommand;
    }

    try {
        return run(options);
    } catch (const ModuleUnavailable& e) {
        std::fprintf(stderr, "zel-render: %s\n", e.what());
        return kModuleUnavailable;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zel-render: %s\n", e.what());
        return kBadInputOrFailedCommand;
    }
}
