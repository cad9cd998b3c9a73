// The host as the renderer sees it, independent of any one host's command records.
#pragma once

namespace zel {

// Objects are destroyed through their concrete type, so the interface has no virtual destructor.
// The operations are declared by the host layer as it grows.
class PluginHost_API {
protected:
    PluginHost_API() = default;
    ~PluginHost_API() = default;
    PluginHost_API(const PluginHost_API&) = default;
    PluginHost_API& operator=(const PluginHost_API&) = default;
};

}  // namespace zel
