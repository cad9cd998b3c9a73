#include "plugin/host/aefx_suites.h"

#include "plugin/host/host_text.h"

namespace zel {
namespace {

// The drawing suites in the order they are acquired and released, with where each one is kept.
struct DrawbotSuite {
    const char* name;
    void (*store)(DRAWBOT_Suites& suites, void* table);
};

constexpr DrawbotSuite kDrawbotSuites[] = {
    {kDRAWBOT_DrawSuite,
     [](DRAWBOT_Suites& s, void* t) { s.drawbot_suiteP = static_cast<DRAWBOT_DrawSuite1*>(t); }},
    {kDRAWBOT_SupplierSuite,
     [](DRAWBOT_Suites& s, void* t) { s.supplier_suiteP = static_cast<DRAWBOT_SupplierSuite1*>(t); }},
    {kDRAWBOT_SurfaceSuite,
     [](DRAWBOT_Suites& s, void* t) { s.surface_suiteP = static_cast<DRAWBOT_SurfaceSuite1*>(t); }},
    {kDRAWBOT_PathSuite,
     [](DRAWBOT_Suites& s, void* t) { s.path_suiteP = static_cast<DRAWBOT_PathSuite1*>(t); }},
};

}  // namespace

PF_Err AEFX_AcquireSuite(PF_InData* in_data, PF_OutData* out_data, const char* name,
                         std::int32_t version, const char* errorText, void** suite)
{
    if (in_data->pica_basicP != nullptr) {
        const void* table = nullptr;
        in_data->pica_basicP->AcquireSuite(name, version, &table);
        *suite = const_cast<void*>(table);
        if (table != nullptr) {
            return PF_Err_NONE;
        }
    } else {
        *suite = nullptr;
    }
    setReturnMessage(in_data, out_data,
                     errorText != nullptr ? errorText : "Not able to acquire AEFX Suite.");
    return PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err AEFX_ReleaseSuite(PF_InData* in_data, PF_OutData* out_data, const char* name,
                         std::int32_t version, const char* errorText)
{
    if (in_data->pica_basicP != nullptr) {
        in_data->pica_basicP->ReleaseSuite(name, version);
        return PF_Err_NONE;
    }
    setReturnMessage(in_data, out_data,
                     errorText != nullptr ? errorText : "Not able to release AEFX Suite.");
    return PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err AEFX_AcquireDrawbotSuites(PF_InData* in_data, PF_OutData* out_data, DRAWBOT_Suites* suites)
{
    if (suites == nullptr) {
        setReturnMessage(in_data, out_data, "NULL suite pointer passed to AEFX_AcquireDrawbotSuites");
        return PF_Err_INVALID_ARGUMENT;
    }
    for (const DrawbotSuite& drawbot : kDrawbotSuites) {
        void* table = nullptr;
        const PF_Err err = AEFX_AcquireSuite(in_data, out_data, drawbot.name,
                                             kDRAWBOT_SuiteVersion1, nullptr, &table);
        drawbot.store(*suites, table);
        if (err != PF_Err_NONE) {
            return err;
        }
    }
    return PF_Err_NONE;
}

PF_Err AEFX_ReleaseDrawbotSuites(PF_InData* in_data, PF_OutData* out_data)
{
    for (const DrawbotSuite& drawbot : kDrawbotSuites) {
        AEFX_ReleaseSuite(in_data, out_data, drawbot.name, kDRAWBOT_SuiteVersion1, nullptr);
    }
    return PF_Err_NONE;
}

}  // namespace zel
