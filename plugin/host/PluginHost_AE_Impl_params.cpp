// Parameter values: checked out at a time, read from the command's array, or written back.
#include "plugin/host/PluginHost_AE_Impl.h"

#include "plugin/host/ParameterDef.h"
#include "plugin/host/PluginUpdate_AE_Impl.h"
#include "plugin/host/fixed_point.h"
#include "plugin/host/host_callbacks.h"

namespace zel {

bool PluginHost_AE_Impl::canCheckOut() const
{
    return inData->inter.checkout_param != nullptr && inData->inter.checkin_param != nullptr;
}

PF_Err PluginHost_AE_Impl::checkoutParam(int index, std::int32_t time, std::int32_t timeStep,
                                         std::uint32_t timeScale, PF_ParamDef* def)
{
    if (!canCheckOut()) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    return inData->inter.checkout_param(inData->effect_ref, index, time, timeStep, timeScale, def);
}

// The host takes each time as a 32-bit value.
void PluginHost_AE_Impl::checkoutAt(int index, const TimeObject& t, PF_ParamDef* def)
{
    checkoutParam(index, static_cast<std::int32_t>(t.time), static_cast<std::int32_t>(t.timeStep),
                  static_cast<std::uint32_t>(t.timeScale), def);
}

PF_Err PluginHost_AE_Impl::checkinParam(PF_ParamDef* def)
{
    return callHost(&inData->inter, &PF_InteractCallbacks::checkin_param, inData->effect_ref, def);
}

// The checkout's own result is not examined: a failed checkout leaves the zeroed definition,
// which reads as 0, and the check-in's answer tells the caller.
template <class Read>
int PluginHost_AE_Impl::readParam(int index, const TimeObject& t, Read read)
{
    if (!canCheckOut()) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    PF_ParamDef def{};
    checkoutAt(index, t, &def);
    read(def);
    return checkinParam(&def);
}

int PluginHost_AE_Impl::GetFixedFloatValue(int index, int, const TimeObject& t, double& value)
{
    return GetFloatValue(index, -1, t, value);
}

int PluginHost_AE_Impl::GetFloatValue(int index, int kind, const TimeObject& t, double& value)
{
    return readParam(index, t, [&](const PF_ParamDef& def) {
        value = kind < 0 ? def.u.fs_d.value : fromFixed(def.u.fd.value);
    });
}

int PluginHost_AE_Impl::GetAngleValue(int index, int, const TimeObject& t, double& degrees)
{
    return readParam(index, t, [&](const PF_ParamDef& def) { degrees = fromFixed(def.u.ad.value); });
}

int PluginHost_AE_Impl::GetIntValue(int index, int, const TimeObject& t, int& value)
{
    return readParam(index, t, [&](const PF_ParamDef& def) { value = def.u.sd.value; });
}

int PluginHost_AE_Impl::GetUIntValue(int index, int, const TimeObject& t, unsigned& value)
{
    return readParam(index, t, [&](const PF_ParamDef& def) {
        value = static_cast<unsigned>(def.u.pd.value - 1);
    });
}

int PluginHost_AE_Impl::GetPoint2DValue(int index, int, const TimeObject& t, double& x, double& y)
{
    return readParam(index, t, [&](const PF_ParamDef& def) {
        x = fromFixed(def.u.td.x_value) / getOutputWidth();
        y = fromFixed(def.u.td.y_value) / getOutputHeight();
    });
}

int PluginHost_AE_Impl::GetColorValue(int index, int, const TimeObject& t, double& red,
                                      double& green, double& blue)
{
    return readParam(index, t, [&](const PF_ParamDef& def) {
        red = def.u.cd.value.red / 255.0;
        green = def.u.cd.value.green / 255.0;
        blue = def.u.cd.value.blue / 255.0;
    });
}

int PluginHost_AE_Impl::GetBoolValue(int index, int, const TimeObject&, bool& value)
{
    value = params != nullptr && params[index]->u.bd.value != 0;
    return 0;
}

int PluginHost_AE_Impl::getFloatColor(int index, int, double* red, double* green, double* blue,
                                      TimeObject* t)
{
    if (colorParamSuite == nullptr) {
        return 1;
    }
    PF_ParamDef checkedOut{};
    PF_ParamDef* def = nullptr;
    if (t != nullptr) {
        if (!canCheckOut()) {
            return 1;
        }
        checkoutAt(index, *t, &checkedOut);
        def = &checkedOut;
    } else if (params != nullptr) {
        def = params[index];
    } else {
        return 1;
    }
    PF_PixelFloat color{};
    const PF_Err err =
        callHost(colorParamSuite, &PF_ColorParamSuite1::PF_GetFloatingPointColorFromColorDef,
                 inData->effect_ref, def, &color);
    if (err == PF_Err_NONE) {
        // Products in single precision, as the host's own float pipeline forms them.
        *red = color.red * 255.0f;
        *green = color.green * 255.0f;
        *blue = color.blue * 255.0f;
    }
    if (t != nullptr) {
        checkinParam(def);
    }
    return err == PF_Err_NONE ? 0 : 1;
}

void PluginHost_AE_Impl::SetFloatValue(int index, int, double& value)
{
    ZQS::ParameterDef(inData, params).SetFloatValue(index, value, false);
}

void PluginHost_AE_Impl::SetAngleValue(int index, int, double& degrees)
{
    ZQS::ParameterDef(inData, params).SetAngleValue(index, degrees);
}

void PluginHost_AE_Impl::SetPoint2DValue(int index, int, double x, double y)
{
    ZQS::ParameterDef(inData, params)
        .SetPoint(index, {x * getOutputWidth(), y * getOutputHeight()});
}

PluginUpdate_API* PluginHost_AE_Impl::makeUpdateApi()
{
    return new PluginUpdate_AE_Impl(this);
}

}  // namespace zel
