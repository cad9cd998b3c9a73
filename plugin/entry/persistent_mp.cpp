#include "plugin/entry/persistent_mp.h"

#include "plugin/host/suite_handler.h"

namespace zel {

const char* multiprocessSection(PF_SpecVersion version)
{
    if (version.major >= 13) {
        return "EffectsCompatability -- Effect MP Compatible 6";
    }
    if (version.major == 12 && version.minor >= 14) {
        return "EffectsCompatability -- Effect MP Compatible 5";
    }
    if (version.major == 12 && version.minor == 13) {
        return "EffectsCompatability -- Effect MP Compatible";
    }
    return nullptr;
}

int AEGP_SetPersistentMP(PF_InData* in_data, const char* matchName, int enable)
{
    const char* section = multiprocessSection(in_data->version);
    if (section == nullptr) {
        return 0;
    }
    try {
        AEGP_SuiteHandler suites(in_data->pica_basicP);
        const AEGP_PersistentDataSuite3* data = suites.get<AEGP_PersistentDataSuite3>();
        AEGP_PersistentBlobH blob = nullptr;
        if (data->AEGP_GetApplicationBlob(&blob) != PF_Err_NONE) {
            return 0;
        }
        if (enable != 0) {
            data->AEGP_DeleteEntry(blob, section, matchName);
        } else {
            data->AEGP_SetString(blob, section, matchName, "0");
        }
    } catch (...) {
        // A preference the host cannot keep changes nothing about rendering.
    }
    return 0;
}

}  // namespace zel
