#include "apps/zel-render/render_workers.h"

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "apps/zel-render/child_processes.h"
#include "apps/zel-render/failure.h"
#include "apps/zel-render/frame_writer.h"
#include "apps/zel-render/image_files.h"
#include "apps/zel-render/video_encoder.h"
#include "host/image_code.h"
#include "host/scene.h"
#include "host/whole_files.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// What a worker sends after each frame of its share, in order, and once if it fails: this, then
// `length` bytes: a video frame's pixels (none for an image file it wrote itself), or the
// failure's message; then `warningLength` bytes of a warning for the run to give once.
struct Report {
    std::int32_t code = kSuccess;  // kSuccess: its next frame is done; else how it failed
    std::int32_t width = 0;        // of the pixels that follow
    std::int32_t height = 0;
    std::uint64_t length = 0;
    std::uint64_t warningLength = 0;
};

// Where a worker sends its reports, and where it reads the scene's text.
constexpr int kReportFd = 3;
constexpr int kSceneFd = 4;

// The signals that stop a run: kill, and those a terminal sends to its whole process group on
// Ctrl-C, Ctrl-\ and hanging up. Workers keep the terminal's blocked, as only the process that
// started them decides how the run ends, and stop at its SIGTERM.
constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGQUIT, SIGHUP};
constexpr std::span<const int> kTerminalSignals = std::span(kStopSignals).subspan(1);

// The software GL driver draws with a thread per core in each process that uses it: workers
// share the cores rather than each starting as many threads as there are, worker `k` of
// `workers` taking its part, at least one. A count the user set (LP_NUM_THREADS) stands.
std::vector<std::string> driverThreads(std::int32_t k, std::int32_t workers)
{
    if (workers < 2 || std::getenv("LP_NUM_THREADS") != nullptr) {
        return {};
    }
    cpu_set_t usable;
    CPU_ZERO(&usable);
    const int cores = ::sched_getaffinity(0, sizeof usable, &usable) == 0
                          ? CPU_COUNT(&usable)
                          : static_cast<int>(std::thread::hardware_concurrency());
    const int threads = cores / workers + (k < cores % workers ? 1 : 0);
    return {"LP_NUM_THREADS=" + std::to_string(std::max(threads, 1))};
}

// Every frame allocates and frees the same large buffers (the driver's targets among them, 66 MB
// at 1080p). Handed back to the system, each comes back as fresh pages to fault in and zero, some
// 15 % of an 8-bit sequence's time; kept in the heap, it is reused. The price is a peak some
// 80 MB higher, which then stays flat.
void keepFreedMemory()
{
    ::mallopt(M_MMAP_MAX, 0);
    ::mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
}

// A worker whose parent has gone has no one to render for: SIGPIPE ends it.
void send(const Report& report, const void* payload, const std::string& warning = "")
{
    if (!writeAll(kReportFd, &report, sizeof report) ||
        !writeAll(kReportFd, payload, report.length) ||
        !writeAll(kReportFd, warning.data(), report.warningLength)) {
        throw std::system_error(errno, std::generic_category(), "cannot report to zel-render");
    }
}

// A stop signal, once caught, and a pipe that wakes the parent's poll() when one comes.
volatile std::sig_atomic_t gStopSignal = 0;
int gWakeFd = -1;

void onStopSignal(int signal)
{
    gStopSignal = signal;
    const char byte = 0;
    const ssize_t written = ::write(gWakeFd, &byte, 1);
    static_cast<void>(written);  // a full pipe has woken the parent already
}

// Catches the stop signals for as long as it lives, and ignores SIGPIPE, so that ffmpeg ending
// early fails a write rather than ending zel-render.
class StopSignals {
public:
    StopSignals() : wake_(makePipe(O_NONBLOCK))
    {
        gStopSignal = 0;
        gWakeFd = wake_.write.get();
        struct sigaction stop {};
        stop.sa_handler = onStopSignal;  // without SA_RESTART, so that poll() returns at once
        sigemptyset(&stop.sa_mask);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
            ::sigaction(kStopSignals[i], &stop, &saved_[i]);
        }
        ::sigaction(SIGPIPE, &ignore, &savedPipe_);
    }
    ~StopSignals()
    {
        for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
            ::sigaction(kStopSignals[i], &saved_[i], nullptr);
        }
        ::sigaction(SIGPIPE, &savedPipe_, nullptr);
        gWakeFd = -1;
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    int wakeFd() const { return wake_.read.get(); }

