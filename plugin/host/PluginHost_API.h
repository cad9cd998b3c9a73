// The host as the renderer sees it, independent of any one host's command records.
#pragma once

#include <cstdint>

#include "plugin/host/PluginRaster_API.h"
#include "plugin/host/host_geometry.h"
#include "plugin/host/raster_info.h"

namespace zel {

class PluginHost_AE_Impl;
class PluginPath_API;
class PluginUpdate_API;

// The host's C maths, one row per operation in slot order (float before double for ceil and log):
// X(name, type, parameters, arguments).
#define ZEL_PLUGIN_HOST_MATH(X)                                       \
    X(sqrt, double, (double a), (a))                                  \
    X(sqrt, float, (float a), (a))                                    \
    X(floor, double, (double a), (a))                                 \
    X(floor, float, (float a), (a))                                   \
    X(exp, double, (double a), (a))                                   \
    X(exp, float, (float a), (a))                                     \
    X(atan2, double, (double y, double x), (y, x))                    \
    X(atan2, float, (float y, float x), (y, x))                       \
    X(fabs, double, (double a), (a))                                  \
    X(fabs, float, (float a), (a))                                    \
    X(sin, double, (double a), (a))                                   \
    X(sin, float, (float a), (a))                                     \
    X(cos, double, (double a), (a))                                   \
    X(cos, float, (float a), (a))                                     \
    X(fmod, double, (double a, double b), (a, b))                     \
    X(fmod, float, (float a, float b), (a, b))                        \
    X(pow, double, (double a, double b), (a, b))                      \
    X(pow, float, (float a, float b), (a, b))                         \
    X(ceil, float, (float a), (a))                                    \
    X(ceil, double, (double a), (a))                                  \
    X(log, float, (float a), (a))                                     \
    X(log, double, (double a), (a))

// Objects are destroyed through their concrete type, so the interface has no virtual destructor.
// Results named int are the host's error codes (0 is success) unless stated otherwise. Operations
// with a body are what a host that cannot do them answers: 1 for "not available".
class PluginHost_API {
public:
    using RasterInfo = zel::RasterInfo;

    // A moment in the host's time units: time / timeScale seconds.
    struct TimeObject {
        std::int64_t time;
        std::int64_t timeStep;
        std::int64_t timeScale;
    };

    virtual int getOutputWidth() = 0;
    virtual int getOutputHeight() = 0;
    virtual int getOutputOriginX() { return 0; }
    virtual int getOutputOriginY() { return 0; }

    virtual int fillOutput() = 0;
    virtual int fill(PluginRaster_API* raster) = 0;
    // Zeroes the rows top..bottom (inclusive) and the columns left..right (exclusive) of `rect`,
    // clipped to the raster; a null rect fills the whole raster.
    virtual int fill(PluginRaster_API* raster, ZQ_Rect* rect);
    virtual int copyInputToOutput() = 0;
    virtual int copy(PluginRaster_API* src, PluginRaster_API* dst) = 0;
    virtual int copy(PluginRaster_API* src, PluginRaster_API* dst, ZQ_Rect* srcRect,
                     ZQ_Rect* dstRect) = 0;

    virtual PluginRaster_API* getInputRaster(int index) = 0;
    virtual PluginRaster_API* getOutputRaster() = 0;
    virtual PluginRaster_API* allocRaster(int width, int height, PluginRaster_API::PixelType type,
                                          int& err, int flags) = 0;
    virtual PluginRaster_API* allocRaster(RasterInfo* info) = 0;
    virtual int deallocRaster(PluginRaster_API* raster) = 0;

    virtual bool isQualityHigh() = 0;
    virtual double getScaleX() = 0;
    virtual double getScaleY() = 0;
    virtual double geAspectRatio(PluginRaster_API* raster) = 0;

    virtual PluginHost_AE_Impl* getAEHost() = 0;
    virtual void* getAVX1Host() = 0;
    virtual void* getAVX2Host() = 0;
    virtual void* getFXPLUGHost() = 0;
    virtual void* getSPARKHost() = 0;
    virtual void* getOFXHost() { return nullptr; }
    virtual void* getGASKETHost() { return nullptr; }
    virtual void* getRTFXHost() { return nullptr; }
    virtual void* getRTFX2Host() { return nullptr; }
    virtual void* getVEGASHost() { return nullptr; }

    // Each answers the bytes per pixel of the description.
    virtual int getInputRasterInfo(int index, RasterInfo* info) = 0;
    virtual int getOutputRasterInfo(RasterInfo* info) = 0;
    virtual int getRasterInfo(PluginRaster_API* raster, RasterInfo* info) = 0;

#define ZEL_DECLARE_MATH(NAME, TYPE, PARAMS, ARGS) virtual TYPE math_##NAME PARAMS = 0;
    ZEL_PLUGIN_HOST_MATH(ZEL_DECLARE_MATH)
#undef ZEL_DECLARE_MATH

    virtual int maintainEvenSize(PluginRaster_API* raster) = 0;
    // Relocatable memory: allocMemory answers a handle, lockMemory the block behind it.
    virtual void* allocMemory(int size) = 0;
    virtual void* lockMemory(void* handle) = 0;
    virtual void unlockMemory(void* handle) = 0;
    virtual void deallocMemory(void* handle) = 0;
    // Shown by the host when the current command returns; a later warning replaces it.
    virtual void showWarning(const char* text) = 0;
    virtual void resetOutputOrigin(int width, int height, int srcWidth, int srcHeight) = 0;
    virtual bool hasGlobalSeqData() = 0;
    virtual int loadDLL(const char* name) = 0;
    virtual int unloadDLL() = 0;
    virtual void* getDLL() = 0;
    virtual int getSourceLayerDimensions(int& width, int& height) = 0;

