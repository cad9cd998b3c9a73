// zel-render: loads the effect module and plays a compositing host's side of the protocol.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "apps/zel-render/effect_host.h"
#include "apps/zel-render/module_library.h"
#include "apps/zel-render/module_output.h"
#include "apps/zel-render/param_assignment.h"
#include "apps/zel-render/param_listing.h"

namespace {

using namespace zelrender;

enum ExitCode : int { kSuccess = 0, kBadInputOrFailedCommand = 1, kModuleUnavailable = 2 };

struct Options {
    std::string modulePath;
    std::vector<std::string> assignments;
    bool listParams = false;
    bool about = false;
    bool json = false;
    bool verbose = false;
};

int run(const Options& options)
{
    const std::filesystem::path path = options.modulePath.empty()
                                           ? moduleBesideExecutable()
                                           : std::filesystem::path(options.modulePath);
    const ModuleLibrary module(path);
    const ModuleOutput moduleOutput =
        options.verbose ? ModuleOutput::toStderr() : ModuleOutput::toLogFile();

    // Controls are known only once the module has registered them, so set-up comes first.
    EffectHost host(module.entryPoint(), Composition{}, moduleOutput);
    host.setUp();
    applyAssignments(host.params(), options.assignments);
    if (!options.assignments.empty()) {
        host.refreshControls();
    }
    if (options.about) {
        host.about();
    } else if (options.listParams && options.json) {
        std::cout << paramListJson(host.params())
                         .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                  << '\n';
    } else if (options.listParams) {
        printParamTable(std::cout, host.params());
    } else {
        std::cerr << "zel-render: module " << path.string() << " loaded, "
                  << host.params().size() - 1 << " controls; rendering lands in a later version\n";
    }
    host.setDown();
    return kSuccess;
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Renders the Zel effect without a compositing application.", "zel-render"};
    Options options;
    app.add_option("--plugin", options.modulePath,
                   "The effect module to load (default: zel.so beside zel-render)")
        ->type_name("PATH");
    app.add_option("--set", options.assignments,
                   "Give a control a constant value, e.g. \"Vertices X=200\", \"Draw=Points\", "
                   "\"Color=#FF8000\", \"Position XY=960,540\"; repeatable")
        ->type_name("NAME=VALUE");
    CLI::Option* list =
        app.add_flag("--list-params", options.listParams, "Print every control the module has");
    app.add_flag("--json", options.json, "With --list-params: print them as JSON")->needs(list);
    app.add_flag("--about", options.about,
                 "Show the module's about box and wait until it is clicked away; without a "
                 "display its texts go where the module's messages go");
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
