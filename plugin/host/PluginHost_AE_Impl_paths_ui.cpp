// Mask-path queries through the caller's path suites, and small user-interface services.
#include "plugin/host/PluginHost_AE_Impl.h"

#include <array>
#include <string>

#include "plugin/host/aefx_suites.h"
#include "plugin/host/host_callbacks.h"
#include "plugin/host/host_text.h"

namespace zel {
namespace {

// The suite table behind the caller's suite pointer, or null.
template <class Suite>
const Suite* suiteAt(void* const* slot)
{
    return slot != nullptr ? static_cast<const Suite*>(*slot) : nullptr;
}

// Host cursors for kinds 0, 1, 2 and host colours for which 0, 1, 2.
constexpr std::array<std::int32_t, 3> kCursors{2, 8, 41};
constexpr std::array<std::int32_t, 3> kAppColors{0, 6, 5};

}  // namespace

int PluginHost_AE_Impl::NumPaths(void* const* querySuite, long* count)
{
    std::int32_t paths = 0;
    const PF_Err err = callHost(suiteAt<PF_PathQuerySuite1>(querySuite),
                                &PF_PathQuerySuite1::PF_NumPaths, inData->effect_ref, &paths);
    *count = paths;
    return err;
}

int PluginHost_AE_Impl::PathInfo(void* const* querySuite, long index, unsigned long* id)
{
    PF_PathID path = 0;
    const PF_Err err = callHost(suiteAt<PF_PathQuerySuite1>(querySuite),
                                &PF_PathQuerySuite1::PF_PathInfo, inData->effect_ref,
                                static_cast<std::int32_t>(index), &path);
    *id = path;
    return err;
}

int PluginHost_AE_Impl::CheckoutPath(void* const* querySuite, unsigned long id, long time,
                                     long timeStep, long timeScale, void** path)
{
    PF_PathOutlinePtr outline = nullptr;
    const PF_Err err = callHost(
        suiteAt<PF_PathQuerySuite1>(querySuite), &PF_PathQuerySuite1::PF_CheckoutPath,
        inData->effect_ref, static_cast<PF_PathID>(id), static_cast<std::int32_t>(time),
        static_cast<std::int32_t>(timeStep), static_cast<std::uint32_t>(timeScale), &outline);
    *path = outline;
    return err;
}

int PluginHost_AE_Impl::CheckinPath(void* const* querySuite, unsigned long id, bool changed,
                                    void* path)
{
    return callHost(suiteAt<PF_PathQuerySuite1>(querySuite), &PF_PathQuerySuite1::PF_CheckinPath,
                    inData->effect_ref, static_cast<PF_PathID>(id), PF_Boolean{changed},
                    static_cast<PF_PathOutlinePtr>(path));
}

int PluginHost_AE_Impl::PathIsOpen(void* const* dataSuite, void* path, bool* open)
{
    PF_Boolean isOpen = 0;
    const PF_Err err = callHost(suiteAt<PF_PathDataSuite1>(dataSuite),
                                &PF_PathDataSuite1::PF_PathIsOpen, inData->effect_ref,
                                static_cast<PF_PathOutlinePtr>(path), &isOpen);
    *open = isOpen != 0;
    return err;
}

int PluginHost_AE_Impl::PathNumSegments(void* const* dataSuite, void* path, long* count)
{
    std::int32_t segments = 0;
    const PF_Err err = callHost(suiteAt<PF_PathDataSuite1>(dataSuite),
                                &PF_PathDataSuite1::PF_PathNumSegments, inData->effect_ref,
                                static_cast<PF_PathOutlinePtr>(path), &segments);
    *count = segments;
    return err;
}

int PluginHost_AE_Impl::PathVertexInfo(void* const* dataSuite, void* path, long index,
                                       ZQ_PathVertex* vertex)
{
    PF_PathVertex v{};
    const PF_Err err = callHost(suiteAt<PF_PathDataSuite1>(dataSuite),
                                &PF_PathDataSuite1::PF_PathVertexInfo, inData->effect_ref,
                                static_cast<PF_PathOutlinePtr>(path),
                                static_cast<std::int32_t>(index), &v);
    *vertex = {v.tan_in_x, v.tan_in_y, v.x, v.y, v.tan_out_x, v.tan_out_y};
    return err;
}

void PluginHost_AE_Impl::setPathAspectRatio(double, PluginHost_API*) {}

void PluginHost_AE_Impl::setPathScale(double, double, bool) {}

// The application suite is held only around each call.
template <class Use>
int PluginHost_AE_Impl::withAppSuite(Use use)
{
    const PF_AppSuite6* app = nullptr;
    const PF_Err acquired =
        zel::acquireSuite(inData, outData, "Failed to acquire PFAppSuite4.", &app);
    if (acquired != PF_Err_NONE) {
        return acquired;
    }
    const int result = use(*app);
    zel::releaseSuite<PF_AppSuite6>(inData, outData, "Failed to release PFAppSuite4.");
    return result;
}

int PluginHost_AE_Impl::setCursor(long kind)
{
    if (kind < 0 || kind >= static_cast<long>(kCursors.size())) {
        return 1;
    }
    return withAppSuite([&](const PF_AppSuite6& app) {
        callHost(&app, &PF_AppSuite6::PF_SetCursor, kCursors[static_cast<std::size_t>(kind)]);
        return 0;
    });
}

int PluginHost_AE_Impl::getAppColor(int which, int& red, int& green, int& blue)
{
    if (which < 0 || which >= static_cast<int>(kAppColors.size())) {
        return 1;
    }
    return withAppSuite([&](const PF_AppSuite6& app) {
        PF_App_Color color{};
        const PF_Err err = callHost(&app, &PF_AppSuite6::PF_AppGetColor,
                                    kAppColors[static_cast<std::size_t>(which)], &color);
        red = color.red >> 8;
        green = color.green >> 8;
        blue = color.blue >> 8;
        return err;
    });
}

int PluginHost_AE_Impl::getMousePos(long& x, long& y)
{
    return withAppSuite([&](const PF_AppSuite6& app) {
        PF_Point position{};
        const PF_Err err = callHost(&app, &PF_AppSuite6::PF_GetMouse, &position);
        x = position.h;
        y = position.v;
        return err;
    });
}

void PluginHost_AE_Impl::showAboutBox(int, void*, void*, const char* title, const char* text)
{
    const std::string box = std::string(title != nullptr ? title : "") + "\n" +
                            (text != nullptr ? text : "");
    copyHostText(inData, outData->return_msg, sizeof outData->return_msg, box.c_str());
}

}  // namespace zel
