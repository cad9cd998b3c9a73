// Relocatable-memory handles for hosts that lend none: a handle points at the pointer to its
// block, as the desktop memory managers the effect was written against shape them. Blocks come
// from the heap and never move, so locking only has to hand out the block.
#pragma once

#include <cstdint>

namespace zel::platform {

using Handle = void**;

// A block of `size` bytes (at least one), or null when the heap has no room.
Handle NewHandle(std::uint64_t size);
void HLock(Handle handle);
void HUnlock(Handle handle);
// Null is ignored.
void DisposeHandle(Handle handle);

}  // namespace zel::platform
