#include "plugin/host/PluginUpdate_AE_Impl.h"

#include <algorithm>

#include "plugin/host/PluginHost_AE_Impl.h"
#include "plugin/host/aefx_suites.h"
#include "plugin/host/host_callbacks.h"
#include "plugin/host/host_text.h"

namespace zel {
namespace {

unsigned char toChannel8(double value)
{
    return static_cast<unsigned char>(std::clamp(value * 255.0 + 0.5, 0.0, 255.0));
}

std::int32_t uiFlags(bool enabled)
{
    return enabled ? PF_PUI_NONE : PF_PUI_DISABLED;
}

}  // namespace

PluginUpdate_AE_Impl::PluginUpdate_AE_Impl(PluginHost_AE_Impl* host_)
    : host(host_), values(host_->getInData(), host_->getParams())
{
    acquireSuite(host->getInData(), host->getOutData(), "Failed to acquire suite.", &suite);
}

PluginUpdate_AE_Impl::~PluginUpdate_AE_Impl()
{
    if (suite != nullptr) {
        releaseSuite<PF_ParamUtilsSuite2>(host->getInData(), host->getOutData(),
                                          "Failed to release suite.");
    }
}

bool PluginUpdate_AE_Impl::isValid()
{
    return suite != nullptr;
}

int PluginUpdate_AE_Impl::setFloatValue(int index, int kind, double value)
{
    values.SetFloatValue(index, value, kind <= 0);
    return PF_Err_NONE;
}

int PluginUpdate_AE_Impl::setAngleValue(int index, int, double degrees)
{
    values.SetAngleValue(index, degrees);
    return PF_Err_NONE;
}

int PluginUpdate_AE_Impl::setIntValue(int index, int, int value)
{
    values.SetIntValue(index, value);
    return PF_Err_NONE;
}

int PluginUpdate_AE_Impl::setBoolValue(int index, int, bool value)
{
    values.SetBoolValue(index, value);
    return PF_Err_NONE;
}

int PluginUpdate_AE_Impl::setEnumValue(int index, int, unsigned int value)
{
    values.SetMenuValue(index, static_cast<int>(value));
    return PF_Err_NONE;
}

int PluginUpdate_AE_Impl::setPoint2DValue(int index, int, double x, double y)
{
    values.SetPoint(index, {x, y});
    return PF_Err_NONE;
}

int PluginUpdate_AE_Impl::setColorValue(int index, int, double red, double green, double blue)
{
    values.SetColor(index, {255, toChannel8(red), toChannel8(green), toChannel8(blue)});
    return PF_Err_NONE;
}

template <class Change>
int PluginUpdate_AE_Impl::updateUi(int index, Change change)
{
    PF_ParamDef** params = host->getParams();
    if (params == nullptr) {
        return PF_Err_INVALID_ARGUMENT;
    }
    scratch = *params[index];
    change(scratch);
    return callHost(suite, &PF_ParamUtilsSuite2::PF_UpdateParamUI, host->getInData()->effect_ref,
                    index, &scratch);
}

// Bounded to the name field, and the name is copied, never read as a format.
void PluginUpdate_AE_Impl::writeName(PF_ParamDef& def, const char* name) const
{
    copyHostText(host->getInData(), def.name, sizeof def.name, name);
}

int PluginUpdate_AE_Impl::setEnable(int index, int, bool enabled)
{
    return updateUi(index, [&](PF_ParamDef& def) { def.ui_flags = uiFlags(enabled); });
}

int PluginUpdate_AE_Impl::setGroupOpen(int index, int, bool open)
{
    return updateUi(index, [&](PF_ParamDef& def) {
        def.flags = open ? (def.flags | PF_ParamFlag_COLLAPSE_TWIRLY)
                         : (def.flags & ~PF_ParamFlag_COLLAPSE_TWIRLY);
    });
}

int PluginUpdate_AE_Impl::setParamName(int index, int, const char* name)
{
    return updateUi(index, [&](PF_ParamDef& def) { writeName(def, name); });
}

int PluginUpdate_AE_Impl::setParamNameEnable(int index, int, const char* name, bool enabled)
{
    return updateUi(index, [&](PF_ParamDef& def) {
        def.ui_flags = uiFlags(enabled);
        writeName(def, name);
    });
}

}  // namespace zel
