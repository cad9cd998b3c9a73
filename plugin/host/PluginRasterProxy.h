// Releases a raster when the scope that holds it ends, on every way out.
#pragma once

#include "plugin/host/PluginHost_API.h"
#include "plugin/host/PluginRaster_API.h"

namespace zel {

// deallocOnExit gives the raster's buffer back to the host (for rasters from allocRaster);
// deleteOnExit deletes the wrapper. A raster over a world the host owns, such as the output,
// is held as {raster, host, false, true}.
class PluginRasterProxy {
public:
    PluginRasterProxy(PluginRaster_API* raster_, PluginHost_API* host_, bool deallocOnExit_,
                      bool deleteOnExit_)
        : raster(raster_), host(host_), deallocOnExit(deallocOnExit_), deleteOnExit(deleteOnExit_)
    {
    }

    ~PluginRasterProxy()
    {
        if (deallocOnExit && host != nullptr) {
            host->deallocRaster(raster);
        }
        if (raster != nullptr && deleteOnExit) {
            delete raster;
        }
    }

    PluginRasterProxy(const PluginRasterProxy&) = delete;
    PluginRasterProxy& operator=(const PluginRasterProxy&) = delete;

    PluginRaster_API* get() const { return raster; }
    PluginRaster_API* operator->() const { return raster; }

private:
    PluginRaster_API* raster;
    PluginHost_API* host;
    bool deallocOnExit;
    bool deleteOnExit;
};

}  // namespace zel
