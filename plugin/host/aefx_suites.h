// Acquiring and releasing single suites for the length of a command, with failures reported to
// the user through the command's return message.
#pragma once

#include <cstdint>

#include "plugin/host/suite_traits.h"
#include "sdk/pf_suites.h"

namespace zel {

// On success *suite holds the table and the result is 0. Without a basic suite, or when the host
// hands back no table, errorText (or a general text when null) becomes the return message and the
// result is 516.
PF_Err AEFX_AcquireSuite(PF_InData* in_data, PF_OutData* out_data, const char* name,
                         std::int32_t version, const char* errorText, void** suite);

// 0 whenever a basic suite exists, whatever it answers; otherwise as AEFX_AcquireSuite.
PF_Err AEFX_ReleaseSuite(PF_InData* in_data, PF_OutData* out_data, const char* name,
                         std::int32_t version, const char* errorText);

// The four drawing suites, in the order draw, supplier, surface, path; stops at the first failure.
PF_Err AEFX_AcquireDrawbotSuites(PF_InData* in_data, PF_OutData* out_data, DRAWBOT_Suites* suites);
PF_Err AEFX_ReleaseDrawbotSuites(PF_InData* in_data, PF_OutData* out_data);

// Typed forms for the suite tables of the host interface.
template <class Suite>
PF_Err acquireSuite(PF_InData* in_data, PF_OutData* out_data, const char* errorText,
                    const Suite** suite)
{
    void* table = nullptr;
    const PF_Err err = AEFX_AcquireSuite(in_data, out_data, SuiteTraits<Suite>::key.name,
                                         SuiteTraits<Suite>::key.version, errorText, &table);
    *suite = static_cast<const Suite*>(table);
    return err;
}

template <class Suite>
PF_Err releaseSuite(PF_InData* in_data, PF_OutData* out_data, const char* errorText)
{
    return AEFX_ReleaseSuite(in_data, out_data, SuiteTraits<Suite>::key.name,
                             SuiteTraits<Suite>::key.version, errorText);
}

}  // namespace zel
