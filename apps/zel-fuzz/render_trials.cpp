#include "apps/zel-fuzz/render_trials.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <OpenImageIO/imagebuf.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "apps/zel-fuzz/random_scenes.h"
#include "apps/zel-render/child_processes.h"
#include "host/whole_files.h"

namespace zelfuzz {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;
using namespace std::chrono_literals;

constexpr int kMinimiseTries = 200;

fs::path framePath(const RenderTrials& trials, const std::string& name, int frame)
{
    char number[24];  // room for any int, sign included
    std::snprintf(number, sizeof number, "-%04d.exr", frame);
    return trials.folder / (name + number);
}

// The exit status of `command`, or nothing when it ran past `seconds` and was stopped: SIGTERM
// first, which zel-render passes on to its workers, then SIGKILL.
std::optional<int> runFor(const std::vector<std::string>& command, const fs::path& messages,
                          double seconds)
{
    const zelrender::UniqueFd out(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    const zelrender::UniqueFd err(
        ::open(messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    const pid_t pid = zelrender::spawn(command[0], command, {{out.get(), 1}, {err.get(), 2}});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    const auto ended = [pid](auto until) -> std::optional<int> {
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > until) {
                return std::nullopt;
            }
            std::this_thread::sleep_for(20ms);
        }
        return status;
    };
    if (const std::optional<int> status = ended(deadline)) {
        return status;
    }
    ::kill(pid, SIGTERM);
    if (!ended(std::chrono::steady_clock::now() + 5s)) {
        ::kill(pid, SIGKILL);
        zelrender::waitFor(pid);
    }
    return std::nullopt;
}

std::size_t lineCount(const fs::path& file)
{
    std::ifstream in(file);
    std::size_t lines = 0;
    for (std::string line; std::getline(in, line);) {
        ++lines;
    }
    return lines;
}

// "" when every value of the image is finite; otherwise where the first one is not, or why the
// image cannot be read.
std::string nonFinite(const fs::path& file)
{
    OIIO::ImageBuf image(file.string());
    if (!image.read(0, 0, true, OIIO::TypeDesc::FLOAT)) {
        return "cannot be read: " + image.geterror();
    }
    const OIIO::ROI all = image.roi();
    std::vector<float> pixels(all.npixels() * static_cast<std::size_t>(all.nchannels()));
    if (!image.get_pixels(all, OIIO::TypeDesc::FLOAT, pixels.data())) {
        return "cannot be read: " + image.geterror();
    }
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (!std::isfinite(pixels[i])) {
            const std::size_t pixel = i / static_cast<std::size_t>(all.nchannels());
            std::ostringstream where;
            where << "channel " << i % all.nchannels() << " of pixel (" << pixel % all.width()
                  << ", " << pixel / all.width() << ") is " << pixels[i];
            return where.str();
        }
    }
    return "";
}

}  // namespace

std::optional<RenderFault> renderScene(const RenderTrials& trials, const Json& scene, int frames,
                                       const std::string& name, bool refusalAllowed)
{
    const fs::path sceneFile = trials.folder / (name + ".json"),
                   messages = trials.folder / (name + ".log");
    std::ofstream(sceneFile) << scene.dump(2) << '\n';
    for (int k = 0; k < frames; ++k) {
        fs::remove(framePath(trials, name, k));
    }
    std::vector<std::string> command = {trials.zelRender.string(),
                                        sceneFile.string(),
                                        "--frames",
                                        "0-" + std::to_string(frames - 1),
                                        "-j",
                                        "1",
                                        "-q",
                                        "--bpc",
                                        "32",
                                        "-o",
                                        (trials.folder / (name + "-####.exr")).string()};
    command.insert(command.end(), trials.extraArguments.begin(), trials.extraArguments.end());
    const std::optional<int> status =
        runFor(command, messages, (frames + 1) * trials.secondsPerFrame);
    const bool refused = status && WIFEXITED(*status) && WEXITSTATUS(*status) == 1;
    std::optional<RenderFault> fault;
    for (int k = 0; k < frames && !fault; ++k) {
        const fs::path frame = framePath(trials, name, k);
        if (!fs::exists(frame)) {
            fault = RenderFault{status ? zelrender::endingText(*status) : "hang",
                                zelrender::lastLineOf(messages), k};
        } else if (const std::string wrong = nonFinite(frame); !wrong.empty()) {
            fault = RenderFault{"non-finite pixels", wrong, k};
        }
        fs::remove(frame);
    }
    if (refused && refusalAllowed && lineCount(messages) == 1) {
        fault.reset();
    } else if (!fault && (!status || *status != 0)) {
        fault = RenderFault{status ? zelrender::endingText(*status) : "hang",
                            zelrender::lastLineOf(messages), frames - 1};
    }
    if (!fault) {
        fs::remove(sceneFile);
        fs::remove(messages);
    }
    return fault;
}

fs::path minimise(const RenderTrials& trials, const Json& scene, const RenderFault& fault,
                  const std::string& name)
{
    Json smallest = frameOf(scene, fault.frame);
    const auto stillFails = [&](const Json& candidate) {
        const std::optional<RenderFault> again = renderScene(trials, candidate, 1, name + "-try");
        return again && again->kind == fault.kind;
    };
    int tries = 0;
    // Each control, light, layer image and camera property is left out where the fault stays
    // without it.
    for (const char* part : {"controls", "lights", "layers", "camera"}) {
        if (!smallest.contains(part)) {
            continue;
        }
        for (std::size_t i = 0; i < smallest[part].size() && tries < kMinimiseTries; ++tries) {
            Json candidate = smallest;
            Json& items = candidate[part];
            if (items.is_array()) {
                items.erase(i);
            } else {
                items.erase(std::next(items.begin(), static_cast<std::ptrdiff_t>(i)).key());
            }
            if (stillFails(candidate)) {
                smallest = std::move(candidate);
            } else {
                ++i;
            }
        }
    }
    const fs::path file = trials.folder / (name + ".json");
    std::ofstream(file) << smallest.dump(2) << '\n';
    for (const char* leftover : {"-try.json", "-try.log"}) {
        fs::remove(trials.folder / (name + leftover));
    }
    return file;
}

}  // namespace zelfuzz
