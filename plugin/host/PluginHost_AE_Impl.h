// The host interface over one command of the effect protocol.
#pragma once

#include <cstdint>

#include "plugin/host/PluginHost_API.h"
#include "plugin/host/PluginPath_API.h"
#include "plugin/host/PluginRaster_AE_Impl.h"
#include "sdk/pf_suites.h"

namespace zel {

// Built on the stack for one command and destroyed before the command returns; it points into
// the command's records and never outlives them. Holds the world and colour-parameter suites from
// construction to destruction on hosts that offer them. A host that lacks a callback gets
// PF_Err_BAD_CALLBACK_PARAM from the operation that needed it.
class PluginHost_AE_Impl final : public PluginHost_API, public PluginPath_API {
public:
    PluginHost_AE_Impl(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** params,
                       PF_LayerDef* output);
    ~PluginHost_AE_Impl();

    PluginHost_AE_Impl(const PluginHost_AE_Impl&) = delete;
    PluginHost_AE_Impl& operator=(const PluginHost_AE_Impl&) = delete;

    using PluginHost_API::fill;

    int getOutputWidth() override;
    int getOutputHeight() override;
    int getOutputOriginX() override;
    int getOutputOriginY() override;

    int fillOutput() override;
    int fill(PluginRaster_API* raster) override;
    int copyInputToOutput() override;
    int copy(PluginRaster_API* src, PluginRaster_API* dst) override;
    int copy(PluginRaster_API* src, PluginRaster_API* dst, ZQ_Rect* srcRect,
             ZQ_Rect* dstRect) override;

    // The input and output wrappers are the caller's to delete; their worlds stay the host's.
    PluginRaster_API* getInputRaster(int index) override;
    PluginRaster_API* getOutputRaster() override;
    // The caller gives the raster back with deallocRaster and then deletes the wrapper. 8 and 16
    // bits report the host's error in err; for float the world's data stays null on failure.
    PluginRaster_API* allocRaster(int width, int height, PluginRaster_API::PixelType type,
                                  int& err, int flags) override;
    // An 8-bit raster of info's size in exchange for info: consumes info (from new) and its data
    // (from allocMemory). Refuses the formats listed in the implementation, leaving info alone.
    PluginRaster_API* allocRaster(RasterInfo* info) override;
    int deallocRaster(PluginRaster_API* raster) override;

    bool isQualityHigh() override;
    double getScaleX() override;
    double getScaleY() override;
    double geAspectRatio(PluginRaster_API* raster) override;

    PluginHost_AE_Impl* getAEHost() override { return this; }
    void* getAVX1Host() override { return nullptr; }
    void* getAVX2Host() override { return nullptr; }
    void* getFXPLUGHost() override { return nullptr; }
    void* getSPARKHost() override { return nullptr; }

    int getInputRasterInfo(int index, RasterInfo* info) override;
    int getOutputRasterInfo(RasterInfo* info) override;
    int getRasterInfo(PluginRaster_API* raster, RasterInfo* info) override;

#define ZEL_OVERRIDE_MATH(NAME, TYPE, PARAMS, ARGS) TYPE math_##NAME PARAMS override;
    ZEL_PLUGIN_HOST_MATH(ZEL_OVERRIDE_MATH)
#undef ZEL_OVERRIDE_MATH

    int maintainEvenSize(PluginRaster_API* raster) override;
    void* allocMemory(int size) override;
    void* lockMemory(void* handle) override;
    void unlockMemory(void* handle) override;
    void deallocMemory(void* handle) override;
    void showWarning(const char* text) override;
    void resetOutputOrigin(int width, int height, int srcWidth, int srcHeight) override;
    bool hasGlobalSeqData() override;
    int loadDLL(const char* name) override;
    // Disposes the global data through the handle suite; throws 516 when the host has none.
    int unloadDLL() override;
    void* getDLL() override;
    int getSourceLayerDimensions(int& width, int& height) override;