    virtual unsigned getTimeScale() = 0;
    virtual long getCurrentTime() = 0;
    virtual long getTimeStep() = 0;
    virtual long getFrameLength() = 0;
    virtual long getLocalTimeStep() = 0;
    virtual bool isApplication(long id) = 0;
    virtual void* getUserData() = 0;
    virtual void setUserData(void* data) = 0;
    virtual void getOrigin(int& x, int& y) = 0;
    virtual void setOrigin(int x, int y) = 0;
    virtual int acquireSuite(const char* name, int version, const char* errorText,
                             void** suite) = 0;
    virtual int releaseSuite(const char* name, int version, const char* errorText) = 0;
    virtual float getShutterAngle() = 0;
    virtual float getShutterPhase() = 0;

    // Parameter values at time t. The kind tells hosts apart that store one control in several
    // ways; GetFloatValue reads a float slider for a negative kind and a fixed one otherwise.
    virtual int GetFixedFloatValue(int index, int kind, const TimeObject& t, double& value)
    {
        return GetFloatValue(index, kind, t, value);
    }
    virtual int GetFloatValue(int index, int kind, const TimeObject& t, double& value) = 0;
    virtual int GetAngleValue(int index, int kind, const TimeObject& t, double& degrees) = 0;
    virtual int GetIntValue(int index, int kind, const TimeObject& t, int& value) = 0;
    // 0-based choice of a pop-up.
    virtual int GetUIntValue(int index, int kind, const TimeObject& t, unsigned& value) = 0;
    virtual int GetBoolValue(int index, int kind, const TimeObject& t, bool& value) = 0;
    // Fractions of the output size.
    virtual int GetPoint2DValue(int index, int kind, const TimeObject& t, double& x,
                                double& y) = 0;
    // 0..1 per channel.
    virtual int GetColorValue(int index, int kind, const TimeObject& t, double& red,
                              double& green, double& blue) = 0;

    virtual int progress(long done, long total) = 0;
    virtual PluginPath_API* getPathAPI() = 0;
    virtual void setPathAPI(PluginPath_API* api) = 0;
    // Another frame of the input; give it back with unlockTemporalRaster.
    virtual PluginRaster_API* lockTemporalRaster(double frame, bool unused, bool lowerFirst) = 0;
    virtual int unlockTemporalRaster(PluginRaster_API* raster) = 0;
    virtual int blend(int mode, double opacity, double mix, PluginRaster_API* src,
                      PluginRaster_API* dst) = 0;
    virtual int blend(int, PluginRaster_API*, PluginRaster_API*, const ZQ_Rect&, const ZQ_Rect&,
                      double)
    {
        return 1;
    }
    virtual bool isFieldRendering() = 0;
    virtual void getFullFrameInfo(double time, int frame, int& first, int& count,
                                  int& offset) = 0;
    // Non-zero when the user asked to stop.
    virtual int doAbort() = 0;

    // Another layer or time; give it back with checkinLayer.
    virtual PluginRaster_API* checkoutLayer(int index, int flags) = 0;
    virtual PluginRaster_API* checkoutLayer(int index, double time, int flags) = 0;
    virtual int checkinLayer(PluginRaster_API* raster) = 0;
    virtual int setCursor(long) { return 1; }
    virtual int forceUIUpdate() { return 1; }
    virtual int getAppColor(int, int&, int&, int&) { return 1; }
    virtual int getMousePos(long&, long&) { return 1; }
    virtual int getHostVersionNum(int&, int&) { return 1; }
    virtual void setOutputRaster(PluginRaster_API* raster) = 0;
    virtual int transformWorld(PluginRaster_API*, ZQ_FloatMatrix*, ZQ_Rect*, PluginRaster_API*)
    {
        return 1;
    }
    virtual int transformComp(PluginRaster_API*, PluginRaster_API*, int, double, double, double,
                              double, double, double)
    {
        return 1;
    }

    // A colour parameter at full precision on a 0..255 scale.
    virtual int getFloatColor(int, int, double*, double*, double*, TimeObject*) { return 1; }
    virtual void showAboutBox(int, void*, void*, const char*, const char*) {}
    virtual void dependOnOrigin() {}
    virtual double getHeightScale() const { return 1.0; }
    virtual bool hasCamera() { return false; }
    virtual int getLayerSize(int, int, float&, float&) { return 1; }
    // -1 for either size gives the output world's size back.
    virtual int setOutputSize(int, int) { return 1; }
    // Rendered images per frame: 2 while the host renders fields.
    virtual int getFrameIncrement() { return 1; }
    virtual bool getFPS(float&) { return false; }
    virtual void refreshUi() {}
    virtual void SetFloatValue(int, int, double&) {}
    // x and y are fractions of the output size.
    virtual void SetPoint2DValue(int, int, double, double) {}
    virtual void SetAngleValue(int, int, double&) {}
    virtual void getParamTriggerChangedEvent(int& index, int& kind)
    {
        index = -1;
        kind = -1;
    }
    virtual void setEnablePropertyIndex(int, bool) {}
    virtual bool ignoreNormalComposite() { return false; }
    virtual PluginUpdate_API* makeUpdateApi() { return nullptr; }

protected:
    PluginHost_API() = default;
    ~PluginHost_API() = default;
    PluginHost_API(const PluginHost_API&) = default;
    PluginHost_API& operator=(const PluginHost_API&) = default;
};

}  // namespace zel
