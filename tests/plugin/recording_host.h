// The host the module's tests hand their commands to: it serves the callbacks and suites the
// module calls, records each call in order, holds a parameter array and worlds with real pixels,
// and can be told to fail at chosen points. Hosts nest: the basic suite reaches the newest one.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "sdk/pf_suites.h"

namespace zel::test {

// The parts, separated by spaces: words("checkout", 5) is "checkout 5".
template <typename... Parts>
std::string words(const Parts&... parts)
{
    std::ostringstream text;
    ((text << parts << ' '), ...);
    return text.str().substr(0, text.str().size() - 1);
}

class RecordingHost {
public:
    RecordingHost();
    ~RecordingHost();
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;
    static RecordingHost& of(PF_ProgPtr effect_ref);
    static RecordingHost& current();

    PF_InData in_data{};
    PF_OutData out_data{};
    PF_UtilCallbacks utils{};
    PF_LayerDef output{};

    // Every call, e.g. "checkout 5 at 48 step 1 scale 24", "checkin 5", "acquire PF World Suite 2".
    std::vector<std::string> log;
    PF_Err note(const std::string& entry, PF_Err answer = PF_Err_NONE);
    // The entries that start with one of the prefixes, in order.
    std::vector<std::string> entries(std::initializer_list<std::string> prefixes) const;
    std::vector<std::string> entries(const std::string& prefix) const { return entries({prefix}); }

    // Suites the basic suite hands out; every table below is offered until withdrawn.
    std::map<std::pair<std::string, int>, const void*> offered;
    void offerSuite(const std::string& name, int version, const void* table) { offered[{name, version}] = table; }
    void withdraw(const std::string& name);
    SPErr releaseResult = kSPNoError;
    PF_WorldSuite2 worldSuite{};
    PF_ColorParamSuite1 colorSuite{};
    PF_ParamUtilsSuite2 paramUtils{};
    PF_PixelFloat floatColor{};
    PF_Err floatColorResult = PF_Err_NONE;
    std::vector<std::pair<int, PF_ParamDef>> uiUpdates;  // (index, what PF_UpdateParamUI was sent)

    // What the effect registered; the add_param call (from 0) that fails.
    std::vector<PF_ParamDef> added;
    int failAddParamAt = -1;
    PF_Err addParamError = 33;

    // The command's 115 parameters. Checkout copies param(index), then onCheckout may change the
    // copy; checkin logs the index the def was checked out under.
    PF_ParamDef& param(int index) { return defs_.at(static_cast<std::size_t>(index)); }
    PF_ParamDef** params() { return array_.data(); }
    std::function<void(int index, int time, PF_ParamDef& def)> onCheckout;
    int failCheckoutAt = -1;  // parameter index
    PF_Err checkoutError = 44;
    PF_Err checkinResult = PF_Err_NONE;
    std::map<const PF_ParamDef*, int> checkedOut;

    // A world of width × height in `format`, as the world suite reports it, over zeroed pixels.
    PF_LayerDef makeWorld(int width, int height, PF_PixelFormat format);
    std::list<std::vector<std::uint8_t>> pixels;
    std::map<const void*, PF_PixelFormat> formats;  // by data pointer; ARGB32 when absent

    // Smart rendering and pre-rendering: the worlds handed out (null answers none) and the errors.
    PF_EffectWorld inputWorld{}, outputWorld{};
    PF_EffectWorld* inputAnswer = &inputWorld;
    PF_EffectWorld* outputAnswer = &outputWorld;
    PF_Err inputError = PF_Err_NONE, outputError = PF_Err_NONE;
    PF_SmartRenderCallbacks smartCallbacks{};
    PF_SmartRenderInput smartInput{};
    PF_SmartRenderExtra smartExtra{&smartInput, &smartCallbacks};
    PF_Err layerCheckoutError = PF_Err_NONE;
    std::vector<PF_RenderRequest> layerRequests;
    PF_PreRenderInput preRenderInput{};
    PF_PreRenderOutput preRenderOutput{};
    PF_PreRenderCallbacks preRenderCallbacks{};
    PF_PreRenderExtra preRenderExtra{&preRenderInput, &preRenderOutput, &preRenderCallbacks};

private:
    SPBasicSuite basic_{};
    RecordingHost* previous_;
    std::vector<PF_ParamDef> defs_ = std::vector<PF_ParamDef>(115);
    std::vector<PF_ParamDef*> array_;
};

}  // namespace zel::test
