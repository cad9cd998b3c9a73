#include "tests/plugin/host/host_fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zel::test {
namespace {

HostFixture* gFixture = nullptr;

int bytesPerPixel(PF_PixelFormat format)
{
    return format == PF_PixelFormat_ARGB128 ? 16 : format == PF_PixelFormat_ARGB64 ? 8 : 4;
}

std::string rectText(const PF_Rect* r)
{
    return r == nullptr ? "all"
                        : std::to_string(r->left) + "," + std::to_string(r->top) + "," +
                              std::to_string(r->right) + "," + std::to_string(r->bottom);
}

}  // namespace

// The host's side of every call, reaching the live fixture.
struct FixtureCallbacks {
    static HostFixture& f() { return *gFixture; }

    static PF_Err checkout(PF_ProgPtr, int32_t index, int32_t time, int32_t step, uint32_t scale,
                           PF_ParamDef* def)
    {
        f().log.push_back("checkout " + std::to_string(index) + " at " + std::to_string(time) +
                          " step " + std::to_string(step) + " scale " + std::to_string(scale));
        *def = f().param(index);
        if (f().onCheckout) {
            f().onCheckout(index, time, *def);
        }
        return f().checkoutResult;
    }

    static PF_Err checkin(PF_ProgPtr, PF_ParamDef*)
    {
        f().log.push_back("checkin");
        return f().checkinResult;
    }

    static char* strcpyLogged(char* dest, const char* src)
    {
        f().log.push_back("strcpy");
        return std::strcpy(dest, src);
    }

    // Zeroes the whole world; this fixture's worlds are the only ones it is given.
    static PF_Err fill(PF_ProgPtr, const PF_Pixel*, const PF_Rect* rect, PF_LayerDef* world)
    {
        f().log.push_back("fill " + rectText(rect));
        std::memset(world->data, 0, static_cast<std::size_t>(world->rowbytes) * world->height);
        return PF_Err_NONE;
    }

    static PF_Err copy(PF_ProgPtr, PF_LayerDef* src, PF_LayerDef* dst, PF_Rect* srcRect,
                       PF_Rect* dstRect)
    {
        f().log.push_back("copy " + rectText(srcRect) + " to " + rectText(dstRect));
        const int rows = std::min(src->height, dst->height);
        const int bytes = std::min(src->rowbytes, dst->rowbytes);
        for (int y = 0; y < rows; ++y) {
            std::memcpy(static_cast<std::uint8_t*>(dst->data) + y * dst->rowbytes,
                        static_cast<std::uint8_t*>(src->data) + y * src->rowbytes,
                        static_cast<std::size_t>(bytes));
        }
        return PF_Err_NONE;
    }

    static PF_Err newWorld(PF_ProgPtr, int32_t width, int32_t height, int32_t flags,
                           PF_LayerDef* world)
    {
        f().log.push_back("new_world " + std::to_string(width) + "x" + std::to_string(height) +
                          " flags " + std::to_string(flags));
        if (f().newWorldResult != PF_Err_NONE) {
            return f().newWorldResult;
        }
        const bool deep = (flags & PF_NewWorldFlag_DEEP_PIXELS) != 0;
        *world = f().makeWorld(width, height, deep ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB32);
        world->world_flags = deep ? PF_WorldFlag_DEEP : 0;
        return PF_Err_NONE;
    }

    static void release(PF_LayerDef* world)
    {
        f().pixels_.remove_if([&](const auto& p) { return p.data() == world->data; });
    }

    static PF_Err disposeWorld(PF_ProgPtr, PF_LayerDef* world)
    {
        f().log.push_back("dispose_world");
        release(world);
        return PF_Err_NONE;
    }

    static PF_Err pixelData8(PF_LayerDef* world, void*, PF_Pixel8** pixels)
    {
        f().log.push_back("pixel_data8");
        *pixels = static_cast<PF_Pixel8*>(world->data);
        return PF_Err_NONE;
    }

