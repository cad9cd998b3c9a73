#include "tests/plugin/recording_host.h"

#include <cstdio>
#include <cstring>

namespace zel::test {
namespace {

// The basic suite's functions take no host pointer: they reach the newest live host through this.
RecordingHost* gCurrent = nullptr;

// Any non-null address will do: the module hands suite tables back without reading them here.
const int kSuiteTable = 0;

}  // namespace

RecordingHost::RecordingHost() : previous_(gCurrent)
{
    gCurrent = this;
    basic_.AcquireSuite = [](const char* name, int32_t version, const void** suite) -> SPErr {
        gCurrent->log.push_back("acquire " + std::string(name) + " " + std::to_string(version));
        const auto offer = gCurrent->offered.find({name, version});
        *suite = offer != gCurrent->offered.end() ? offer->second : nullptr;
        return *suite != nullptr ? kSPNoError : kSPSuiteNotFoundError;
    };
    basic_.ReleaseSuite = [](const char* name, int32_t version) {
        gCurrent->log.push_back("release " + std::string(name) + " " + std::to_string(version));
        return gCurrent->releaseResult;
    };
    utils.ansi.sprintf = std::sprintf;
    utils.ansi.strcpy = [](char* dest, const char* src) {
        gCurrent->log.push_back("strcpy " + std::string(src));
        return std::strcpy(dest, src);
    };
    in_data.inter.add_param = [](PF_ProgPtr ref, int32_t index, PF_ParamDef* def) {
        RecordingHost& host = of(ref);
        if (host.added.size() + host.entries("add_param failed").size() == std::size_t(host.failAddParamAt)) {
            host.log.push_back("add_param failed");
            return host.addParamError;
        }
        host.log.push_back("add_param " + std::to_string(index));
        host.added.push_back(*def);
        return PF_Err{PF_Err_NONE};
    };
    in_data.inter.checkout_param = [](PF_ProgPtr ref, int32_t index, int32_t time, int32_t, uint32_t,
                                      PF_ParamDef* def) {
        RecordingHost& host = of(ref);
        if (index == host.failCheckoutAt) {
            host.log.push_back("checkout failed " + std::to_string(index));
            return host.checkoutError;
        }
        host.log.push_back("checkout " + std::to_string(index));
        host.checkoutTimes.emplace_back(index, time);
        def->u.fs_d.value = index;
        def->param_type = PF_Param_FLOAT_SLIDER;
        return PF_Err{PF_Err_NONE};
    };
    in_data.inter.checkin_param = [](PF_ProgPtr ref, PF_ParamDef* def) {
        of(ref).log.push_back("checkin " + std::to_string(static_cast<int>(def->u.fs_d.value)));
        return PF_Err{PF_Err_NONE};
    };
    in_data.utils = &utils;
    in_data.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
    in_data.version = {13, 28};
    in_data.appl_id = PF_APPL_ID_COMPOSITOR;
    in_data.width = 1920;
    in_data.height = 1080;
    in_data.downsample_x = in_data.downsample_y = in_data.pixel_aspect_ratio = {1, 1};
    in_data.current_time = 48;
    in_data.time_step = 1;
    in_data.time_scale = 24;
    in_data.pica_basicP = &basic_;

    for (PF_EffectWorld* world : {&inputWorld, &outputWorld}) {
        world->rowbytes = 7680;
        world->width = 1920;
        world->height = 1080;
    }
    smartCallbacks.checkout_layer_pixels = [](PF_ProgPtr ref, int32_t id, PF_EffectWorld** pixels) {
        RecordingHost& host = of(ref);
        host.log.push_back("checkout input " + std::to_string(id));
        *pixels = host.inputNull ? nullptr : &host.inputWorld;
        return host.inputError;
    };
    smartCallbacks.checkout_output = [](PF_ProgPtr ref, PF_EffectWorld** output) {
        RecordingHost& host = of(ref);
        host.log.push_back("checkout output");
        *output = host.outputNull ? nullptr : &host.outputWorld;
        return host.outputError;
    };
    smartExtra = {&smartInput, &smartCallbacks};
    preRenderCallbacks.checkout_layer = [](PF_ProgPtr ref, int32_t index, int32_t id, const PF_RenderRequest* request,
                                           int32_t time, int32_t, uint32_t, PF_CheckoutResult* result) {
        RecordingHost& host = of(ref);
        host.log.push_back("checkout layer " + std::to_string(index) + " id " + std::to_string(id) + " at " +
                           std::to_string(time));
        host.layerRequests.push_back(*request);
        result->result_rect = {1, 2, 3, 4};
        result->max_result_rect = {5, 6, 7, 8};
        return host.layerCheckoutError;
    };
    preRenderExtra = {&preRenderInput, &preRenderOutput, &preRenderCallbacks};
}

RecordingHost::~RecordingHost() { gCurrent = previous_; }

void RecordingHost::offerSuite(const std::string& name, int version, const void* table)
{
    offered[{name, version}] = table != nullptr ? table : &kSuiteTable;
}

std::vector<std::string> RecordingHost::entries(const std::string& prefix) const
{
    std::vector<std::string> found;
    for (const std::string& entry : log) {
        if (entry.starts_with(prefix)) {
            found.push_back(entry);
        }
    }
    return found;
}

RecordingHost& RecordingHost::of(PF_ProgPtr effect_ref) { return *reinterpret_cast<RecordingHost*>(effect_ref); }
RecordingHost& RecordingHost::current() { return *gCurrent; }

}  // namespace zel::test
