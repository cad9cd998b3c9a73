// zel-fuzz: renders random valid parameter sets and reads mutated scenes, with a fixed seed and a
// count, and reports crashes, hangs, non-finite pixels and failed runs, each with the smallest
// scene that reproduces it.
#include <CLI/CLI.hpp>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "apps/zel-fuzz/random_scenes.h"
#include "apps/zel-fuzz/render_trials.h"
#include "apps/zel-fuzz/scene_mutator.h"
#include "apps/zel-fuzz/scene_trials.h"
#include "apps/zel-render/command_line.h"
#include "apps/zel-render/module_output.h"
#include "apps/zel-render/render_job.h"
#include "host/zel_host.h"

namespace {

namespace fs = std::filesystem;
using namespace zelfuzz;
using Json = nlohmann::ordered_json;

struct Options {
    unsigned seed = 1;
    int sets = 120;
    int framesPerProcess = 12;
    int scenes = 100;
    int sceneRenders = -1;
    std::string size = "64x36";
    double maxVertices = 40000;
    double secondsPerFrame = 30;
    std::vector<std::string> imageFolders;
    std::vector<std::string> sceneFolders;
    std::string out = "zel-fuzz-out";
};

fs::path besideExecutable(const char* name)
{
    return fs::read_symlink("/proc/self/exe").parent_path() / name;
}

// Files in `folders` whose extension is one of `extensions`, in a fixed order.
std::vector<fs::path> filesIn(const std::vector<std::string>& folders,
                              const std::vector<std::string>& extensions)
{
    std::vector<fs::path> files;
    for (const std::string& folder : folders) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (std::find(extensions.begin(), extensions.end(), entry.path().extension()) !=
                extensions.end()) {
                files.push_back(fs::absolute(entry.path()));
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A scene file's text with its layer images by absolute path, so that it reads the same from the
// output folder.
std::string seedText(const fs::path& file)
{
    Json scene = Json::parse(std::ifstream(file));
    if (scene.contains("layers")) {
        for (auto& [key, image] : scene["layers"].items()) {
            image = fs::absolute(file.parent_path() / image.get<std::string>()).string();
        }
    }
    return scene.dump(2);
}

// The module's controls as it registers them.
zelrender::ParamStore moduleControls(const fs::path& zelRender)
{
    const zelrender::ModuleLibrary module(zelRender.parent_path() / "zel.so");
    const zelrender::ModuleOutput output = zelrender::ModuleOutput::toLogFile();
    zelrender::EffectHost host(module.entryPoint(), zelrender::Composition{}, output);
    host.setUp();
    zelrender::ParamStore controls = host.params();
    host.setDown();
    return controls;
}

class Report {
public:
    void fault(const std::string& what, const RenderFault& fault, const fs::path& reproducer)
    {
        ++faults_;
        std::cout << "zel-fuzz: " << what << ": " << fault.kind
                  << (fault.detail.empty() ? "" : ": ") << fault.detail
                  << "\n  reproduce: zel-render " << reproducer.string()
                  << " --frames 0 --bpc 32 -o frame.exr" << std::endl;
    }
    void fault(const std::string& what, const std::string& text, const fs::path& file)
    {
        ++faults_;
        std::cout << "zel-fuzz: " << what << ": " << text << "\n  the scene: " << file.string()
                  << std::endl;
    }
    int faults() const { return faults_; }

private:
    int faults_ = 0;
};

int run(const Options& o)
{
    fs::create_directories(o.out);
    const fs::path zelRender = besideExecutable("zel-render");
    const zelrender::ParamStore controls = moduleControls(zelRender);
    std::mt19937 random(o.seed);
    SceneShape shape;
    std::tie(shape.width, shape.height) = zelrender::parseSize(o.size);
    shape.frames = o.framesPerProcess;
    shape.maxVertices = o.maxVertices;
    shape.images = filesIn(o.imageFolders, {".png", ".exr", ".tif", ".tiff", ".jpg"});
    RenderTrials trials{zelRender, fs::absolute(o.out), o.secondsPerFrame, {}};
    Report report;

    std::vector<std::string> seeds;
    for (const fs::path& file : filesIn(o.sceneFolders, {".json"})) {
        seeds.push_back(seedText(file));
    }
    const int processes = (o.sets + o.framesPerProcess - 1) / o.framesPerProcess;
    for (int p = 0; p < processes; ++p) {
        const Json scene = randomScene(random, controls, shape);
        seeds.push_back(scene.dump(2));
        const int frames = std::min(o.framesPerProcess, o.sets - p * o.framesPerProcess);
        const std::string name = "sets-" + std::to_string(p);
        if (const auto fault = renderScene(trials, scene, frames, name)) {
            const std::string set = "set " + std::to_string(p * o.framesPerProcess + fault->frame);
            report.fault(set, *fault, minimise(trials, scene, *fault, "reproduce-" + name));
        }
    }

    // Taken scenes render one cheap frame: their own geometry could ask for hours.
    trials.extraArguments = {"--size", o.size,          "--set", "Vertices X=20",
                             "--set",  "Vertices Y=20", "--set", "Instances=1"};
    SceneMutator mutator(random);
    int taken = 0, rendered = 0;
    for (int n = 0; n < o.scenes && !seeds.empty(); ++n) {
        const std::string text = mutator.mutate(seeds[static_cast<std::size_t>(n) % seeds.size()]);
        const SceneOutcome outcome = tryScene(text, controls);
        const std::string name = "scene-" + std::to_string(n);
        if (!outcome.fault.empty()) {
            const fs::path file = trials.folder / (name + ".json");
            std::ofstream(file) << text;
            report.fault("mutated " + name, outcome.fault, file);
            continue;
        }
        taken += outcome.taken;
        if (outcome.taken && (o.sceneRenders < 0 || rendered < o.sceneRenders)) {
            ++rendered;
            if (const auto fault = renderScene(trials, Json::parse(text), 1, name, true)) {
                report.fault("mutated " + name, *fault, trials.folder / (name + ".json"));
            }
        }
    }
    // Mutations that nearly always or nearly never leave a scene readable try little of either
    // path, so a run of them says little.
    if (o.scenes >= 100 && (taken * 10 < o.scenes || taken * 2 > o.scenes)) {
        std::cerr << "zel-fuzz: " << taken << " of " << o.scenes
                  << " mutated scenes were taken; between a tenth and a half make a useful run\n";
        return 2;
    }
    std::cout << "zel-fuzz: " << o.sets << " parameter sets in " << processes << " processes, "
              << o.scenes << " mutated scenes (" << taken << " taken, " << rendered
              << " of them rendered): " << report.faults()
              << (report.faults() == 1 ? " fault" : " faults") << std::endl;
    return report.faults() == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app(
        "Renders random valid parameter sets and reads mutated scenes, and reports "
        "crashes, hangs, non-finite pixels and failed runs with a scene that reproduces each.",
        "zel-fuzz");
    // The last of an option given twice counts, so that scripts/fuzz's counts can be overridden.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    Options o;
    app.add_option("--seed", o.seed,
                   "Seed of the random choices; the same seed makes the same trials");
    app.add_option("--sets", o.sets, "Random valid parameter sets to render")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--frames-per-process", o.framesPerProcess,
                   "Sets rendered by one zel-render run, one per frame")
        ->check(CLI::PositiveNumber);
    app.add_option("--scenes", o.scenes, "Mutated scenes to read")->check(CLI::NonNegativeNumber);
    app.add_option("--scene-renders", o.sceneRenders,
                   "Taken mutated scenes to render (default: all)");
    app.add_option("--size", o.size, "Frame size of the renders");
    app.add_option("--max-vertices", o.maxVertices, "Vertices X x Vertices Y x Instances at most")
        ->check(CLI::PositiveNumber);
    app.add_option("--seconds-per-frame", o.secondsPerFrame, "A frame that takes longer is a hang")
        ->check(CLI::PositiveNumber);
    app.add_option("--images", o.imageFolders, "Folder of images for the layer controls");
    app.add_option("--scenes-from", o.sceneFolders,
                   "Folder of valid scenes to mutate, besides the random ones");
    app.add_option("--out", o.out, "Folder for scenes, frames and the reproducers of faults");
    zelrender::addVersionFlag(app, "zel-fuzz");
    CLI11_PARSE(app, argc, argv);
    try {
        return run(o);
    } catch (const std::exception& e) {
        std::cerr << "zel-fuzz: " << e.what() << std::endl;
        return 2;
    }
}
