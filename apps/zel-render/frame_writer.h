// Frames written (or converted for a video) on a thread of their own while the next one draws.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "apps/zel-render/render_job.h"

namespace zelrender {

// Hands each frame to `write` on the writer's thread, in the order given. A frame is copied out
// of the world the host draws the next one into; one waits while another is written, and a frame
// handed over while one waits waits for the writer, so memory holds two frames at most whatever
// the run's length. After a failed write no frame is written: the failure is thrown where the
// next frame is handed over, or by finish().
class FrameWriter {
public:
    explicit FrameWriter(FrameDelivery write);
    // Writes no frame still waiting; waits for the one being written.
    ~FrameWriter();
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;

    void hand(std::int32_t frame, const WorldView& world, const std::string& warning);
    // Waits until every frame handed over is written; throws what the failed write threw.
    void finish();

private:
    struct Held {
        std::int32_t frame;
        WorldView world;  // over `pixels`
        std::vector<unsigned char> pixels;
        std::string warning;
    };
    void run();
    void throwFailure();

    FrameDelivery write_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<Held> waiting_;
    bool writing_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread thread_;  // last: it starts once the rest is set up
};

}  // namespace zelrender
