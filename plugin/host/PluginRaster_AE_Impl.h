// A raster over one world of the effect protocol.
#pragma once

#include "plugin/host/PluginRaster_API.h"
#include "sdk/pf_effect.h"

namespace zel {

class PluginHost_AE_Impl;

// Deleting the wrapper leaves the world alone: who owns the world depends on who made the
// raster (PluginHost_AE_Impl's raster operations say).
class PluginRaster_AE_Impl final : public PluginRaster_API {
public:
    PluginRaster_AE_Impl(PF_LayerDef* world_, PluginHost_AE_Impl* host_)
        : world(world_), host(host_)
    {
    }
    ~PluginRaster_AE_Impl() override = default;

    int getWidth() override { return world->width; }
    int getHeight() override { return world->height; }
    PixelType getPixelType() override;
    int getRowBytes() override { return world->rowbytes; }
    PluginRaster_AE_Impl* getAERaster() override { return this; }
    void* getAVX1Raster() override { return nullptr; }
    void* getAVX2Raster() override { return nullptr; }
    void* getFXPLUGRaster() override { return nullptr; }
    void* getSPARKRaster() override { return nullptr; }
    void setHost(PluginHost_API* host_) override;
    // The world's extent hint as the host gives it.
    int getExtentTop() override { return world->extent_hint.top; }
    int getExtentLeft() override { return world->extent_hint.left; }
    int getExtentBottom() override { return world->extent_hint.bottom; }
    int getExtentRight() override { return world->extent_hint.right; }

    PF_LayerDef* getWorld() const { return world; }

private:
    PF_LayerDef* world;
    PluginHost_AE_Impl* host;
};

// The world behind a raster of this host; null for null and for other hosts' rasters.
inline PF_LayerDef* aeWorldOf(PluginRaster_API* raster)
{
    PluginRaster_AE_Impl* ae = raster != nullptr ? raster->getAERaster() : nullptr;
    return ae != nullptr ? ae->getWorld() : nullptr;
}

}  // namespace zel
