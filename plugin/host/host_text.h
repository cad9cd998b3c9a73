// Writing text into the host's fixed-size buffers through the host's own string callbacks.
#pragma once

#include <cstddef>

#include "sdk/pf_effect.h"

namespace zel {

// Copies `text` into `dest` (capacity `destSize`, terminator included) with the host's strcpy.
// The host copies without a bound, so a longer text is cut to fit first; without the callback
// the copy is made here.
void copyHostText(const PF_InData* in_data, char* dest, std::size_t destSize, const char* text);

// Puts `text` into out_data's return message with the host's sprintf, cut to the message's 256
// bytes, and asks the host to show it.
void setReturnMessage(const PF_InData* in_data, PF_OutData* out_data, const char* text);

}  // namespace zel
