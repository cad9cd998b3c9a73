#include "plugin/host/host_text.h"

#include <cstring>
#include <string>

namespace zel {
namespace {

const PF_ANSICallbacks* ansi(const PF_InData* in_data)
{
    return (in_data != nullptr && in_data->utils != nullptr) ? &in_data->utils->ansi : nullptr;
}

std::string fitted(const char* text, std::size_t destSize)
{
    const std::size_t length = ::strnlen(text, destSize - 1);
    return std::string(text, length);
}

void copyHere(char* dest, const std::string& text)
{
    std::memcpy(dest, text.c_str(), text.size() + 1);
}

}  // namespace

void copyHostText(const PF_InData* in_data, char* dest, std::size_t destSize, const char* text)
{
    if (destSize == 0) {
        return;
    }
    const std::string cut = fitted(text, destSize);
    const PF_ANSICallbacks* host = ansi(in_data);
    if (host != nullptr && host->strcpy != nullptr) {
        host->strcpy(dest, cut.c_str());
    } else {
        copyHere(dest, cut);
    }
}

void setReturnMessage(const PF_InData* in_data, PF_OutData* out_data, const char* text)
{
    out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    const std::string cut = fitted(text, sizeof out_data->return_msg);
    const PF_ANSICallbacks* host = ansi(in_data);
    // The text goes in as an argument, not as the format, so that a '%' in it prints as itself.
    if (host != nullptr && host->sprintf != nullptr) {
        host->sprintf(out_data->return_msg, "%s", cut.c_str());
    } else {
        copyHere(out_data->return_msg, cut);
    }
}

}  // namespace zel