private:
    Pipe wake_;
    struct sigaction saved_[std::size(kStopSignals)] {};
    struct sigaction savedPipe_ {};
};

struct Worker {
    pid_t pid = -1;  // until waited for
    UniqueFd reports;
    FrameRange share;
    std::int32_t index = 0;  // its frames are index, index + N, ... of the range
    std::int32_t done = 0;   // frames of its share reported
};

// A video frame that came before its turn.
struct Pending {
    std::int32_t width;
    std::int32_t height;
    std::vector<std::byte> pixels;
};

class WorkerRun {
public:
    WorkerRun(const RenderJob& job, const Composition& composition, ProgressStyle style,
              bool verbose)
        : job_(job), composition_(composition), verbose_(verbose),
          video_(isVideoFile(job.output)),
          progress_(std::cerr, style, job.frames.count(), job.output.string())
    {
    }
    // Stops the workers still running and waits for them.
    ~WorkerRun();
    WorkerRun(const WorkerRun&) = delete;
    WorkerRun& operator=(const WorkerRun&) = delete;

    // Starts the workers, zel-render run with `arguments` as the worker of its share, each given
    // `sceneText`.
    void start(const std::vector<std::string>& arguments, const std::string& sceneText);
    // Until every frame is done and, for a video, encoded.
    void finish();

private:
    // Its next frame's place in the range.
    std::int32_t nextIndex(const Worker& worker) const
    {
        return worker.index + worker.done * static_cast<std::int32_t>(workers_.size());
    }
    // A video's frames are encoded in order, and a worker is heard only while its next frame is
    // within one round of the frame to encode next: so at most one frame per worker waits here,
    // and a worker that runs ahead waits on its pipe.
    bool heard(const Worker& worker) const
    {
        return !video_ ||
               nextIndex(worker) < encodeNext_ + static_cast<std::int32_t>(workers_.size());
    }
    void receive(Worker& worker);
    // The worker's pipe has closed: it should have ended after its last frame.
    void ended(Worker& worker);
    // Waits for the worker, and removes the file it was writing when it stopped.
    int reap(Worker& worker);
    void encodeWaitingFrames();
    // Throws RunFailed once a stop signal has come.
    void stopIfSignalled() const;
    double elapsed() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

    const RenderJob& job_;
    const Composition& composition_;
    const bool verbose_;
    const bool video_;
    const Clock::time_point start_ = Clock::now();
    Progress progress_;
    StopSignals signals_;
    std::vector<Worker> workers_;
    std::map<std::int32_t, Pending> waiting_;  // by place in the range
    std::int32_t encodeNext_ = 0;              // place in the range
    bool warned_ = false;                      // a worker's warning, given once for the run
    std::optional<VideoEncoder> encoder_;
};

WorkerRun::~WorkerRun()
{
    for (const Worker& worker : workers_) {
        if (worker.pid > 0) {
            ::kill(worker.pid, SIGTERM);
        }
    }
    for (Worker& worker : workers_) {
        if (worker.pid > 0) {
            reap(worker);
        }
    }
}

