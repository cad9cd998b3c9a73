// A host for the module's tests: serves the callbacks and suites the module calls, records each
// call in order, and can be told to fail at chosen points. Hosts nest: the basic suite and the
// string copy reach the newest live one.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "sdk/pf_effect.h"

namespace zel::test {

class RecordingHost {
public:
    RecordingHost();
    ~RecordingHost();
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    PF_InData in_data{};
    PF_OutData out_data{};
    PF_UtilCallbacks utils{};

    // Every callback and suite call, e.g. "checkout 5", "checkin 5", "acquire PF World Suite 2".
    std::vector<std::string> log;

    // Suites the basic suite hands out, with their tables (a placeholder when the test only
    // counts acquisitions); anything else is not found.
    void offerSuite(const std::string& name, int version, const void* table = nullptr);
    std::map<std::pair<std::string, int>, const void*> offered;
    SPErr releaseResult = kSPNoError;

    // Parameters the effect added, as it described them; the add_param call (from 0) that fails.
    std::vector<PF_ParamDef> added;
    int failAddParamAt = -1;
    PF_Err addParamError = 33;

    // Parameter checkout: values are the index, so a test can tell them apart.
    int failCheckoutAt = -1;  // parameter index
    PF_Err checkoutError = 44;
    std::vector<std::pair<int, int>> checkoutTimes;  // (index, time)

    // Smart rendering.
    PF_EffectWorld inputWorld{}, outputWorld{};
    PF_Err inputError = PF_Err_NONE, outputError = PF_Err_NONE;
    bool inputNull = false, outputNull = false;
    PF_SmartRenderCallbacks smartCallbacks{};
    PF_SmartRenderInput smartInput{};
    PF_SmartRenderExtra smartExtra{};

    // Pre-rendering.
    PF_Err layerCheckoutError = PF_Err_NONE;
    std::vector<PF_RenderRequest> layerRequests;
    PF_PreRenderInput preRenderInput{};
    PF_PreRenderOutput preRenderOutput{};
    PF_PreRenderCallbacks preRenderCallbacks{};
    PF_PreRenderExtra preRenderExtra{};

    // Entries of the log that start with `prefix`, in order.
    std::vector<std::string> entries(const std::string& prefix) const;

    static RecordingHost& of(PF_ProgPtr effect_ref);
    static RecordingHost& current();

private:
    SPBasicSuite basic_{};
    RecordingHost* previous_;
};

}  // namespace zel::test