    unsigned getTimeScale() override;
    long getCurrentTime() override;
    long getTimeStep() override;
    long getFrameLength() override;
    long getLocalTimeStep() override;
    bool isApplication(long id) override;
    void* getUserData() override;
    void setUserData(void* data) override;
    void getOrigin(int& x, int& y) override;
    void setOrigin(int x, int y) override;
    int acquireSuite(const char* name, int version, const char* errorText,
                     void** suite) override;
    int releaseSuite(const char* name, int version, const char* errorText) override;
    float getShutterAngle() override;
    float getShutterPhase() override;

    // Each checks the parameter out at t, reads it and answers the check-in's result.
    int GetFixedFloatValue(int index, int kind, const TimeObject& t, double& value) override;
    int GetFloatValue(int index, int kind, const TimeObject& t, double& value) override;
    int GetAngleValue(int index, int kind, const TimeObject& t, double& degrees) override;
    int GetIntValue(int index, int kind, const TimeObject& t, int& value) override;
    int GetUIntValue(int index, int kind, const TimeObject& t, unsigned& value) override;
    // Reads the command's own array, whatever t says.
    int GetBoolValue(int index, int kind, const TimeObject& t, bool& value) override;
    int GetPoint2DValue(int index, int kind, const TimeObject& t, double& x, double& y) override;
    int GetColorValue(int index, int kind, const TimeObject& t, double& red, double& green,
                      double& blue) override;

    int progress(long done, long total) override;
    PluginPath_API* getPathAPI() override;
    void setPathAPI(PluginPath_API* api) override;
    PluginRaster_API* lockTemporalRaster(double frame, bool unused, bool lowerFirst) override;
    int unlockTemporalRaster(PluginRaster_API* raster) override;
    int blend(int mode, double opacity, double mix, PluginRaster_API* src,
              PluginRaster_API* dst) override;
    int blend(int mode, PluginRaster_API* src, PluginRaster_API* dst, const ZQ_Rect& srcRect,
              const ZQ_Rect& dstPos, double opacity) override;
    bool isFieldRendering() override;
    void getFullFrameInfo(double time, int frame, int& first, int& count, int& offset) override;
    int doAbort() override;

    PluginRaster_API* checkoutLayer(int index, int flags) override;
    PluginRaster_API* checkoutLayer(int index, double time, int flags) override;
    int checkinLayer(PluginRaster_API* raster) override;
    // Kinds 0, 1, 2: the arrow, the busy and the hand cursor.
    int setCursor(long kind) override;
    int forceUIUpdate() override;
    int getAppColor(int which, int& red, int& green, int& blue) override;
    int getMousePos(long& x, long& y) override;
    int getHostVersionNum(int& minor, int& major) override;
    void setOutputRaster(PluginRaster_API* raster) override;
    int transformWorld(PluginRaster_API* src, ZQ_FloatMatrix* matrix, ZQ_Rect* destRect,
                       PluginRaster_API* dst) override;
    // Scales src by (sx, sy), rotates it by angle degrees about the centre of the scaled image,
    // moves it by (tx, ty) and composites it onto dst.
    int transformComp(PluginRaster_API* src, PluginRaster_API* dst, int mode, double opacity,
                      double tx, double ty, double sx, double sy, double angle) override;

    int getFloatColor(int index, int kind, double* red, double* green, double* blue,
                      TimeObject* t) override;
    void showAboutBox(int, void*, void*, const char* title, const char* text) override;
    bool hasCamera() override;
    int setOutputSize(int width, int height) override;
    int getFrameIncrement() override;
    bool getFPS(float& fps) override;
    void refreshUi() override;
    void SetFloatValue(int index, int kind, double& value) override;
    void SetPoint2DValue(int index, int kind, double x, double y) override;
    void SetAngleValue(int index, int kind, double& degrees) override;
    PluginUpdate_API* makeUpdateApi() override;

