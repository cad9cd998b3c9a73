// Parameter updates over the effect protocol: values through the command's parameter array,
// the look of the controls through the host's parameter-utilities suite.
#pragma once

#include "plugin/host/ParameterDef.h"
#include "plugin/host/PluginUpdate_API.h"
#include "sdk/pf_suites.h"

namespace zel {

class PluginHost_AE_Impl;

// Lives within one command and is deleted before the host object it was made from. Holds the
// suite from construction to destruction; without it (isValid false) the control operations
// answer PF_Err_BAD_CALLBACK_PARAM and the value setters still work.
class PluginUpdate_AE_Impl final : public PluginUpdate_API {
public:
    explicit PluginUpdate_AE_Impl(PluginHost_AE_Impl* host);
    ~PluginUpdate_AE_Impl() override;

    PluginUpdate_AE_Impl(const PluginUpdate_AE_Impl&) = delete;
    PluginUpdate_AE_Impl& operator=(const PluginUpdate_AE_Impl&) = delete;

    bool isValid() override;
    // A kind of 0 or less writes a fixed slider, otherwise a float slider.
    int setFloatValue(int index, int kind, double value) override;
    int setAngleValue(int index, int kind, double degrees) override;
    int setIntValue(int index, int kind, int value) override;
    int setBoolValue(int index, int kind, bool value) override;
    // The host's 1-based choice number, stored as given.
    int setEnumValue(int index, int kind, unsigned int value) override;
    // Host pixels.
    int setPoint2DValue(int index, int kind, double x, double y) override;
    // 0..1 per channel; opaque.
    int setColorValue(int index, int kind, double red, double green, double blue) override;
    int setEnable(int index, int kind, bool enabled) override;
    int setGroupOpen(int index, int kind, bool open) override;
    int setParamName(int index, int kind, const char* name) override;
    int setParamNameEnable(int index, int kind, const char* name, bool enabled) override;

private:
    // Sends a copy of parameter index, as `change` alters it, to the host's controls; the
    // parameter array itself stays as it is.
    template <class Change>
    int updateUi(int index, Change change);
    void writeName(PF_ParamDef& def, const char* name) const;

    PluginHost_AE_Impl* host;
    ZQS::ParameterDef values;
    const PF_ParamUtilsSuite2* suite = nullptr;
    PF_ParamDef scratch{};
};

}  // namespace zel
