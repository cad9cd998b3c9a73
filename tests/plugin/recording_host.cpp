#include "tests/plugin/recording_host.h"

#include <cstdio>
#include <cstring>

namespace zel::test {
namespace {

// The basic suite's functions take no host pointer: they reach the one live host through this.
RecordingHost* gCurrent = nullptr;

// Any non-null address will do: the module hands suite tables back without reading them here.
const int kSuiteTable = 0;

SPErr acquireSuite(const char* name, int32_t version, const void** suite)
{
    RecordingHost& host = *gCurrent;
    host.log.push_back("acquire " + std::string(name) + " " + std::to_string(version));
    const auto offer = host.offered.find({name, version});
    const bool known = offer != host.offered.end();
    *suite = known ? offer->second : nullptr;
    return known ? kSPNoError : kSPSuiteNotFoundError;
}

SPErr releaseSuite(const char* name, int32_t version)
{
    gCurrent->log.push_back("release " + std::string(name) + " " + std::to_string(version));
    return gCurrent->releaseResult;
}

PF_Err addParam(PF_ProgPtr ref, int32_t index, PF_ParamDef* def)
{
    RecordingHost& host = RecordingHost::of(ref);
    const int call = static_cast<int>(host.added.size()) +
                     static_cast<int>(host.entries("add_param failed").size());
    if (call == host.failAddParamAt) {
        host.log.push_back("add_param failed");
        return host.addParamError;
    }
    host.log.push_back("add_param " + std::to_string(index));
    host.added.push_back(*def);
    return PF_Err_NONE;
}

PF_Err checkoutParam(PF_ProgPtr ref, int32_t index, int32_t time, int32_t, uint32_t,
                     PF_ParamDef* def)
{
    RecordingHost& host = RecordingHost::of(ref);
    if (index == host.failCheckoutAt) {
        host.log.push_back("checkout failed " + std::to_string(index));
        return host.checkoutError;
    }
    host.log.push_back("checkout " + std::to_string(index));
    host.checkoutTimes.emplace_back(index, time);
    def->u.fs_d.value = index;
    def->param_type = PF_Param_FLOAT_SLIDER;
    return PF_Err_NONE;
}

PF_Err checkinParam(PF_ProgPtr ref, PF_ParamDef* def)
{
    RecordingHost::of(ref).log.push_back("checkin " +
                                         std::to_string(static_cast<int>(def->u.fs_d.value)));
    return PF_Err_NONE;
}

char* hostStrcpy(char* dest, const char* src)
{
    gCurrent->log.push_back("strcpy " + std::string(src));
    return std::strcpy(dest, src);
}

PF_Err checkoutLayerPixels(PF_ProgPtr ref, int32_t id, PF_EffectWorld** pixels)
{
    RecordingHost& host = RecordingHost::of(ref);
    host.log.push_back("checkout input " + std::to_string(id));
    *pixels = host.inputNull ? nullptr : &host.inputWorld;
    return host.inputError;
}

PF_Err checkoutOutput(PF_ProgPtr ref, PF_EffectWorld** output)
{
    RecordingHost& host = RecordingHost::of(ref);
    host.log.push_back("checkout output");
    *output = host.outputNull ? nullptr : &host.outputWorld;
    return host.outputError;
}

PF_Err checkoutLayer(PF_ProgPtr ref, int32_t index, int32_t id, const PF_RenderRequest* request,
                     int32_t time, int32_t, uint32_t, PF_CheckoutResult* result)
{
    RecordingHost& host = RecordingHost::of(ref);
    host.log.push_back("checkout layer " + std::to_string(index) + " id " + std::to_string(id) +
                       " at " + std::to_string(time));
    host.layerRequests.push_back(*request);
    result->result_rect = {1, 2, 3, 4};
    result->max_result_rect = {5, 6, 7, 8};
    return host.layerCheckoutError;
}

}  // namespace

RecordingHost::RecordingHost()
{
    gCurrent = this;
    basic_.AcquireSuite = acquireSuite;
    basic_.ReleaseSuite = releaseSuite;
    utils_.ansi.sprintf = std::sprintf;
    utils_.ansi.strcpy = hostStrcpy;

    in_data.inter.add_param = addParam;
    in_data.inter.checkout_param = checkoutParam;
    in_data.inter.checkin_param = checkinParam;
    in_data.utils = &utils_;
    in_data.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
    in_data.version = {13, 28};
    in_data.appl_id = PF_APPL_ID_COMPOSITOR;
    in_data.width = 1920;
    in_data.height = 1080;
    in_data.downsample_x = {1, 1};
    in_data.downsample_y = {1, 1};
    in_data.pixel_aspect_ratio = {1, 1};
    in_data.current_time = 48;
    in_data.time_step = 1;
    in_data.time_scale = 24;
    in_data.pica_basicP = &basic_;

    for (PF_EffectWorld* world : {&inputWorld, &outputWorld}) {
        world->rowbytes = 7680;
        world->width = 1920;
        world->height = 1080;
    }
    smartCallbacks.checkout_layer_pixels = checkoutLayerPixels;
    smartCallbacks.checkout_output = checkoutOutput;
    smartExtra = {&smartInput, &smartCallbacks};

    preRenderCallbacks.checkout_layer = checkoutLayer;
    preRenderExtra = {&preRenderInput, &preRenderOutput, &preRenderCallbacks};
}

RecordingHost::~RecordingHost()
{
    gCurrent = nullptr;
}

void RecordingHost::offerSuite(const std::string& name, int version, const void* table)
{
    offered[{name, version}] = table != nullptr ? table : &kSuiteTable;
}

std::vector<std::string> RecordingHost::entries(const std::string& prefix) const
{
    std::vector<std::string> found;
    for (const std::string& entry : log) {
        if (entry.rfind(prefix, 0) == 0) {
            found.push_back(entry);
        }
    }
    return found;
}

RecordingHost& RecordingHost::of(PF_ProgPtr effect_ref)
{
    return *reinterpret_cast<RecordingHost*>(effect_ref);
}

}  // namespace zel::test
