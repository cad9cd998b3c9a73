// What makes each plug-in itself; source_plugin.cpp and texture_plugin.cpp each define it once.
#pragma once

#include "hosts/frei0r/frei0r_params.h"

namespace zelfrei0r {

struct PluginIdentity {
    PluginKind kind;
    const char* name;  // hosts derive their element and service names from it
    const char* explanation;
};

extern const PluginIdentity kPlugin;

}  // namespace zelfrei0r
