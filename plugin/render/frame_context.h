// What the stages of one frame share: the command's records, the host, the frame's GL objects
// and values, and how a stage ends the frame.
#pragma once

#include <string>

#include "plugin/host/PluginHost_API.h"
#include "plugin/render/frame_values.h"
#include "plugin/render/gl_memory_objects.h"

namespace zel {

struct FrameContext {
    PF_InData* in_data;
    PF_OutData* out_data;
    PF_ParamDef** params;
    PF_LayerDef* output;
    PluginHost_API* host;
    GLMemoryObjects& gl;
    FrameValues& values;
    int sampleCount = 0;
};

// Ends the frame after a GL failure: the text becomes the command's return message, shown by the
// host, and the result is PF_Err_INTERNAL_STRUCT_DAMAGED.
PF_Err failFrame(FrameContext& frame, const std::string& text);

// printf-style formatting into a string for the frame's messages.
std::string formatMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace zel
