// Mask-path queries, independent of the host.
#pragma once

#include "plugin/host/host_geometry.h"

namespace zel {

class PluginHost_API;

// The suite arguments point at the caller's suite pointer: the caller acquires and releases the
// host's path suites, these operations only read through them. Results are host error codes.
class PluginPath_API {
public:
    virtual int PathVertexInfo(void* const* dataSuite, void* path, long index,
                               ZQ_PathVertex* vertex) = 0;
    virtual int PathIsOpen(void* const* dataSuite, void* path, bool* open) = 0;
    virtual int PathNumSegments(void* const* dataSuite, void* path, long* count) = 0;
    virtual int NumPaths(void* const* querySuite, long* count) = 0;
    virtual int CheckoutPath(void* const* querySuite, unsigned long id, long time, long timeStep,
                             long timeScale, void** path) = 0;
    virtual int CheckinPath(void* const* querySuite, unsigned long id, bool changed,
                            void* path) = 0;
    virtual int PathInfo(void* const* querySuite, long index, unsigned long* id) = 0;
    virtual void setPathAspectRatio(double ratio, PluginHost_API* host) = 0;
    virtual void setPathScale(double x, double y, bool apply) = 0;

protected:
    // Destroyed through the concrete type.
    PluginPath_API() = default;
    ~PluginPath_API() = default;
    PluginPath_API(const PluginPath_API&) = default;
    PluginPath_API& operator=(const PluginPath_API&) = default;
};

}  // namespace zel
