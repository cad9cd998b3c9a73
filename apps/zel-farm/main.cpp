// zel-farm: renders a Zel scene's frames on a Slurm cluster, each task of a job array running
// zel-render on a chunk of them; and, as the last job of a video, encodes the frames.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "apps/zel-farm/farm_command_line.h"
#include "apps/zel-farm/farm_run.h"
#include "apps/zel-farm/frame_encoding.h"
#include "apps/zel-farm/slurm_jobs.h"
#include "apps/zel-render/failure.h"

int main(int argc, char** argv)
{
    using namespace zelrender;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    FarmRequest request;
    try {
        request = parseFarmCommandLine(arguments);
    } catch (const CommandLineExit& e) {
        std::fprintf(e.code() == kSuccess ? stdout : stderr, "%s\n", e.what());
        return e.code();
    }

    try {
        if (!request.encodeFrom.empty()) {
            encodeFrames(request);
            return kSuccess;
        }
        // zel-render lies beside zel-farm, in the build and once installed.
        return runFarm(
            planFarm(request, std::filesystem::read_symlink("/proc/self/exe").parent_path()));
    } catch (const SchedulerFailed& e) {
        std::fprintf(stderr, "zel-farm: %s\n", e.what());
        return kSchedulerFailed;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zel-farm: %s\n", e.what());
        return exitCodeOf(e);
    }
}
