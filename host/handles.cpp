#include "host/handles.h"

#include <cstdlib>
#include <new>

namespace zelrender {
namespace {

// The handle is the address of `data`, the record's first member, so the record is found back
// from the handle.
struct Block {
    void* data;
    std::uint64_t size;
};

Block* blockOf(PF_Handle handle)
{
    return reinterpret_cast<Block*>(handle);
}

}  // namespace

PF_Handle newHandle(std::uint64_t size)
{
    // calloc(0) may return null; one byte keeps every live handle's block distinct and non-null.
    void* data = std::calloc(size > 0 ? size : 1, 1);
    if (data == nullptr) {
        return nullptr;
    }
    auto* block = new (std::nothrow) Block{data, size};
    if (block == nullptr) {
        std::free(data);
        return nullptr;
    }
    return &block->data;
}

void* lockHandle(PF_Handle handle)
{
    return handle != nullptr ? *handle : nullptr;
}

// Blocks never move, so there is nothing to pin or unpin.
void unlockHandle(PF_Handle /*handle*/)
{
}

void disposeHandle(PF_Handle handle)
{
    if (handle != nullptr) {
        Block* block = blockOf(handle);
        std::free(block->data);
        delete block;
    }
}

std::uint64_t handleSize(PF_Handle handle)
{
    return handle != nullptr ? blockOf(handle)->size : 0;
}

const PF_HandleSuite2 kHandleSuite = {newHandle, lockHandle, unlockHandle, disposeHandle,
                                      handleSize};

}  // namespace zelrender
