#include "apps/zel-render/frame_writer.h"

#include <utility>

namespace zelrender {

FrameWriter::FrameWriter(FrameDelivery write) : write_(std::move(write)), thread_([this] { run(); })
{
}

FrameWriter::~FrameWriter()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.reset();
    }
    changed_.notify_all();
    thread_.join();
}

void FrameWriter::hand(std::int32_t frame, const WorldView& world, const std::string& warning)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !waiting_ || failure_; });
    throwFailure();
    // Copied unlocked, so that the writer goes on meanwhile; only this thread fills the place.
    lock.unlock();
    const auto bytes =
        static_cast<std::size_t>(world.rowbytes) * static_cast<std::size_t>(world.height);
    Held held{frame, world, std::vector<unsigned char>(world.data, world.data + bytes), warning};
    held.world.data = held.pixels.data();
    lock.lock();
    waiting_.emplace(std::move(held));
    changed_.notify_all();
}

void FrameWriter::finish()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return (!waiting_ && !writing_) || failure_; });
    throwFailure();
}

void FrameWriter::throwFailure()
{
    if (failure_) {
        std::rethrow_exception(failure_);
    }
}

void FrameWriter::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return waiting_ || stopping_; });
        if (!waiting_) {
            return;
        }
        const Held held = std::move(*waiting_);
        waiting_.reset();
        writing_ = true;
        changed_.notify_all();
        lock.unlock();
        std::exception_ptr failure;
        try {
            write_(held.frame, held.world, held.warning);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        writing_ = false;
        if (failure) {
            failure_ = failure;
            waiting_.reset();
            changed_.notify_all();
            return;
        }
        changed_.notify_all();
    }
}

}  // namespace zelrender
