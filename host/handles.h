// Relocatable memory blocks for the module: a handle points to the pointer to its block.
#pragma once

#include <cstdint>

#include "sdk/pf_suites.h"

namespace zelrender {

// Blocks start zeroed. Null handles are accepted everywhere and do nothing.
PF_Handle newHandle(std::uint64_t size);
void* lockHandle(PF_Handle handle);
void unlockHandle(PF_Handle handle);
void disposeHandle(PF_Handle handle);
std::uint64_t handleSize(PF_Handle handle);

// The same functions as the handle suite.
extern const PF_HandleSuite2 kHandleSuite;

}  // namespace zelrender
