#include "plugin/about/about_command.h"

#include <cstdio>

#include "plugin/about/about_box.h"
#include "plugin/render/shared_gl_state.h"

namespace zel {
namespace {

constexpr int kMajorVersion = 1;
constexpr int kMinorVersion = 2;
constexpr int kBugVersion = 0;
constexpr const char* kProductName = "VELTRANO ZEL";
constexpr const char* kProductDescription = "Fractal Noise Displacement of Polygons";
constexpr const char* kWebAddress = "https://zel.example.org";
constexpr const char* kBundleIdentifier = "org.example.zel";
constexpr const char* kTitle = "Veltrano - Zel";
constexpr int kModalCode = 3000;

// The application instance a box is parented to elsewhere; this platform has none.
void* const gInstance = nullptr;

using Line = char[256];

// Formats with the host's sprintf, as the host expects its callbacks used; snprintf when the
// host lends none. Every text formatted here fits the line.
template <typename... Args>
void format(const PF_InData* in_data, Line& line, const char* pattern, Args... args)
{
    const bool hostHasSprintf = in_data != nullptr && in_data->utils != nullptr &&
                                in_data->utils->ansi.sprintf != nullptr;
    if (hostHasSprintf) {
        in_data->utils->ansi.sprintf(line, pattern, args...);
    } else {
        std::snprintf(line, sizeof line, pattern, args...);
    }
}

}  // namespace

PF_Err About(PF_InData* in_data, PF_OutData*, PF_ParamDef**, PF_LayerDef*)
{
    Line productLine = {};
    Line versionLine = {};
    format(in_data, productLine, "%s. %s", kProductName, kProductDescription);
    format(in_data, versionLine, "v%d.%d.%d. %s ", kMajorVersion, kMinorVersion, kBugVersion,
           kWebAddress);
    showVeltranoAboutBox(kModalCode, gInstance, nullptr, kTitle, kBundleIdentifier, productLine,
                         versionLine, sharedGL().g_openglInfo());
    return PF_Err_NONE;
}

}  // namespace zel
