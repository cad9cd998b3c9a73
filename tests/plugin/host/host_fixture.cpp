#include "tests/plugin/host/host_fixture.h"

#include <algorithm>
#include <cstring>

namespace zel::test {
namespace {

std::string rectText(const PF_Rect* r)
{
    return r == nullptr ? "all"
                        : std::to_string(r->left) + "," + std::to_string(r->top) + "," + std::to_string(r->right) +
                              "," + std::to_string(r->bottom);
}

}  // namespace

// The host's side of every call, reaching the newest live fixture.
struct FixtureCallbacks {
    static HostFixture& f() { return static_cast<HostFixture&>(RecordingHost::current()); }
    static void log(const std::string& entry) { f().log.push_back(entry); }
    static PF_Err logged(const std::string& entry, PF_Err answer = PF_Err_NONE) { return log(entry), answer; }
    static void release(const PF_LayerDef* world)
    {
        f().pixels_.remove_if([&](const auto& p) { return p.data() == world->data; });
    }

    static PF_Err checkout(PF_ProgPtr, int32_t index, int32_t time, int32_t step, uint32_t scale, PF_ParamDef* def)
    {
        *def = f().param(index);
        if (f().onCheckout) {
            f().onCheckout(index, time, *def);
        }
        return logged("checkout " + std::to_string(index) + " at " + std::to_string(time) + " step " +
                          std::to_string(step) + " scale " + std::to_string(scale),
                      f().checkoutResult);
    }

    // Zeroes the whole world; this fixture's worlds are the only ones it is given.
    static PF_Err fill(PF_ProgPtr, const PF_Pixel*, const PF_Rect* rect, PF_LayerDef* world)
    {
        std::memset(world->data, 0, static_cast<std::size_t>(world->rowbytes) * world->height);
        return logged("fill " + rectText(rect));
    }

    static PF_Err copy(PF_ProgPtr, PF_LayerDef* src, PF_LayerDef* dst, PF_Rect* srcRect, PF_Rect* dstRect)
    {
        for (int y = 0; y < std::min(src->height, dst->height); ++y) {
            std::memcpy(static_cast<std::uint8_t*>(dst->data) + y * dst->rowbytes,
                        static_cast<std::uint8_t*>(src->data) + y * src->rowbytes,
                        static_cast<std::size_t>(std::min(src->rowbytes, dst->rowbytes)));
        }
        return logged("copy " + rectText(srcRect) + " to " + rectText(dstRect));
    }

    static PF_Err newWorld(PF_ProgPtr, int32_t width, int32_t height, int32_t flags, PF_LayerDef* world)
    {
        if (f().newWorldResult == PF_Err_NONE) {
            const bool deep = (flags & PF_NewWorldFlag_DEEP_PIXELS) != 0;
            *world = f().makeWorld(width, height, deep ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB32);
        }
        return logged("new_world " + std::to_string(width) + "x" + std::to_string(height) + " flags " +
                          std::to_string(flags),
                      f().newWorldResult);
    }

    static PF_Err transferRect(PF_ProgPtr, PF_Quality, PF_ModeFlags flags, PF_Field field, const PF_Rect* rect,
                               const PF_LayerDef*, const PF_CompositeMode* mode, const PF_MaskWorld*, int32_t x,
                               int32_t y, PF_LayerDef*)
    {
        f().transfers.push_back({flags, field, *rect, *mode, x, y, {}});
        return logged("transfer_rect");
    }

