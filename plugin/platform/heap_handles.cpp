#include "plugin/platform/heap_handles.h"

#include <cstdlib>
#include <new>

namespace zel::platform {

Handle NewHandle(std::uint64_t size)
{
    void* block = std::malloc(size > 0 ? static_cast<std::size_t>(size) : 1);
    if (block == nullptr) {
        return nullptr;
    }
    Handle handle = new (std::nothrow) void*(block);
    if (handle == nullptr) {
        std::free(block);
    }
    return handle;
}

void HLock(Handle) {}

void HUnlock(Handle) {}

void DisposeHandle(Handle handle)
{
    if (handle != nullptr) {
        std::free(*handle);
        delete handle;
    }
}

}  // namespace zel::platform
