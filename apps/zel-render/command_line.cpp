#include "apps/zel-render/command_line.h"

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "host/composition.h"
#include "host/message_text.h"

namespace zelrender {

std::string exitCodeTable()
{
    std::string text = "Exit codes:\n";
    for (const ExitCodeMeaning& row : kExitCodes) {
        text += "  " + std::to_string(row.code) + "  " + row.meaning + "\n";
    }
    return text;
}

void addVersionFlag(CLI::App& app, const std::string& program)
{
    app.set_version_flag("--version", program + " " ZEL_VERSION,
                         "Print " + program + "'s version and exit");
}

void addRenderOptions(CLI::App& app, Options& options)
{
    app.add_option("scene", options.scenePath,
                   "A scene file (JSON), or - for standard input; without one, the built-in "
                   "scene: 1920 x 1080, 24 fps, 8 bits, the default camera, no lights, every "
                   "control at its default")
        ->type_name("SCENE.json");
    app.add_option("-o,--output", options.output,
                   "The image to write, as .png, .tif, .exr, .jpg or .webp, where a run of # "
                   "becomes the frame number, zero-padded; or a video, .mp4 (H.264), .mov "
                   "(ProRes 4444, with alpha) or .gif, encoded by ffmpeg at the composition's "
                   "frame rate divided by the step of --frames; its folder is made if missing "
                   "(default: zel.png)")
        ->type_name("PATH");
    app.add_option("--frames", options.frames,
                   "The frame A, the range A-B, A- to the end, or all, and xSTEP for every "
                   "STEP-th frame of it from A, such as 0-239x2; A and B are frame numbers, or "
                   "times in seconds such as 2.5s, 0s-4s (a time B ends the range with the frame "
                   "before it) (default: 0)")
        ->type_name("A[-[B]][xSTEP]|all");
    app.add_option("-j,--jobs", options.jobs,
                   "Render with N worker processes, each loading the module and writing its "
                   "share of the frames (default: 1)")
        ->check(CLI::Range(1, kMaxJobs))
        ->type_name("N");
    app.add_option("--worker", options.worker)->expected(2)->allow_extra_args(false)->group("");
    app.add_option("--size", options.size, "The composition's size instead of the scene's")
        ->type_name("WxH");
    app.add_option("--bpc", options.bitsPerChannel, "Bits per channel instead of the scene's")
        ->check(CLI::IsMember({8, 16, 32}))
        ->type_name("BITS");
    app.add_option("--downsample", options.downsample,
                   "Render at 1/N resolution: the image is 1/N of the size each way")
        ->check(CLI::Range(1, static_cast<int>(kMaxLayerSide)))
        ->type_name("N");
    app.add_option("--background", options.background,
                   "Composite each frame over a colour, #RRGGBB, or an image of the "
                   "composition's size, instead of the scene's background; formats without "
                   "alpha (.jpg, .mp4, .gif) are over black unless given one (default: none, "
                   "the effect's frame with its alpha)")
        ->type_name("COLOR|IMAGE");
    app.add_flag("--classic", options.classic,
                 "Render with the classic RENDER command rather than smart rendering");
    app.add_option("--plugin", options.modulePath,
                   "The effect module to load (default: zel.so beside zel-render)")
        ->type_name("PATH");
    app.add_option("--set", options.assignments,
                   "Give a control a value, e.g. \"Vertices X=200\", \"Draw=Points\", "
                   "\"Color=#FF8000\", \"Position XY=960,540\" or \"50%,50%\"; keyframes, "
                   "times in seconds, e.g. \"Evolution=0s:0,4s:360 hold\" (linear, hold or "
                   "smooth); a layer control an image, e.g. \"Texture Layer=wood.png\"; "
                   "repeatable; overrides the scene's value")
        ->type_name("NAME=VALUE");
    CLI::Option* list =
        app.add_flag("--list-params", options.listParams, "Print every control the module has");
    app.add_flag("--json", options.json, "With --list-params: print them as JSON")->needs(list);
    app.add_option("--help-control", options.helpControl,
                   "Print what the control NAME does, its range, default, unit and choices, and "
                   "which choices of other controls grey it out")
        ->type_name("NAME")
        ->excludes(list);
    app.add_flag("--about", options.about,
                 "Show the module's about box and wait until it is clicked away; without a "
                 "display its texts go where the module's messages go");
    app.add_flag("--dump-scene", options.dumpScene,
                 "Print the whole scene as a scene file, instead of rendering: the composition "
                 "(with --size and --bpc), the camera, the lights, the layer images and "
                 "every control's value or keyframes (with --set)")
        ->excludes(list)
        ->excludes("--about");
    app.add_option("--set-end-frame", options.endFrame,
                   "Press \"Set End Frame\" with the current time at TIME, in seconds (2 or 2s) "
                   "or a frame number with f (48f), and write the loop values it gives (\"Loop "
                   "X\", \"Loop Y\", \"Loop Z\", \"Loop Evolution\") into the scene file as "
                   "constants, instead of rendering")
        ->type_name("TIME")
        ->excludes(list)
        ->excludes("--about")
        ->excludes("--set")
        ->excludes("--dump-scene");
    // A mode that renders nothing refuses what only a render uses, rather than ignore it.
    for (const char* mode :
         {"--list-params", "--help-control", "--about", "--dump-scene", "--set-end-frame"}) {
        for (const char* renderOnly : {"--output", "--frames", "--jobs", "--classic"}) {
            app.get_option(mode)->excludes(renderOnly);
        }
    }
    app.get_option("--help-control")
        ->excludes("--about")
        ->excludes("--dump-scene")
        ->excludes("--set-end-frame");
    app.add_flag("--preview", options.preview,
                 "Show the frames in a window as they render, then play them over and over until "
                 "the window is closed, writing no file (needs ffplay, which comes with ffmpeg)")
        ->excludes("--output")
        ->excludes("--jobs")
        ->excludes(list)
        ->excludes("--help-control")
        ->excludes("--about")
        ->excludes("--dump-scene")
        ->excludes("--set-end-frame");
    app.add_flag("-v,--verbose", options.verbose,
                 "Send the module's and ffmpeg's own messages to stderr rather than to the log "
                 "file; progress then comes as a line per frame");
    app.add_flag("-q,--quiet", options.quiet,
                 "Print nothing but warnings and errors: no progress and no summary");
}

Options parseCommandLine(std::span<const std::string> arguments)
{
    Options options;
    CLI::App app{"Renders the Zel effect without a compositing application.", "zel-render"};
    addRenderOptions(app, options);
    app.footer(exitCodeTable());
    addVersionFlag(app, "zel-render");
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        throw CommandLineExit(kSuccess, app.help());
    } catch (const CLI::CallForVersion& e) {
        throw CommandLineExit(kSuccess, e.what());
    } catch (const CLI::ParseError& e) {
        // The message may quote an argument as typed, control characters and all.
        throw CommandLineExit(kBadInput,
                              oneLine(e.what()) + "\nRun with --help for more information.");
    }
    return options;
}

}  // namespace zelrender