    static PF_Err transformWorld(PF_ProgPtr, PF_Quality, PF_ModeFlags flags, PF_Field field, const PF_LayerDef*,
                                 const PF_CompositeMode* mode, const PF_MaskWorld*, const PF_FloatMatrix* matrices,
                                 int32_t, PF_Boolean, const PF_Rect* rect, PF_LayerDef*)
    {
        f().transforms.push_back({flags, field, rect != nullptr ? *rect : PF_Rect{}, *mode, 0, 0, *matrices});
        return logged("transform_world");
    }
};

HostFixture::HostFixture()
{
    using C = FixtureCallbacks;
    utils.fill = C::fill;
    utils.copy = C::copy;
    utils.new_world = C::newWorld;
    utils.dispose_world = [](PF_ProgPtr, PF_LayerDef* w) { return C::release(w), C::logged("dispose_world"); };
    utils.get_pixel_data8 = [](PF_LayerDef* world, void*, PF_Pixel8** pixels) {
        *pixels = static_cast<PF_Pixel8*>(world->data);
        return C::logged("pixel_data8");
    };
    utils.get_pixel_data16 = [](PF_LayerDef* world, void*, PF_Pixel16** pixels) {
        *pixels = static_cast<PF_Pixel16*>(world->data);
        return C::logged("pixel_data16");
    };
    utils.transfer_rect = C::transferRect;
    utils.transform_world = C::transformWorld;
    worldSuite.PF_NewWorld = [](PF_ProgPtr, int32_t width, int32_t height, PF_Boolean, PF_PixelFormat format,
                                PF_EffectWorld* world) {
        *world = C::f().makeWorld(width, height, format);
        return C::logged("suite_new_world " + std::to_string(width) + "x" + std::to_string(height));
    };
    worldSuite.PF_DisposeWorld = [](PF_ProgPtr, PF_EffectWorld* w) {
        return C::release(w), C::logged("suite_dispose_world");
    };
    worldSuite.PF_GetPixelFormat = [](const PF_EffectWorld* world, PF_PixelFormat* format) {
        const auto known = C::f().formats_.find(world->data);
        *format = known != C::f().formats_.end() ? known->second : PF_PixelFormat_ARGB32;
        return PF_Err{PF_Err_NONE};
    };
    colorSuite.PF_GetFloatingPointColorFromColorDef = [](PF_ProgPtr, const PF_ParamDef*, PF_PixelFloat* color) {
        *color = C::f().floatColor;
        return C::logged("float_color", C::f().floatColorResult);
    };
    handleSuite.host_dispose_handle = [](PF_Handle) { C::log("dispose_handle"); };
    paramUtils.PF_UpdateParamUI = [](PF_ProgPtr, int32_t index, const PF_ParamDef* def) {
        C::f().uiUpdates.push_back(*def);
        return C::logged("update_ui " + std::to_string(index));
    };
    appSuite.PF_SetCursor = [](int32_t cursor) { return C::logged("set_cursor " + std::to_string(cursor)); };
    pathData.PF_PathVertexInfo = [](PF_ProgPtr, PF_PathOutlinePtr, int32_t, PF_PathVertex* vertex) {
        *vertex = {1, 2, 3, 4, 5, 6};
        return PF_Err{PF_Err_NONE};
    };
    offerSuite(kPFWorldSuite, 2, &worldSuite);
    offerSuite(kPFColorParamSuite, 1, &colorSuite);
    offerSuite(kPFHandleSuite, 2, &handleSuite);
    offerSuite(kPFParamUtilsSuite, 2, &paramUtils);
    offerSuite(kPFAppSuite, 6, &appSuite);
    offerSuite(kPFPathDataSuite, 1, &pathData);

    in_data.inter.checkout_param = C::checkout;
    in_data.inter.checkin_param = [](PF_ProgPtr, PF_ParamDef*) { return C::logged("checkin", C::f().checkinResult); };
    in_data.quality = PF_Quality_HI;
    in_data.current_time = 10;
    in_data.local_time_step = 1;
    in_data.total_time = 100;
    output.width = 1920;
    output.height = 1080;
    for (PF_ParamDef& def : defs_) {
        array_.push_back(&def);
    }
}

PF_LayerDef HostFixture::makeWorld(int width, int height, PF_PixelFormat format)
{
    const int rowbytes = width * (format == PF_PixelFormat_ARGB128 ? 16 : format == PF_PixelFormat_ARGB64 ? 8 : 4);
    std::vector<std::uint8_t>& bytes = pixels_.emplace_back(static_cast<std::size_t>(std::max(rowbytes * height, 1)));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i);
    }
    formats_[bytes.data()] = format;
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
