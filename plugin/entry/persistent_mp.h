// The effect's entry in the host's persistent settings that tells whether it may render on
// several processes at once.
#pragma once

#include "sdk/pf_effect.h"

namespace zel {

// The effect's match name, under which the host keeps its settings.
inline constexpr const char* kMatchName = "vo Zel";

// The settings section for the host's interface version, or null for hosts older than 12.13,
// which keep no such entry.
const char* multiprocessSection(PF_SpecVersion version);

// enable 0 writes "0" under the match name (not multiprocessing-compatible); non-zero deletes the
// entry. Host failures, a missing suite among them, are ignored: the entry is a preference.
int AEGP_SetPersistentMP(PF_InData* in_data, const char* matchName, int enable);

}  // namespace zel
