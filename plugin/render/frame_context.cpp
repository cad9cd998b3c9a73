#include "plugin/render/frame_context.h"

#include <cstdarg>
#include <cstdio>

#include "plugin/host/host_text.h"

namespace zel {

PF_Err failFrame(FrameContext& frame, const std::string& text)
{
    setReturnMessage(frame.in_data, frame.out_data, text.c_str());
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
}

std::string formatMessage(const char* format, ...)
{
    char text[PF_RETURN_MSG_SIZE];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

}  // namespace zel
