// One image buffer of a host, independent of the host.
#pragma once

#include "plugin/host/raster_info.h"

namespace zel {

class PluginHost_API;
class PluginRaster_AE_Impl;

// Each host wraps its own buffers; get<Host>Raster answers the wrapper of that host or null.
class PluginRaster_API {
public:
    // Depth per channel as rasters report and hosts accept it.
    enum PixelType : int {
        kPixel8 = 0,
        kPixel16 = 1,
        kPixelFloat = 4,
    };

    virtual ~PluginRaster_API() = 0;

    virtual int getWidth() = 0;
    virtual int getHeight() = 0;
    virtual PixelType getPixelType() = 0;
    virtual int getRowBytes() = 0;
    virtual PluginRaster_AE_Impl* getAERaster() = 0;
    virtual void* getAVX1Raster() = 0;
    virtual void* getAVX2Raster() = 0;
    virtual void* getFXPLUGRaster() = 0;
    virtual void* getSPARKRaster() = 0;
    virtual void* getOFXRaster() { return nullptr; }
    virtual void* getGASKETRaster() { return nullptr; }
    virtual void* getRTFXRaster() { return nullptr; }
    virtual void* getRTFX2Raster() { return nullptr; }
    virtual void* getVEGASRaster() { return nullptr; }
    virtual void setHost(PluginHost_API* host) = 0;

    // The part that holds visible pixels, bounds inclusive; by default the whole raster.
    virtual int getExtentTop() { return 0; }
    virtual int getExtentLeft() { return 0; }
    virtual int getExtentBottom() { return getHeight() - 1; }
    virtual int getExtentRight() { return getWidth() - 1; }

    // A raster that is already a plain description hands it out here; hosts then use it as is.
    virtual RasterInfo* getRasterInfoBase() { return nullptr; }

protected:
    PluginRaster_API() = default;
    PluginRaster_API(const PluginRaster_API&) = default;
    PluginRaster_API& operator=(const PluginRaster_API&) = default;
};

inline PluginRaster_API::~PluginRaster_API() {}

}  // namespace zel