void WorkerRun::start(const std::vector<std::string>& arguments, const std::string& sceneText)
{
    const UniqueFd scene(::memfd_create("zel-render scene", MFD_CLOEXEC));
    if (!scene || !writeAll(scene.get(), sceneText.data(), sceneText.size())) {
        throw std::system_error(errno, std::generic_category(),
                                "cannot hand the scene to the workers");
    }
    const auto count = std::min<std::int32_t>(job_.jobs, job_.frames.count());
    for (std::int32_t k = 0; k < count; ++k) {
        Pipe pipe = makePipe();
        // zel-render anew, not a fork: a fork would inherit the threads' state of libraries that
        // checking the scene used, but not the threads. Ctrl-C reaches the whole process group,
        // but only this process decides how the run ends.
        std::vector<std::string> worker = {"zel-render", "--worker", std::to_string(k),
                                           std::to_string(count)};
        worker.insert(worker.end(), arguments.begin(), arguments.end());
        const pid_t pid = spawn("/proc/self/exe", worker,
                                {{pipe.write.get(), kReportFd}, {scene.get(), kSceneFd}},
                                {kTerminalSignals.begin(), kTerminalSignals.end()},
                                driverThreads(k, count));
        workers_.push_back({pid, std::move(pipe.read), job_.frames.share(k, count), k, 0});
    }
}

void WorkerRun::finish()
{
    try {
        while (std::any_of(workers_.begin(), workers_.end(),
                           [](const Worker& worker) { return bool(worker.reports); })) {
            std::vector<pollfd> polled{{signals_.wakeFd(), POLLIN, 0}};
            std::vector<Worker*> heardFrom;
            for (Worker& worker : workers_) {
                if (worker.reports && heard(worker)) {
                    polled.push_back({worker.reports.get(), POLLIN, 0});
                    heardFrom.push_back(&worker);
                }
            }
            if (::poll(polled.data(), polled.size(), -1) < 0 && errno != EINTR) {
                throw std::system_error(errno, std::generic_category(),
                                        "cannot wait for the workers");
            }
            stopIfSignalled();
            for (std::size_t i = 0; i < heardFrom.size(); ++i) {
                if (polled[i + 1].revents != 0) {
                    receive(*heardFrom[i]);
                }
            }
        }
        if (encoder_) {
            encoder_->finish();
        }
    } catch (...) {
        // The Ctrl-C that stopped ffmpeg is what ended the run, not the write that then failed.
        stopIfSignalled();
        throw;
    }
    progress_.finish(elapsed());
}

void WorkerRun::receive(Worker& worker)
{
    Report report;
    if (readAll(worker.reports.get(), &report, sizeof report) != sizeof report) {
        ended(worker);
        return;
    }
    std::vector<std::byte> payload(report.length);
    std::string warning(report.warningLength, '\0');
    if (readAll(worker.reports.get(), payload.data(), payload.size()) != payload.size() ||
        readAll(worker.reports.get(), warning.data(), warning.size()) != warning.size()) {
        ended(worker);
        return;
    }
    if (!warning.empty() && !warned_) {
        warned_ = true;
        progress_.warn(warning);
    }
    if (report.code != kSuccess) {
        throw RunFailed(static_cast<ExitCode>(report.code),
                        std::string(reinterpret_cast<const char*>(payload.data()), payload.size()));
    }
    const std::int32_t index = nextIndex(worker);
    const std::int32_t frame = worker.share.at(worker.done++);
    if (video_) {
        waiting_.emplace(index, Pending{report.width, report.height, std::move(payload)});
        encodeWaitingFrames();
    } else {
        progress_.frameDone(frame,
                            "frame " + std::to_string(frame) + " written to " +
                                framePath(job_.output, frame).string(),
                            elapsed());
    }
}

void WorkerRun::ended(Worker& worker)
{
    worker.reports.reset();
    const bool unfinished = worker.done < worker.share.count();
    const std::int32_t frame = worker.share.at(unfinished ? worker.done : worker.done - 1);
    const int status = reap(worker);
    if (!unfinished && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        return;
    }
    // It ended without a word: a crash, or a signal from elsewhere.
    throw RunFailed(kModuleFailed,
                    unfinished ? "frame " + std::to_string(frame) +
                                     ": the worker process rendering it ended with " +
                                     endingText(status)
                               : "the worker process that rendered frame " +
                                     std::to_string(frame) + " ended with " + endingText(status) +
                                     " after it");
}

