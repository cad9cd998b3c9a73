// Times the module's whole GL initialisation (context, eleven programs, lookup textures, video
// memory and report) in fresh processes, since it runs once per loaded module, and prints the
// median of the runs.
//
//   zel_bench_gl_setup [runs]        (default 9)
//   MESA_SHADER_CACHE_DISABLE=true zel_bench_gl_setup   for a cold shader cache
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "plugin/render/shared_gl_state.h"

namespace {

// Runs the set-up in a child process and returns its duration in milliseconds, or a negative
// value when the child failed.
double timeOneSetup()
{
    int channel[2];
    if (::pipe(channel) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::fclose(stdout);  // the set-up's console lines are not part of the measurement
        const auto start = std::chrono::steady_clock::now();
        zel::sharedGL().initialize(zel::defaultOpenGLSetupEnvironment());
        const double ms = std::chrono::duration<double, std::milli>(
                              std::chrono::steady_clock::now() - start).count();
        const double result = zel::sharedGL().gSharedContext() != nullptr ? ms : -1;
        const bool sent = ::write(channel[1], &result, sizeof result) == sizeof result;
        _exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    double ms = -1;
    if (::read(channel[0], &ms, sizeof ms) != sizeof ms) {
        ms = -1;
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return ms;
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double ms = timeOneSetup();
        if (ms < 0) {
            std::fprintf(stderr, "zel_bench_gl_setup: run %d made no GL context\n", i + 1);
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("GL set-up over %d runs: median %.1f ms, fastest %.1f ms, slowest %.1f ms\n", runs,
                times[times.size() / 2], times.front(), times.back());
    return 0;
}
