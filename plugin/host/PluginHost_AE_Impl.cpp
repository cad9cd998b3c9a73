// Construction, sizes, time, memory, messages and the host's C maths.
#include "plugin/host/PluginHost_AE_Impl.h"

#include <cmath>
#include <cstdlib>
#include <type_traits>

#include "plugin/host/aefx_suites.h"
#include "plugin/host/downsample.h"
#include "plugin/host/host_callbacks.h"
#include "plugin/host/host_identity.h"
#include "plugin/host/host_text.h"
#include "plugin/host/suite_handler.h"
#include "plugin/platform/heap_handles.h"

namespace zel {
namespace {

template <class... Doubles>
using MathFunction = double (*)(Doubles...);

// The host's function with float arguments widened to double and the result narrowed back; a
// host that lends none gets the C library's.
template <class T, class... Doubles, class... Args>
T hostMath(const PF_InData* in_data, MathFunction<Doubles...> PF_ANSICallbacks::*entry,
           std::type_identity_t<MathFunction<Doubles...>> fallback, Args... args)
{
    const MathFunction<Doubles...> lent =
        in_data->utils != nullptr ? in_data->utils->ansi.*entry : nullptr;
    return static_cast<T>((lent != nullptr ? lent : fallback)(static_cast<double>(args)...));
}

}  // namespace

PluginHost_AE_Impl::PluginHost_AE_Impl(PF_InData* in_data, PF_OutData* out_data,
                                       PF_ParamDef** params_, PF_LayerDef* output_)
    : inData(in_data), outData(out_data), params(params_), output(output_), pathApi(this)
{
    if (hostApiVersion(inData) >= kHostApiWorldSuite) {
        zel::acquireSuite(inData, outData, "Couldn't load kPFWorldSuite.", &worldSuite);
        zel::acquireSuite(inData, outData, "Couldn't load kPFColorParamSuite.", &colorParamSuite);
    }
}

PluginHost_AE_Impl::~PluginHost_AE_Impl()
{
    if (worldSuite != nullptr) {
        zel::releaseSuite<PF_WorldSuite2>(inData, outData, "Couldn't release kPFWorldSuite.");
    }
    if (colorParamSuite != nullptr) {
        zel::releaseSuite<PF_ColorParamSuite1>(inData, outData,
                                               "Couldn't release kPFColorParamSuite.");
    }
}

bool PluginHost_AE_Impl::hostIs(std::int32_t applId) const
{
    return isHost(inData, applId);
}

int PluginHost_AE_Impl::getOutputWidth()
{
    if (outputWidthOverride != -1 || output == nullptr) {
        return outputWidthOverride;
    }
    return output->width;
}

int PluginHost_AE_Impl::getOutputHeight()
{
    if (outputHeightOverride != -1 || output == nullptr) {
        return outputHeightOverride;
    }
    return output->height;
}

int PluginHost_AE_Impl::setOutputSize(int width, int height)
{
    outputWidthOverride = width;
    outputHeightOverride = height;
    return 0;
}

// Only the compositing host places the output world within the layer.
int PluginHost_AE_Impl::getOutputOriginX()
{
    return hostIs(PF_APPL_ID_COMPOSITOR) && output != nullptr ? output->origin_x : 0;
}

int PluginHost_AE_Impl::getOutputOriginY()
{
    return hostIs(PF_APPL_ID_COMPOSITOR) && output != nullptr ? output->origin_y : 0;
}

void PluginHost_AE_Impl::getOrigin(int& x, int& y)
{
    x = originX;
    y = originY;
}

void PluginHost_AE_Impl::setOrigin(int x, int y)
{
    originX = x;
    originY = y;
}

bool PluginHost_AE_Impl::isQualityHigh()
{
    return inData->quality == PF_Quality_HI;
}

double PluginHost_AE_Impl::getScaleX()
{
    return downsampleFactor(inData->downsample_x);
}

double PluginHost_AE_Impl::getScaleY()
{
    return downsampleFactor(inData->downsample_y);
}

double PluginHost_AE_Impl::geAspectRatio(PluginRaster_API*)
{
    return downsampleFactor(inData->pixel_aspect_ratio);
}

int PluginHost_AE_Impl::getSourceLayerDimensions(int& width, int& height)
{
    width = downsampledSize(inData->width, inData->downsample_x);
    height = downsampledSize(inData->height, inData->downsample_y);
    return 0;
}

bool PluginHost_AE_Impl::isApplication(long id)
{
    return static_cast<long>(inData->appl_id) == id;
}

bool PluginHost_AE_Impl::hasCamera()
{
    return isApplication(PF_APPL_ID_COMPOSITOR);
}

int PluginHost_AE_Impl::getHostVersionNum(int& minor, int& major)
{
    minor = inData->version.minor;
    major = inData->version.major;
    return 0;
}

bool PluginHost_AE_Impl::hasGlobalSeqData()
{
    return inData->global_data != nullptr && inData->sequence_data != nullptr;
}

// One host wants even sizes for deep worlds.
int PluginHost_AE_Impl::maintainEvenSize(PluginRaster_API* raster)
{
    const PF_LayerDef* world = aeWorldOf(raster);
    if (!hostIs(PF_APPL_ID_COMBUSTOR) || world == nullptr) {
        return 0;
    }
    return world->world_flags & PF_WorldFlag_DEEP;
}

unsigned PluginHost_AE_Impl::getTimeScale()
{
    return inData->time_scale;
}

long PluginHost_AE_Impl::getCurrentTime()
{
    return inData->current_time;
}

long PluginHost_AE_Impl::getTimeStep()
{
    return inData->time_step;
}

long PluginHost_AE_Impl::getLocalTimeStep()
{
    return inData->local_time_step;
}

long PluginHost_AE_Impl::getFrameLength()
{
    return inData->total_time;
}

float PluginHost_AE_Impl::getShutterAngle()
{
    return static_cast<float>(inData->shutter_angle) / PF_FIXED_ONE;
}

float PluginHost_AE_Impl::getShutterPhase()
{
    return static_cast<float>(inData->shutter_phase) / PF_FIXED_ONE;
}

bool PluginHost_AE_Impl::getFPS(float& fps)
{
    fps = static_cast<float>(inData->time_scale) / static_cast<float>(inData->local_time_step);
    return true;
}

int PluginHost_AE_Impl::getFrameIncrement()
{
    return inData->field != PF_Field_FRAME ? 2 : 1;
}

bool PluginHost_AE_Impl::isFieldRendering()
{
    return false;
}

void PluginHost_AE_Impl::getFullFrameInfo(double, int frame, int& first, int& count, int& offset)
{
    first = frame;
    count = 1;
    offset = 0;
}

void* PluginHost_AE_Impl::getUserData()
{
    return userData;
}

void PluginHost_AE_Impl::setUserData(void* data)
{
    userData = data;
}

PluginPath_API* PluginHost_AE_Impl::getPathAPI()
{
    return pathApi;
}

void PluginHost_AE_Impl::setPathAPI(PluginPath_API* api)
{
    pathApi = api;
}

int PluginHost_AE_Impl::loadDLL(const char*)
{
    return 0;
}

void* PluginHost_AE_Impl::getDLL()
{
    return nullptr;
}

int PluginHost_AE_Impl::unloadDLL()
{
    if (inData->global_data != nullptr) {
        AEGP_SuiteHandler suites(inData->pica_basicP);
        const PF_HandleSuite2* handles = suites.get<PF_HandleSuite2>();
        if (handles->host_dispose_handle == nullptr) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        handles->host_dispose_handle(inData->global_data);
        inData->global_data = nullptr;
        outData->global_data = nullptr;
    }
    return 0;
}

int PluginHost_AE_Impl::progress(long done, long total)
{
    return callHost(&inData->inter, &PF_InteractCallbacks::progress, inData->effect_ref,
                    static_cast<std::int32_t>(done), static_cast<std::int32_t>(total));
}

int PluginHost_AE_Impl::doAbort()
{
    return callHost(&inData->inter, &PF_InteractCallbacks::abort, inData->effect_ref);
}

void PluginHost_AE_Impl::showWarning(const char* text)
{
    outData->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    copyHostText(inData, outData->return_msg, sizeof outData->return_msg, text);
}

void PluginHost_AE_Impl::refreshUi()
{
    outData->out_flags |= PF_OutFlag_REFRESH_UI;
}

// Hosts with the world suite redraw the controls by themselves.
int PluginHost_AE_Impl::forceUIUpdate()
{
    if (hostApiVersion(inData) >= kHostApiWorldSuite) {
        return 1;
    }
    refreshUi();
    return 0;
}

int PluginHost_AE_Impl::acquireSuite(const char* name, int version, const char* errorText,
                                     void** suite)
{
    return AEFX_AcquireSuite(inData, outData, name, version, errorText, suite);
}

int PluginHost_AE_Impl::releaseSuite(const char* name, int version, const char* errorText)
{
    return AEFX_ReleaseSuite(inData, outData, name, version, errorText);
}

void* PluginHost_AE_Impl::allocMemory(int size)
{
    const auto bytes = static_cast<std::uint64_t>(std::llabs(size));
    if (inData->utils != nullptr && inData->utils->host_new_handle != nullptr) {
        return inData->utils->host_new_handle(bytes);
    }
    return platform::NewHandle(bytes);
}

void* PluginHost_AE_Impl::lockMemory(void* handle)
{
    const auto h = static_cast<PF_Handle>(handle);
    if (inData->utils != nullptr && inData->utils->host_lock_handle != nullptr) {
        return inData->utils->host_lock_handle(h);
    }
    if (h == nullptr) {
        return nullptr;
    }
    platform::HLock(h);
    return *h;
}

void PluginHost_AE_Impl::unlockMemory(void* handle)
{
    const auto h = static_cast<PF_Handle>(handle);
    if (inData->utils != nullptr && inData->utils->host_unlock_handle != nullptr) {
        inData->utils->host_unlock_handle(h);
    } else {
        platform::HUnlock(h);
    }
}

void PluginHost_AE_Impl::deallocMemory(void* handle)
{
    const auto h = static_cast<PF_Handle>(handle);
    if (inData->utils != nullptr && inData->utils->host_dispose_handle != nullptr) {
        inData->utils->host_dispose_handle(h);
    } else {
        platform::DisposeHandle(h);
    }
}

#define ZEL_UNPAREN(...) __VA_ARGS__
#define ZEL_DEFINE_MATH(NAME, TYPE, PARAMS, ARGS)                                         \
    TYPE PluginHost_AE_Impl::math_##NAME PARAMS                                           \
    {                                                                                     \
        return hostMath<TYPE>(inData, &PF_ANSICallbacks::NAME,                            \
                              [](auto... v) { return std::NAME(v...); }, ZEL_UNPAREN ARGS); \
    }
ZEL_PLUGIN_HOST_MATH(ZEL_DEFINE_MATH)
#undef ZEL_DEFINE_MATH
#undef ZEL_UNPAREN

int addPProImageFormats(bool, PF_InData*, PF_OutData*, bool)
{
    return 0;
}

}  // namespace zel