    static PF_Err pixelData16(PF_LayerDef* world, void*, PF_Pixel16** pixels)
    {
        f().log.push_back("pixel_data16");
        *pixels = static_cast<PF_Pixel16*>(world->data);
        return PF_Err_NONE;
    }

    static PF_Err transferRect(PF_ProgPtr, PF_Quality, PF_ModeFlags flags, PF_Field field,
                               const PF_Rect* rect, const PF_LayerDef*,
                               const PF_CompositeMode* mode, const PF_MaskWorld*, int32_t x,
                               int32_t y, PF_LayerDef*)
    {
        f().log.push_back("transfer_rect");
        f().transfers.push_back({flags, field, *rect, *mode, x, y, {}});
        return PF_Err_NONE;
    }

    static PF_Err transformWorld(PF_ProgPtr, PF_Quality, PF_ModeFlags flags, PF_Field field,
                                 const PF_LayerDef*, const PF_CompositeMode* mode,
                                 const PF_MaskWorld*, const PF_FloatMatrix* matrices, int32_t,
                                 PF_Boolean, const PF_Rect* rect, PF_LayerDef*)
    {
        f().log.push_back("transform_world");
        f().transforms.push_back({flags, field, rect != nullptr ? *rect : PF_Rect{}, *mode, 0, 0,
                                  *matrices});
        return PF_Err_NONE;
    }

    static PF_Err suiteNewWorld(PF_ProgPtr, int32_t width, int32_t height, PF_Boolean,
                                PF_PixelFormat format, PF_EffectWorld* world)
    {
        f().log.push_back("suite_new_world " + std::to_string(width) + "x" +
                          std::to_string(height));
        *world = f().makeWorld(width, height, format);
        return PF_Err_NONE;
    }

    static PF_Err suiteDisposeWorld(PF_ProgPtr, PF_EffectWorld* world)
    {
        f().log.push_back("suite_dispose_world");
        release(world);
        return PF_Err_NONE;
    }

    static PF_Err pixelFormat(const PF_EffectWorld* world, PF_PixelFormat* format)
    {
        const auto known = f().formats.find(world->data);
        *format = known != f().formats.end() ? known->second : PF_PixelFormat_ARGB32;
        return PF_Err_NONE;
    }

    static PF_Err floatColor(PF_ProgPtr, const PF_ParamDef*, PF_PixelFloat* color)
    {
        f().log.push_back("float_color");
        *color = f().floatColor;
        return f().floatColorResult;
    }

    static void disposeHandle(PF_Handle)
    {
        f().log.push_back("dispose_handle");
    }

    static PF_Err updateParamUI(PF_ProgPtr, int32_t index, const PF_ParamDef* def)
    {
        f().log.push_back("update_ui " + std::to_string(index));
        f().uiUpdates.push_back(*def);
        return PF_Err_NONE;
    }

    static PF_Err setCursor(int32_t cursor)
    {
        f().log.push_back("set_cursor " + std::to_string(cursor));
        return PF_Err_NONE;
    }

    static PF_Err vertexInfo(PF_ProgPtr, PF_PathOutlinePtr, int32_t, PF_PathVertex* vertex)
    {
        *vertex = {1, 2, 3, 4, 5, 6};
        return PF_Err_NONE;
    }

    static SPErr acquire(const char* name, int32_t version, const void** suite)
    {
        HostFixture& h = f();
        h.log.push_back("acquire " + std::string(name) + " " + std::to_string(version));
        const std::map<std::string, const void*> tables{
            {kPFWorldSuite, &h.worldSuite},        {kPFColorParamSuite, &h.colorSuite},
            {kPFHandleSuite, &h.handleSuite},      {kPFParamUtilsSuite, &h.paramUtils},
            {kPFAppSuite, &h.appSuite},            {kPFPathDataSuite, &h.pathData}};
        const auto table = tables.find(name);
        const bool offered = table != tables.end() &&
                             std::ranges::find(h.withdrawn_, name) == h.withdrawn_.end();
        *suite = offered ? table->second : nullptr;
        return offered ? kSPNoError : kSPSuiteNotFoundError;
    }

