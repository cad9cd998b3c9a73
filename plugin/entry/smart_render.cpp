#include "plugin/entry/smart_render.h"

#include <array>
#include <memory>

#include "plugin/host/PluginHost_AE_Impl.h"
#include "plugin/host/downsample.h"
#include "plugin/host/host_text.h"
#include "plugin/params/param_table.h"

namespace zel {
namespace {

// Pre-render and render must agree on the id under which the input is checked out.
constexpr std::int32_t kInputCheckoutId = 0;

// The parameter array of one smart render. Entry 0 describes the input layer; entries 1 to 114
// are the host's checked-out values.
class CheckedOutParams {
public:
    explicit CheckedOutParams(PF_InData* in_data) : in_data_(in_data) {}

    CheckedOutParams(const CheckedOutParams&) = delete;
    CheckedOutParams& operator=(const CheckedOutParams&) = delete;

    // Allocates the entries in index order and checks out 1 to 114, stopping at the first error.
    PF_Err checkoutAll()
    {
        for (int i = 0; i < params::kParamCount; ++i) {
            defs_[static_cast<std::size_t>(i)] = std::make_unique<PF_ParamDef>();
            array_[i] = defs_[static_cast<std::size_t>(i)].get();
            if (i == 0) {
                continue;
            }
            const PF_Err err = in_data_->inter.checkout_param(
                in_data_->effect_ref, i, in_data_->current_time, in_data_->time_step,
                in_data_->time_scale, array_[i]);
            if (err != PF_Err_NONE) {
                return err;
            }
            lastCheckedOut_ = i;
        }
        return PF_Err_NONE;
    }

    // Checks in what is checked out, in index order; a def is never checked in twice, even when
    // a check-in throws and this is called again on the way out.
    void checkinAll()
    {
        while (nextCheckin_ <= lastCheckedOut_) {
            PF_ParamDef* def = array_[nextCheckin_++];
            in_data_->inter.checkin_param(in_data_->effect_ref, def);
        }
    }

    void setInputLayer(const PF_EffectWorld& input) { array_[params::kInputLayer]->u.ld = input; }

    PF_ParamDef** array() { return array_; }

private:
    PF_InData* in_data_;
    std::array<std::unique_ptr<PF_ParamDef>, params::kParamCount> defs_;
    PF_ParamDef* array_[params::kParamCount] = {};
    int lastCheckedOut_ = 0;
    int nextCheckin_ = 1;
};

bool smartCallbacksPresent(const PF_InData* in_data, const PF_SmartRenderExtra* extra)
{
    return in_data->inter.checkout_param != nullptr && in_data->inter.checkin_param != nullptr &&
           extra != nullptr && extra->cb != nullptr &&
           extra->cb->checkout_layer_pixels != nullptr && extra->cb->checkout_output != nullptr;
}

// The input and output worlds. A world the host hands back as null without an error counts as a
// failed checkout: the renderer cannot work without either.
PF_Err checkoutWorlds(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra,
                      PF_EffectWorld** input, PF_EffectWorld** output)
{
    PF_Err err = extra->cb->checkout_layer_pixels(in_data->effect_ref, kInputCheckoutId, input);
    if (err == PF_Err_NONE && *input == nullptr) {
        setReturnMessage(in_data, out_data, "ZEL: The host provided no input layer for the frame.");
        err = PF_Err_BAD_CALLBACK_PARAM;
    }
    if (err != PF_Err_NONE) {
        return err;
    }
    err = extra->cb->checkout_output(in_data->effect_ref, output);
    if (err == PF_Err_NONE && *output == nullptr) {
        setReturnMessage(in_data, out_data, "ZEL: The host provided no output buffer for the frame.");
        err = PF_Err_BAD_CALLBACK_PARAM;
    }
    return err;
}

}  // namespace

PF_Err SmartPreRender(PF_InData* in_data, PF_OutData* /*out_data*/, PF_ParamDef** /*params*/,
                      PF_LayerDef* /*output*/, PF_PreRenderExtra* extra)
{
    if (extra == nullptr || extra->input == nullptr || extra->output == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    PF_Err err = PF_Err_BAD_CALLBACK_PARAM;
    if (extra->cb != nullptr && extra->cb->checkout_layer != nullptr) {
        PF_RenderRequest request = extra->input->output_request;
        request.field = PF_Field_FRAME;
        request.preserve_rgb_of_zero_alpha = 1;
        PF_CheckoutResult checkout{};
        err = extra->cb->checkout_layer(in_data->effect_ref, params::kInputLayer, kInputCheckoutId,
                                        &request, in_data->current_time, in_data->time_step,
                                        in_data->time_scale, &checkout);
    }
    // The effect generates its whole frame, so it always answers with all of it.
    const PF_Rect frame = {0, 0, downsampledSize(in_data->width, in_data->downsample_x),
                           downsampledSize(in_data->height, in_data->downsample_y)};
    extra->output->result_rect = frame;
    extra->output->max_result_rect = frame;
    extra->output->solid = 0;
    extra->output->flags = PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS;
    return err;
}

PF_Err SmartRender(RenderHandler render, PF_InData* in_data, PF_OutData* out_data,
                   PF_SmartRenderExtra* extra)
{
    if (!smartCallbacksPresent(in_data, extra)) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    CheckedOutParams params(in_data);
    try {
        PF_EffectWorld* input = nullptr;
        PF_EffectWorld* output = nullptr;
        PF_Err err = params.checkoutAll();
        if (err == PF_Err_NONE) {
            err = checkoutWorlds(in_data, out_data, extra, &input, &output);
        }
        if (err != PF_Err_NONE) {
            params.checkinAll();
            return err;
        }
        params.setInputLayer(*input);

        // The host object outlives the check-in: the parameters go back before its suites do.
        PluginHost_AE_Impl host(in_data, out_data, params.array(), output);
        err = render != nullptr ? render(in_data, out_data, params.array(), output, extra, &host)
                                : PF_Err_NONE;
        params.checkinAll();
        return err;
    } catch (...) {
        params.checkinAll();
        throw;
    }
}

}  // namespace zel
