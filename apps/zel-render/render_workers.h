// Renders a job's frames in worker processes, each zel-render run anew to load the module for
// itself (one GL context and one thread per process), while this process shows their progress
// and, for a video, hands ffmpeg the frames in order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "apps/zel-render/command_line.h"
#include "apps/zel-render/progress.h"
#include "apps/zel-render/render_job.h"
#include "host/composition.h"

namespace zelrender {

// Starts one worker per job, but no more than there are frames: zel-render with `arguments`, the
// command line it was given, and --worker K N. Of N workers, worker K renders frames K, K + N,
// K + 2N, ... of the range (renderShare). Workers write image files themselves and send a
// video's frames here, for ffmpeg (whose messages go to stderr when `verbose`). Progress goes to
// stderr in `style`.
//
// Each worker is handed `sceneText`, the scene file's text as this process read it
// (sceneTextFromCommand).
//
// The first failure stops every other worker (SIGTERM); once all have ended, and no temporary
// file is left behind, it is thrown as RunFailed with the failure's exit code and message.
// SIGINT, SIGTERM, SIGHUP and SIGQUIT end the run the same way, with kInterrupted. Image files
// already written stay; a video is written whole or not at all.
void renderWithWorkers(const RenderJob& job, const Composition& composition, ProgressStyle style,
                       bool verbose, const std::vector<std::string>& arguments,
                       const std::string& sceneText);

// In a worker, the scene file's text that the zel-render that started it read: a scene from a
// pipe can be read only once. Throws std::runtime_error.
std::string sceneTextFromCommand();

// Sets up a host for the scene, renders `share` of the frames and hands each to `deliver`.
// Throws as the host's set-up and renderScene throw.
using RenderShare = std::function<void(const FrameRange& share, const FrameDelivery& deliver)>;

// The work of zel-render run with --worker `worker` `workers`: renders its share of the job with
// `render` and reports each frame done, or the failure that ends it, to the zel-render that
// started it. Returns the exit code.
ExitCode renderShare(const RenderJob& job, std::int32_t worker, std::int32_t workers,
                     const RenderShare& render);

}  // namespace zelrender