int WorkerRun::reap(Worker& worker)
{
    const int status = waitFor(worker.pid);
    if (!video_ && worker.done < worker.share.count()) {
        std::error_code ignored;
        fs::remove(temporaryName(framePath(job_.output, worker.share.at(worker.done)), worker.pid),
                   ignored);
    }
    worker.pid = -1;
    return status;
}

void WorkerRun::encodeWaitingFrames()
{
    for (auto next = waiting_.find(encodeNext_); next != waiting_.end();
         next = waiting_.find(encodeNext_)) {
        const Pending& pending = next->second;
        const std::int32_t frame = job_.frames.at(encodeNext_);
        if (!encoder_) {
            encoder_.emplace(job_.output,
                             videoFormat(pending.width, pending.height, composition_,
                                         job_.frames.step),
                             verbose_);
        } else if (pending.width != encoder_->format().width ||
                   pending.height != encoder_->format().height) {
            throw OutputFailed(job_.output.string() + ": frame " + std::to_string(frame) +
                               " is " + std::to_string(pending.width) + " x " +
                               std::to_string(pending.height) + " pixels, and the video's " +
                               std::to_string(encoder_->format().width) + " x " +
                               std::to_string(encoder_->format().height));
        }
        encoder_->write(pending.pixels);
        waiting_.erase(next);
        ++encodeNext_;
        progress_.frameDone(
            frame, "frame " + std::to_string(frame) + " added to " + job_.output.string(),
            elapsed());
    }
}

void WorkerRun::stopIfSignalled() const
{
    if (gStopSignal != 0) {
        throw RunFailed(kInterrupted, std::string("stopped by SIG") +
                                          ::sigabbrev_np(gStopSignal) +
                                          (video_ ? "; no video was written"
                                                  : "; the frames written so far are kept"));
    }
}

}  // namespace

void renderWithWorkers(const RenderJob& job, const Composition& composition, ProgressStyle style,
                       bool verbose, const std::vector<std::string>& arguments,
                       const std::string& sceneText)
{
    WorkerRun run(job, composition, style, verbose);
    run.start(arguments, sceneText);
    run.finish();
}

std::string sceneTextFromCommand()
{
    return readWhole("/proc/self/fd/" + std::to_string(kSceneFd), kMaxSceneBytes);
}

ExitCode renderShare(const RenderJob& job, std::int32_t worker, std::int32_t workers,
                     const RenderShare& render)
{
    keepFreedMemory();
    const bool video = isVideoFile(job.output);
    try {
        if (worker < 0 || worker >= workers || workers > job.frames.count()) {
            throw std::invalid_argument("--worker " + std::to_string(worker) + " " +
                                        std::to_string(workers) + ": no such share of " +
                                        std::to_string(job.frames.count()) + " frames");
        }
        // Reported as written, in order: the parent removes the temporary file of the frame after
        // the last reported when it stops this worker.
        std::unique_ptr<FrameOutput> output;  // the image library is loaded by the first frame
        FrameWriter writer([&](std::int32_t frame, const WorldView& world,
                               const std::string& warning) {
            if (!output) {
                output =
                    imageCode().frameOutput(job.background, job.output, !keepsAlpha(job.output));
            }
            if (video) {
                const std::vector<std::byte> pixels = output->pixels(world);
                send({kSuccess, world.width, world.height, pixels.size(), warning.size()},
                     pixels.data(), warning);
            } else {
                output->write(world, framePath(job.output, frame));
                send({.warningLength = warning.size()}, nullptr, warning);
            }
        });
        try {
            render(job.frames.share(worker, workers),
                   [&](std::int32_t frame, const WorldView& world, const std::string& warning) {
                       writer.hand(frame, world, warning);
                   });
        } catch (...) {
            // The frames before the failure are written first; a failed write among them is the
            // earlier failure, and is thrown instead.
            writer.finish();
            throw;
        }
        writer.finish();
        return kSuccess;
    } catch (const std::exception& e) {
        const std::string message = e.what();
        const ExitCode code = exitCodeOf(e);
        send({code, 0, 0, message.size()}, message.data());
        return code;
    }
}

}  // namespace zelrender
