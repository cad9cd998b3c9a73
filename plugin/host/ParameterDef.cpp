#include "plugin/host/ParameterDef.h"

#include "plugin/host/fixed_point.h"
#include "plugin/host/host_identity.h"

namespace zel::ZQS {

ParameterDef::ParameterDef(PF_InData* in_data, PF_ParamDef** params_)
    : inData(in_data), params(params_)
{
}

PF_ParamDef* ParameterDef::def(int index) const
{
    return params != nullptr ? params[index] : nullptr;
}

// The definition to write, already marked changed; null without an array.
PF_ParamDef* ParameterDef::changed(int index)
{
    PF_ParamDef* target = def(index);
    if (target != nullptr) {
        target->uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;
    }
    return target;
}

bool ParameterDef::storesFixed(bool fixed) const
{
    return fixed || isHost(inData, PF_APPL_ID_KEYER);
}

void ParameterDef::SetFloatValue(int index, double value, bool fixed)
{
    if (PF_ParamDef* target = changed(index)) {
        SetFloatValue(target, value, fixed);
    }
}

void ParameterDef::SetFloatValue(PF_ParamDef* target, double value, bool fixed) const
{
    if (storesFixed(fixed)) {
        target->u.fd.value = toFixed(value);
    } else {
        target->u.fs_d.value = value;
    }
}

double ParameterDef::GetFloatValue(int index, bool fixed) const
{
    const PF_ParamDef* source = def(index);
    return source != nullptr ? GetFloatValue(source, fixed) : 0.0;
}

double ParameterDef::GetFloatValue(const PF_ParamDef* source, bool fixed) const
{
    return storesFixed(fixed) ? fromFixed(source->u.fd.value) : source->u.fs_d.value;
}

PF_Fixed ParameterDef::GetFixedValue(int index) const
{
    const PF_ParamDef* source = def(index);
    return source != nullptr ? source->u.fd.value : 0;
}

void ParameterDef::SetIntValue(int index, int value)
{
    if (PF_ParamDef* target = changed(index)) {
        target->u.sd.value = value;
    }
}

void ParameterDef::SetBoolValue(int index, bool value)
{
    if (PF_ParamDef* target = changed(index)) {
        target->u.bd.value = value ? 1 : 0;
    }
}

void ParameterDef::SetMenuValue(int index, int value)
{
    if (PF_ParamDef* target = changed(index)) {
        target->u.pd.value = value;
    }
}

int ParameterDef::GetIntValue(int index) const
{
    const PF_ParamDef* source = def(index);
    return source != nullptr ? source->u.sd.value : 0;
}

int ParameterDef::GetMenuValue(int index) const
{
    const PF_ParamDef* source = def(index);
    return source != nullptr ? source->u.pd.value : 0;
}

bool ParameterDef::GetBoolValue(int index) const
{
    const PF_ParamDef* source = def(index);
    return source != nullptr && source->u.bd.value != 0;
}

void ParameterDef::SetAngleValue(int index, double degrees)
{
    if (PF_ParamDef* target = changed(index)) {
        target->u.ad.value = toFixed(degrees);
    }
}

double ParameterDef::GetAngleValue(int index) const
{
    const PF_ParamDef* source = def(index);
    return source != nullptr ? fromFixed(source->u.ad.value) : 0.0;
}

void ParameterDef::SetPoint(int index, const ZQPointT<double>& point)
{
    if (PF_ParamDef* target = changed(index)) {
        target->u.td.x_value = toFixed(point.x);
        target->u.td.y_value = toFixed(point.y);
    }
}

ZQPointT<double> ParameterDef::GetPoint(int index) const
{
    const PF_ParamDef* source = def(index);
    if (source == nullptr) {
        return {0.0, 0.0};
    }
    return {fromFixed(source->u.td.x_value), fromFixed(source->u.td.y_value)};
}

void ParameterDef::SetColor(int index, const PixelARGB<unsigned char>& color)
{
    if (PF_ParamDef* target = changed(index)) {
        target->u.cd.value.red = color.red;
        target->u.cd.value.green = color.green;
        target->u.cd.value.blue = color.blue;
    }
}

PixelARGB<unsigned char> ParameterDef::GetColor(int index) const
{
    const PF_ParamDef* source = def(index);
    if (source == nullptr) {
        return {0, 0, 0, 0};
    }
    const PF_Pixel& c = source->u.cd.value;
    return {c.alpha, c.red, c.green, c.blue};
}

std::uint32_t ParameterDef::GetPFColor(int index) const
{
    const PixelARGB<unsigned char> c = GetColor(index);
    return c.alpha | (std::uint32_t{c.red} << 8) | (std::uint32_t{c.green} << 16) |
           (std::uint32_t{c.blue} << 24);
}

std::uint32_t ParameterDef::GetPathID(int index) const
{
    const PF_ParamDef* source = def(index);
    return source != nullptr ? source->u.path_d.path_id : 0xFFFFFFFFu;
}

PF_Handle ParameterDef::GetArbData(int index) const
{
    const PF_ParamDef* source = def(index);
    return source != nullptr ? source->u.arb_d.value : nullptr;
}

}  // namespace zel::ZQS
