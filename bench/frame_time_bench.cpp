// Frame time of whole renders through the host protocol (pre-render, render, the module's read-
// back into the host's world), at 1920 x 1080 on this machine's GL driver. Each case is timed
// against an empty frame measured in the same run with the same settings but a 2 x 2 grid of
// size 0: the same passes (clear, post-process, occlusion, read-back, conversion to the depth)
// with no surface drawn, so the ratio isolates the cost of the surface itself.
//
// Each case runs in its own process: the module sets up GL once per load and does not set it up
// again for a second host in the same process, and reads ZEL_DISPLACEMENT, which picks the
// displacement pass or the per-vertex evaluation, once.
//
//   zel_bench_frame_time [runs]    (default 5 pairs of frames; medians)
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "apps/zel-render/module_output.h"
#include "host/effect_host.h"
#include "host/module_library.h"
#include "host/param_assignment.h"

namespace {

using zelrender::EffectHost;

struct Case {
    const char* name;
    int bits;
    std::vector<std::string> settings;
    const char* displacement;  // the value of ZEL_DISPLACEMENT
};

const std::vector<std::string> kHeavy = {"Vertices X=500", "Vertices Y=500", "Complexity=10",
                                         "Instances=4", "Ambient Occlusion=On"};
// No area to fill: the surface costs next to nothing, everything around it stays.
const std::vector<std::string> kEmpty = {"Vertices X=2", "Vertices Y=2", "Size X=0",
                                         "Size Y=0"};
const std::vector<std::string> kEmptyDefaults = {"Vertices X=50", "Vertices Y=50", "Size X=200",
                                                 "Size Y=200"};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Timing {
    double frame = -1;  // median ms
    double empty = -1;
};

// One host at `bits`; frames with `settings` and empty frames taken in alternating pairs, so
// that drift on a shared machine lands on both alike. The first frame of each pair takes the
// change of settings (a new mesh, say) and is not counted.
Timing frameTimes(PF_EntryPointFunc entry, const zelrender::ModuleOutput& output, int bits,
                  const std::vector<std::string>& settings, int runs)
{
    zelrender::Composition composition;
    composition.bitsPerChannel = bits;
    EffectHost host(entry, composition, output);
    host.setUp();
    // The empty frame's overrides reset to their defaults, then the case's own settings.
    std::vector<std::string> full = kEmptyDefaults;
    full.insert(full.end(), settings.begin(), settings.end());
    std::vector<std::string> empty = full;
    empty.insert(empty.end(), kEmpty.begin(), kEmpty.end());
    const auto pair = [&host](const std::vector<std::string>& values) {
        zelrender::applyAssignments(host.params(), values);
        host.refreshControls();
        const auto deliver = [](const zelrender::WorldView&) {};
        host.render(0, EffectHost::RenderPath::Smart, deliver);
        const auto start = std::chrono::steady_clock::now();
        host.render(0, EffectHost::RenderPath::Smart, deliver);
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    std::vector<double> frames;
    std::vector<double> empties;
    for (int i = 0; i < runs; ++i) {
        frames.push_back(pair(full));
        empties.push_back(pair(empty));
    }
    host.setDown();
    return {median(frames), median(empties)};
}

// frameTimes() in a child process; negative times when the child failed.
Timing frameTimesApart(const char* module, const Case& c, int runs)
{
    int channel[2];
    if (::pipe(channel) != 0) {
        return {};
    }
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        Timing result;
        try {
            ::setenv("ZEL_DISPLACEMENT", c.displacement, 1);
            const zelrender::ModuleLibrary library(module);
            const zelrender::ModuleOutput output = zelrender::ModuleOutput::toLogFile();
            result = frameTimes(library.entryPoint(), output, c.bits, c.settings, runs);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "zel_bench_frame_time: %s\n", e.what());
        }
        const bool sent = ::write(channel[1], &result, sizeof result) == sizeof result;
        _exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    Timing result;
    if (child < 0 || ::read(channel[0], &result, sizeof result) != sizeof result) {
        result = {};
    }
    ::close(channel[0]);
    int status = 0;
    if (child > 0) {
        ::waitpid(child, &status, 0);
    }
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::vector<Case> cases = {
        {"default", 8, {}, "pass"},   {"default", 16, {}, "pass"},    {"default", 32, {}, "pass"},
        {"default", 8, {}, "direct"}, {"heavy", 8, kHeavy, "direct"}, {"heavy", 8, kHeavy, "pass"},
    };
    std::printf("1920 x 1080, median of %d frames; empty: same settings plus %s, %s, %s, %s\n",
                runs, kEmpty[0].c_str(), kEmpty[1].c_str(), kEmpty[2].c_str(),
                kEmpty[3].c_str());
    std::printf("%-8s %4s %-7s %12s %12s %7s\n", "scene", "bits", "path", "frame ms", "empty ms",
                "ratio");
    for (const Case& c : cases) {
        const Timing t = frameTimesApart(ZEL_MODULE_PATH, c, runs);
        if (t.frame < 0 || t.empty < 0) {
            return 1;
        }
        std::printf("%-8s %4d %-7s %12.1f %12.1f %7.2f\n", c.name, c.bits, c.displacement, t.frame,
                    t.empty, t.frame / t.empty);
        std::fflush(stdout);
    }
    return 0;
}
