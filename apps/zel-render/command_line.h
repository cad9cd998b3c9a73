// zel-render's command line: its options, how they are read, and the exit codes it reports.
#pragma once

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace zelrender {

// What a run ends with; each is explained in --help.
enum ExitCode : int {
    kSuccess = 0,
    kBadInput = 1,            // the command line, the scene or an image was refused
    kModuleUnavailable = 2,   // the effect module could not be loaded
    kModuleFailed = 3,        // the module failed a command, such as a frame; its message is shown
    kOutputFailed = 4,        // an output file could not be written, or the video encoder failed
    kEncoderUnavailable = 5,  // a video was asked for and ffmpeg is not on PATH
    kInterrupted = 130,       // SIGINT, SIGTERM, SIGHUP or SIGQUIT stopped the run (128 + SIGINT)
};

struct ExitCodeMeaning {
    ExitCode code;
    const char* meaning;
};

inline constexpr ExitCodeMeaning kExitCodes[] = {
    {kSuccess, "everything asked for was done"},
    {kBadInput, "the command line, the scene file or an image it names was refused"},
    {kModuleUnavailable, "the effect module could not be loaded"},
    {kModuleFailed, "the module failed a command, such as rendering a frame (its message is printed)"},
    {kOutputFailed, "an output file could not be written, or the video encoder failed"},
    {kEncoderUnavailable, "a video was asked for and ffmpeg, which encodes it, is not on PATH"},
    {kInterrupted, "stopped by Ctrl-C (SIGINT), SIGTERM, SIGHUP or SIGQUIT; image files already "
                   "written are kept"},
};

// "Exit codes:" and a line for each, as --help ends.
std::string exitCodeTable();

// The most worker processes --jobs starts: each holds a GL context and a copy of the scene.
inline constexpr int kMaxJobs = 64;

struct Options {
    std::string scenePath;
    std::string output = "zel.png";
    std::string frames = "0";
    int jobs = 1;  // worker processes
    // Hidden, for the worker processes zel-render starts: --worker K N renders the K-th of N
    // shares of the frames and reports to the zel-render that started it. Empty otherwise.
    std::vector<int> worker;
    std::string size;
    int bitsPerChannel = 0;  // 0: the scene's
    int downsample = 1;
    std::string background;  // empty: the scene's
    bool classic = false;
    std::string modulePath;
    std::vector<std::string> assignments;
    std::optional<std::string> endFrame;  // seconds, as typed
    bool listParams = false;
    std::optional<std::string> helpControl;  // --help-control NAME
    bool dumpScene = false;
    bool about = false;
    bool preview = false;
    bool json = false;
    bool verbose = false;
    bool quiet = false;
};

// The command line ends the run before anything is done: --help (exit code kSuccess, the text for
// stdout) or a refused option (kBadInput, the message for stderr).
class CommandLineExit : public std::runtime_error {
public:
    CommandLineExit(ExitCode code, const std::string& text) : std::runtime_error(text), code_(code)
    {
    }
    ExitCode code() const { return code_; }

private:
    ExitCode code_;
};

// --version on `app`, which prints `program` and the version of Zel it belongs to; CLI11 then
// throws CLI::CallForVersion with that text.
void addVersionFlag(CLI::App& app, const std::string& program);

// Adds zel-render's options to `app`, each read into its field of `options`.
void addRenderOptions(CLI::App& app, Options& options);

// Reads the arguments after the program's name. Throws CommandLineExit.
Options parseCommandLine(std::span<const std::string> arguments);

}  // namespace zelrender
