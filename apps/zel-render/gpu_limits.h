// What this machine's OpenGL driver can hold, asked before anything renders so that a frame it
// cannot take is refused with the place that asked for it rather than by the module mid-run.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "apps/zel-render/child_processes.h"
#include "host/scene.h"

namespace zelrender {

// The largest width and height of a texture, from a context made the way the module makes its
// own. The context lives in a short-lived child process, so this process keeps no driver state
// (and no driver threads) into the module's set-up or into worker processes started later. The
// child is forked when the query is made, which must be before anything starts threads (the
// image library does, reading a scene's layers): a fork copies other threads' locks, held or not.
class TextureSideQuery {
public:
    TextureSideQuery();
    // Waits for the child if its answer was not asked for.
    ~TextureSideQuery();
    TextureSideQuery(const TextureSideQuery&) = delete;
    TextureSideQuery& operator=(const TextureSideQuery&) = delete;

    // Waits for the answer, once; nullopt when no context can be made (the module then reports
    // that itself) or when the child could not be started.
    std::optional<int> answer();

private:
    pid_t child_ = -1;
    UniqueFd read_;
};

// Throws std::invalid_argument when --downsample leaves the composition's frame or a layer image
// no pixel one way, naming --downsample; or, naming `sizeGivenBy` (where the frame's size came
// from, such as "--size 20000x100") or the layer's control, when the frame or a layer at its
// downsampled size is wider or taller than `largestSide`, the driver's largest texture.
void checkFrameFits(const Scene& scene, std::optional<int> largestSide,
                    const std::string& sizeGivenBy);

}  // namespace zelrender
