#include "plugin/host/PluginRaster_AE_Impl.h"

#include "plugin/host/PluginHost_AE_Impl.h"

namespace zel {

PluginRaster_API::PixelType PluginRaster_AE_Impl::getPixelType()
{
    return host->getAEPixelType(this);
}

void PluginRaster_AE_Impl::setHost(PluginHost_API* host_)
{
    host = host_->getAEHost();
}

}  // namespace zel