    static SPErr releaseSuite(const char* name, int32_t version)
    {
        f().log.push_back("release " + std::string(name) + " " + std::to_string(version));
        return kSPNoError;
    }
};

// Fixtures nest: the callbacks reach the newest one until it ends.
HostFixture::HostFixture() : previous_(gFixture)
{
    gFixture = this;
    using C = FixtureCallbacks;
    basic_ = {C::acquire, C::releaseSuite};
    utils.ansi.sprintf = std::sprintf;
    utils.ansi.strcpy = C::strcpyLogged;
    utils.fill = C::fill;
    utils.copy = C::copy;
    utils.new_world = C::newWorld;
    utils.dispose_world = C::disposeWorld;
    utils.get_pixel_data8 = C::pixelData8;
    utils.get_pixel_data16 = C::pixelData16;
    utils.transfer_rect = C::transferRect;
    utils.transform_world = C::transformWorld;
    worldSuite = {C::suiteNewWorld, C::suiteDisposeWorld, C::pixelFormat};
    colorSuite = {C::floatColor};
    handleSuite.host_dispose_handle = C::disposeHandle;
    paramUtils = {C::updateParamUI};
    appSuite.PF_SetCursor = C::setCursor;
    pathData.PF_PathVertexInfo = C::vertexInfo;

    in_data.inter.checkout_param = C::checkout;
    in_data.inter.checkin_param = C::checkin;
    in_data.utils = &utils;
    in_data.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
    in_data.quality = PF_Quality_HI;
    in_data.version = {13, 28};
    in_data.appl_id = PF_APPL_ID_COMPOSITOR;
    in_data.current_time = 10;
    in_data.time_step = 1;
    in_data.local_time_step = 1;
    in_data.total_time = 100;
    in_data.time_scale = 24;
    in_data.width = 1920;
    in_data.height = 1080;
    in_data.downsample_x = {1, 1};
    in_data.downsample_y = {1, 1};
    in_data.pixel_aspect_ratio = {1, 1};
    in_data.pica_basicP = &basic_;
    output.width = 1920;
    output.height = 1080;
    setParams(4);
}

HostFixture::~HostFixture()
{
    gFixture = previous_;
}

HostFixture& HostFixture::current()
{
    return *gFixture;
}

std::vector<std::string> HostFixture::entries(const std::string& prefix) const
{
    std::vector<std::string> found;
    std::ranges::copy_if(log, std::back_inserter(found),
                         [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
    return found;
}

void HostFixture::setParams(int count)
{
    defs_.assign(static_cast<std::size_t>(count), PF_ParamDef{});
    array_.clear();
    for (PF_ParamDef& def : defs_) {
        array_.push_back(&def);
    }
}

PF_LayerDef HostFixture::makeWorld(int width, int height, PF_PixelFormat format)
{
    const int rowbytes = width * bytesPerPixel(format);
    std::vector<std::uint8_t>& bytes = pixels_.emplace_back(
        static_cast<std::size_t>(std::max(rowbytes * height, 1)));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i);
    }
    formats[bytes.data()] = format;
    PF_LayerDef world{};
    world.data = bytes.data();
    world.rowbytes = rowbytes;
    world.width = width;
    world.height = height;
    world.world_flags = format == PF_PixelFormat_ARGB64 ? PF_WorldFlag_DEEP : 0;
    return world;
}

std::vector<std::uint8_t> rowOf(const PF_LayerDef& world, int row, int bytes)
{
    const auto* start = static_cast<const std::uint8_t*>(world.data) + row * world.rowbytes;
    return {start, start + bytes};
}

}  // namespace zel::test
