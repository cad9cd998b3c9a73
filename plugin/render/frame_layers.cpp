#include "plugin/render/frame_layers.h"

#include "plugin/params/param_table.h"

namespace zel {
namespace {

bool checkout(PF_InData* in_data, int index, PF_ParamDef& def)
{
    if (in_data->inter.checkout_param == nullptr ||
        in_data->inter.checkout_param(in_data->effect_ref, index, in_data->current_time,
                                      in_data->time_step, in_data->time_scale, &def) != PF_Err_NONE) {
        def = PF_ParamDef{};  // nothing the host did not fill is read
        return false;
    }
    return true;
}

void checkin(PF_InData* in_data, PF_ParamDef& def, bool& out)
{
    if (out && in_data->inter.checkin_param != nullptr) {
        in_data->inter.checkin_param(in_data->effect_ref, &def);
    }
    out = false;
}

}  // namespace

FrameLayers::FrameLayers(PF_InData* in_data) : in_data_(in_data)
{
    textureOut_ = checkout(in_data_, params::kTextureLayer, texture_);
    amplitudeOut_ = checkout(in_data_, params::kAmplitudeLayer, amplitude_);
}

FrameLayers::~FrameLayers()
{
    checkinTexture();
    checkinAmplitude();
}

void FrameLayers::checkinTexture()
{
    checkin(in_data_, texture_, textureOut_);
}

void FrameLayers::checkinAmplitude()
{
    checkin(in_data_, amplitude_, amplitudeOut_);
}

}  // namespace zel
