#include "tests/plugin/recording_host.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zel::test {
namespace {

using H = RecordingHost;
H* gCurrent = nullptr;  // for the calls that carry no effect reference

}  // namespace

RecordingHost::RecordingHost() : previous_(gCurrent)
{
    gCurrent = this;
    for (PF_ParamDef& def : defs_) {
        array_.push_back(&def);
    }
    basic_.AcquireSuite = [](const char* name, int32_t version, const void** suite) -> SPErr {
        const auto offer = current().offered.find({name, version});
        const bool found = offer != current().offered.end();
        *suite = found ? offer->second : nullptr;
        return current().note(words("acquire", name, version), found ? kSPNoError : kSPSuiteNotFoundError);
    };
    basic_.ReleaseSuite = [](const char* name, int32_t version) {
        return SPErr(current().note(words("release", name, version), current().releaseResult));
    };
    utils.ansi.sprintf = std::sprintf;
    utils.ansi.strcpy = [](char* dest, const char* src) {
        current().note(words("strcpy", src));
        return std::strcpy(dest, src);
    };
    in_data.inter.add_param = [](PF_ProgPtr ref, int32_t index, PF_ParamDef* def) {
        if (of(ref).added.size() == std::size_t(of(ref).failAddParamAt)) {
            of(ref).failAddParamAt = -1;  // once: an effect that went on would add the rest
            return of(ref).note("add_param failed", of(ref).addParamError);
        }
        of(ref).added.push_back(*def);
        return of(ref).note(words("add_param", index));
    };
    in_data.inter.checkout_param = [](PF_ProgPtr ref, int32_t index, int32_t time, int32_t step, uint32_t scale,
                                      PF_ParamDef* def) {
        H& h = of(ref);
        h.checkedOut[def] = index;
        if (index == h.failCheckoutAt) {
            return h.note(words("checkout failed", index), h.checkoutError);
        }
        *def = h.param(index);
        if (h.onCheckout) {
            h.onCheckout(index, time, *def);
        }
        return h.note(words("checkout", index, "at", time, "step", step, "scale", scale));
    };
    in_data.inter.checkin_param = [](PF_ProgPtr ref, PF_ParamDef* def) {
        const auto found = of(ref).checkedOut.find(def);
        return of(ref).note(words("checkin", found != of(ref).checkedOut.end() ? found->second : -1),
                            of(ref).checkinResult);
    };
    worldSuite.PF_GetPixelFormat = [](const PF_EffectWorld* world, PF_PixelFormat* format) {
        *format = current().formats.contains(world->data) ? current().formats[world->data] : PF_PixelFormat_ARGB32;
        return PF_Err{PF_Err_NONE};
    };
    colorSuite.PF_GetFloatingPointColorFromColorDef = [](PF_ProgPtr ref, const PF_ParamDef*, PF_PixelFloat* color) {
        *color = of(ref).floatColor;
        return of(ref).note("float_color", of(ref).floatColorResult);
    };
    paramUtils.PF_UpdateParamUI = [](PF_ProgPtr ref, int32_t index, const PF_ParamDef* def) {
        of(ref).uiUpdates.emplace_back(index, *def);
        return of(ref).note(words("update_ui", index));
    };
    offerSuite(kPFWorldSuite, 2, &worldSuite);
    offerSuite(kPFColorParamSuite, 1, &colorSuite);
    offerSuite(kPFParamUtilsSuite, 2, &paramUtils);

    smartCallbacks.checkout_layer_pixels = [](PF_ProgPtr ref, int32_t id, PF_EffectWorld** world) {
        *world = of(ref).inputAnswer;
        return of(ref).note(words("checkout input", id), of(ref).inputError);
    };
    smartCallbacks.checkout_output = [](PF_ProgPtr ref, PF_EffectWorld** world) {
        *world = of(ref).outputAnswer;
        return of(ref).note("checkout output", of(ref).outputError);
    };
    preRenderCallbacks.checkout_layer = [](PF_ProgPtr ref, int32_t index, int32_t id, const PF_RenderRequest* request,
                                           int32_t time, int32_t, uint32_t, PF_CheckoutResult* result) {
        of(ref).layerRequests.push_back(*request);
        result->result_rect = result->max_result_rect = {1, 2, 3, 4};  // an answer the effect must not pass on
        return of(ref).note(words("checkout layer", index, "id", id, "at", time), of(ref).layerCheckoutError);
    };

    in_data.utils = &utils;
    in_data.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
    in_data.pica_basicP = &basic_;
    in_data.version = {13, 28};
    in_data.appl_id = PF_APPL_ID_COMPOSITOR;
    in_data.width = output.width = inputWorld.width = outputWorld.width = 1920;
    in_data.height = output.height = inputWorld.height = outputWorld.height = 1080;
    inputWorld.rowbytes = outputWorld.rowbytes = 7680;
    in_data.downsample_x = in_data.downsample_y = in_data.pixel_aspect_ratio = {1, 1};
    in_data.current_time = 48;
    in_data.time_step = in_data.local_time_step = 1;
    in_data.total_time = 100;
    in_data.time_scale = 24;
}

RecordingHost::~RecordingHost() { gCurrent = previous_; }
RecordingHost& RecordingHost::of(PF_ProgPtr effect_ref) { return *reinterpret_cast<RecordingHost*>(effect_ref); }
RecordingHost& RecordingHost::current() { return *gCurrent; }

PF_Err RecordingHost::note(const std::string& entry, PF_Err answer)
{
    log.push_back(entry);
    return answer;
}

std::vector<std::string> RecordingHost::entries(std::initializer_list<std::string> prefixes) const
{
    std::vector<std::string> found;
    std::ranges::copy_if(log, std::back_inserter(found), [&](const std::string& entry) {
        return std::ranges::any_of(prefixes, [&](const std::string& prefix) { return entry.starts_with(prefix); });
    });
    return found;
}

void RecordingHost::withdraw(const std::string& name)
{
    std::erase_if(offered, [&](const auto& offer) { return offer.first.first == name; });
}

PF_LayerDef RecordingHost::makeWorld(int width, int height, PF_PixelFormat format)
{
    const int rowbytes = width * (format == PF_PixelFormat_ARGB128 ? 16 : format == PF_PixelFormat_ARGB64 ? 8 : 4);
    void* data = pixels.emplace_back(std::size_t(std::max(rowbytes * height, 1))).data();
    formats[data] = format;
    const std::int32_t flags = format == PF_PixelFormat_ARGB64 ? PF_WorldFlag_DEEP : 0;
    return {data, rowbytes, width, height, {}, flags, {}, 0, 0, nullptr};
}

}  // namespace zel::test