    int PathVertexInfo(void* const* dataSuite, void* path, long index,
                       ZQ_PathVertex* vertex) override;
    int PathIsOpen(void* const* dataSuite, void* path, bool* open) override;
    int PathNumSegments(void* const* dataSuite, void* path, long* count) override;
    int NumPaths(void* const* querySuite, long* count) override;
    int CheckoutPath(void* const* querySuite, unsigned long id, long time, long timeStep,
                     long timeScale, void** path) override;
    int CheckinPath(void* const* querySuite, unsigned long id, bool changed, void* path) override;
    int PathInfo(void* const* querySuite, long index, unsigned long* id) override;
    void setPathAspectRatio(double ratio, PluginHost_API* host) override;
    void setPathScale(double x, double y, bool apply) override;

    // A copy of the input (parameter 0) at `time`, clamped to the layer's duration.
    virtual PluginRaster_API* lockTemporalRasterImpl(int time);

    // Describes any world; wide selects the 16-bit value scale 2.0 instead of 0.5.
    int getAELayerInfo(PF_LayerDef* world, RasterInfo* info, bool wide);
    PluginRaster_API::PixelType getAEPixelType(PluginRaster_AE_Impl* raster);
    // Copies min(height) rows of min(width) pixels; 514 when the pixel sizes differ.
    int copy(RasterInfo* src, RasterInfo* dst);

    // checkoutLayer hands out a private copy of the layer (the default) or, when false, the
    // host's own world, held checked out until checkinLayer.
    void setLayerCopying(bool copying) { layerIsCopy = copying; }
    // The error code of the last checkoutLayer.
    std::int32_t getLayerFlags() const { return layerFlags; }

    // Entry points of the editing host's own path; this host has nothing to do there.
    int blendPPro(int mode, double opacity, double mix, PluginRaster_API* src,
                  PluginRaster_API* dst);
    void clearPProSuite();

    PF_InData* getInData() const { return inData; }
    PF_OutData* getOutData() const { return outData; }
    PF_ParamDef** getParams() const { return params; }

private:
    // Without a way back in, nothing is checked out.
    bool canCheckOut() const;
    PF_Err checkoutParam(int index, std::int32_t time, std::int32_t timeStep,
                         std::uint32_t timeScale, PF_ParamDef* def);
    void checkoutAt(int index, const TimeObject& t, PF_ParamDef* def);
    PF_Err checkinParam(PF_ParamDef* def);
    // Reads the parameter checked out at t, checks it in and answers the check-in's result.
    template <class Read>
    int readParam(int index, const TimeObject& t, Read read);

    // A private copy of the layer in parameter index at `time`, in the copy's own channel order;
    // null when the host has none or the layer is empty.
    PluginRaster_API* copyLayer(int index, std::int32_t time, PF_Err& checkoutErr);
    PluginRaster_API* duplicateWorld(PF_LayerDef* world);
    // A raster over a new, zeroed world record that deallocRaster frees.
    PluginRaster_AE_Impl* newWorldRaster();
    // deallocRaster and delete, for rasters this host made for itself.
    void releaseRaster(PluginRaster_API* raster);
    // The world suite's format for the world; without the suite, told by the deep flag.
    PF_PixelFormat pixelFormatOf(const PF_LayerDef* world) const;

    template <class Use>
    int withAppSuite(Use use);
    bool hostIs(std::int32_t applId) const;

    PF_InData* inData;
    PF_OutData* outData;
    PF_ParamDef** params;
    PF_LayerDef* output;
    void* userData = nullptr;
    std::int32_t originX = 0;
    std::int32_t originY = 0;
    std::int32_t outputWidthOverride = -1;
    std::int32_t outputHeightOverride = -1;
    PluginPath_API* pathApi;
    const PF_WorldSuite2* worldSuite = nullptr;
    const PF_ColorParamSuite1* colorParamSuite = nullptr;
    bool layerIsCopy = true;
    PF_ParamDef layerParam{};
    std::int32_t layerFlags = 0;
};

// The rows of dst take turns: odd rows from `odd`, even rows from `even`, over the rows and
// columns all three share. Rasters of different pixel sizes are left alone.
void mergeFrames(PluginHost_API* host, PluginRaster_API* odd, PluginRaster_API* even,
                 PluginRaster_API* dst);

// The editing host registers its image formats here; this host has none to add.
int addPProImageFormats(bool, PF_InData*, PF_OutData*, bool);

}  // namespace zel
