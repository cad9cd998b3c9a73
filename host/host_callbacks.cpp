#include "host/host_callbacks.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "host/callback_guard.h"
#include "host/handles.h"

namespace zelrender {
namespace {

PF_Err checkoutParam(PF_ProgPtr effect_ref, std::int32_t index, std::int32_t what_time,
                     std::int32_t /*time_step*/, std::uint32_t time_scale, PF_ParamDef* param)
{
    return guarded("checkout_param", [&] {
        PF_ParamDef& def = required(param, "the definition to fill");
        if (time_scale == 0) {
            throw std::invalid_argument("time_scale is 0");
        }
        hostOf(effect_ref)
            .params()
            .checkout(index, static_cast<double>(what_time) / time_scale, def);
    });
}

PF_Err checkinParam(PF_ProgPtr effect_ref, PF_ParamDef* /*param*/)
{
    return guarded("checkin_param", [&] { hostOf(effect_ref); });
}

PF_Err addParam(PF_ProgPtr effect_ref, std::int32_t index, PF_ParamDef* def)
{
    return guarded("add_param", [&] {
        EffectHost& host = hostOf(effect_ref);
        if (!host.registeringParams()) {
            throw std::invalid_argument("parameters can be added during PARAMS_SETUP only");
        }
        host.params().add(index, required(def, "the definition"));
    });
}

// Nothing interrupts a render once it runs: the host has no button to cancel it.
PF_Err userAborted(PF_ProgPtr effect_ref)
{
    return guarded("abort", [&] { hostOf(effect_ref); });
}

// Progress within one frame is not shown: the host's callers report whole frames.
PF_Err reportProgress(PF_ProgPtr effect_ref, std::int32_t /*done*/, std::int32_t /*total*/)
{
    return guarded("progress", [&] { hostOf(effect_ref); });
}

PF_Err fill(PF_ProgPtr effect_ref, const PF_Pixel* color, const PF_Rect* rect, PF_LayerDef* world)
{
    return guarded("fill", [&] {
        const WorldView view = hostOf(effect_ref).worlds().view(required(world, "the world"));
        fillWorld(view, color != nullptr ? *color : PF_Pixel{}, rect);
    });
}

PF_Err copy(PF_ProgPtr effect_ref, PF_LayerDef* src, PF_LayerDef* dst, PF_Rect* src_rect,
            PF_Rect* dst_rect)
{
    return guarded("copy", [&] {
        const WorldStore& worlds = hostOf(effect_ref).worlds();
        const WorldView from = worlds.view(required(src, "the source"));
        const WorldView to = worlds.view(required(dst, "the destination"));
        const PF_Rect area = src_rect != nullptr ? *src_rect : bounds(from);
        const PF_Rect place = dst_rect != nullptr ? *dst_rect : bounds(to);
        copyArea(from, area, std::int64_t{place.left} - area.left,
                 std::int64_t{place.top} - area.top, to, place);
    });
}

PF_Err newWorld(PF_ProgPtr effect_ref, std::int32_t width, std::int32_t height,
                std::int32_t flags, PF_LayerDef* world)
{
    return guarded("new_world", [&] {
        EffectHost& host = hostOf(effect_ref);
        PF_LayerDef& made = required(world, "the world to describe");
        constexpr std::int32_t known = PF_NewWorldFlag_CLEAR_PIXELS | PF_NewWorldFlag_DEEP_PIXELS;
        if ((flags & ~known) != 0) {
            throw std::invalid_argument("flags " + std::to_string(flags) +
                                        " hold bits other than CLEAR_PIXELS and DEEP_PIXELS");
        }
        const bool deep = (flags & PF_NewWorldFlag_DEEP_PIXELS) != 0;
        host.worlds().make(width, height, deep ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB32,
                           made);
    });
}

PF_Err disposeWorld(PF_ProgPtr effect_ref, PF_LayerDef* world)
{
    return guarded("dispose_world", [&] {
        hostOf(effect_ref).worlds().dispose(required(world, "the world"));
    });
}

// `pixels` (null: the first) as a pixel of `world`, checked to be one.
unsigned char* pixelOf(const WorldView& world, void* pixels)
{
    if (pixels == nullptr) {
        return world.data;
    }
    const std::uintptr_t offset =
        reinterpret_cast<std::uintptr_t>(pixels) - reinterpret_cast<std::uintptr_t>(world.data);
    const auto rowbytes = static_cast<std::uintptr_t>(world.rowbytes);
    const auto used = static_cast<std::uintptr_t>(world.width) * world.layout->bytes;
    if (rowbytes == 0 || offset >= rowbytes * static_cast<std::uintptr_t>(world.height) ||
        offset % rowbytes >= used || offset % rowbytes % world.layout->bytes != 0) {
        throw std::invalid_argument("the pixel asked for is not one of the world's");
    }
    return static_cast<unsigned char*>(pixels);
}

// A world of another depth gets an error and null but no note: the module's host
// layer asks both depths of every world and keeps the answer that fits.
template <typename Pixel>
PF_Err pixelData(const char* callback, PF_LayerDef* world, void* pixels, Pixel** pixel_data)
{
    bool fits = true;
    const PF_Err err = guarded(callback, [&] {
        Pixel*& answer = required(pixel_data, "the pointer to fill");
        answer = nullptr;
        const WorldView view = liveHost().worlds().view(required(world, "the world"));
        fits = view.layout->bytes == sizeof(Pixel);
        if (fits) {
            answer = reinterpret_cast<Pixel*>(pixelOf(view, pixels));
        }
    });
    return fits ? err : PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err pixelData8(PF_LayerDef* world, void* pixels, PF_Pixel8** pixel_data)
{
    return pixelData("get_pixel_data8", world, pixels, pixel_data);
}

PF_Err pixelData16(PF_LayerDef* world, void* pixels, PF_Pixel16** pixel_data)
{
    return pixelData("get_pixel_data16", world, pixels, pixel_data);
}

// Of the compositing callbacks' settings this host implements a copy at full opacity of whole
// frames; quality and alpha mode do not change a copy.
void requireCopy(PF_Quality quality, PF_ModeFlags m_flags, PF_Field field,
                 const PF_CompositeMode* mode, const PF_MaskWorld* mask, const WorldView& dst)
{
    if (quality != PF_Quality_LO && quality != PF_Quality_HI) {
        throw std::invalid_argument("quality " + std::to_string(quality) + " is neither LO nor HI");
    }
    if (m_flags != PF_MF_Alpha_PREMUL && m_flags != PF_MF_Alpha_STRAIGHT) {
        throw std::invalid_argument("mode flags " + std::to_string(m_flags) +
                                    " are neither PREMUL nor STRAIGHT");
    }
    const PF_CompositeMode& m = required(mode, "the composite mode");
    if (field != PF_Field_FRAME) {
        throw Unsupported("field rendering is not supported; only whole frames are");
    }
    if (m.xfer != 0) {
        throw Unsupported("transfer mode " + std::to_string(m.xfer) +
                          " is not supported; only 0, a copy, is");
    }
    const bool deep = (dst.layout->worldFlags & PF_WorldFlag_DEEP) != 0;
    if (deep ? m.opacity_16 != PF_MAX_CHAN16 : m.opacity != PF_MAX_CHAN8) {
        throw Unsupported("opacity below full is not supported; only a copy at full opacity is");
    }
    if (m.rgb_only != 0) {
        throw Unsupported("copying colour without alpha is not supported");
    }
    if (mask != nullptr) {
        throw Unsupported("masks are not supported");
    }
}

PF_Err transferRect(PF_ProgPtr effect_ref, PF_Quality quality, PF_ModeFlags m_flags,
                    PF_Field field, const PF_Rect* src_rect, const PF_LayerDef* src,
                    const PF_CompositeMode* comp_mode, const PF_MaskWorld* mask,
                    std::int32_t dest_x, std::int32_t dest_y, PF_LayerDef* dst)
{
    return guarded("transfer_rect", [&] {
        const WorldStore& worlds = hostOf(effect_ref).worlds();
        const WorldView from = worlds.view(required(src, "the source"));
        const WorldView to = worlds.view(required(dst, "the destination"));
        requireCopy(quality, m_flags, field, comp_mode, mask, to);
        const PF_Rect area = src_rect != nullptr ? *src_rect : bounds(from);
        copyArea(from, area, std::int64_t{dest_x} - area.left, std::int64_t{dest_y} - area.top, to,
                 bounds(to));
    });
}

struct Shift {
    std::int64_t x;
    std::int64_t y;
};

// The matrix as a move by whole pixels; anything else it does is not implemented.
Shift wholePixelShift(const PF_FloatMatrix& matrix)
{
    const auto& m = matrix.mat;
    const bool linearIsIdentity = m[0][0] == 1 && m[0][1] == 0 && m[0][2] == 0 && m[1][0] == 0 &&
                                  m[1][1] == 1 && m[1][2] == 0 && m[2][2] == 1;
    const auto whole = [](double t) {
        return std::trunc(t) == t && std::fabs(t) <= static_cast<double>(INT32_MAX);
    };
    if (!linearIsIdentity || !whole(m[2][0]) || !whole(m[2][1])) {
        throw Unsupported("only a move by whole pixels is supported, not scaling, rotation or "
                          "moves by fractions of a pixel");
    }
    return {static_cast<std::int64_t>(m[2][0]), static_cast<std::int64_t>(m[2][1])};
}

PF_Err transformWorld(PF_ProgPtr effect_ref, PF_Quality quality, PF_ModeFlags m_flags,
                      PF_Field field, const PF_LayerDef* src, const PF_CompositeMode* comp_mode,
                      const PF_MaskWorld* mask, const PF_FloatMatrix* matrices,
                      std::int32_t num_matrices, PF_Boolean src2dst, const PF_Rect* dest_rect,
                      PF_LayerDef* dst)
{
    return guarded("transform_world", [&] {
        const WorldStore& worlds = hostOf(effect_ref).worlds();
        const WorldView from = worlds.view(required(src, "the source"));
        const WorldView to = worlds.view(required(dst, "the destination"));
        requireCopy(quality, m_flags, field, comp_mode, mask, to);
        if (matrices == nullptr || num_matrices < 1) {
            throw std::invalid_argument("no matrix was given");
        }
        if (num_matrices > 1) {
            throw Unsupported("several matrices (motion blur) are not supported");
        }
        const Shift shift = wholePixelShift(*matrices);
        // A matrix from destination to source moves the other way.
        const std::int64_t sign = src2dst != 0 ? 1 : -1;
        copyArea(from, bounds(from), sign * shift.x, sign * shift.y, to,
                 dest_rect != nullptr ? *dest_rect : bounds(to));
    });
}

// The C library's functions, as the module expects a host to lend them.
constexpr PF_ANSICallbacks kAnsi = {
    [](double x) { return std::sqrt(x); },
    [](double x) { return std::floor(x); },
    [](double x) { return std::exp(x); },
    [](double y, double x) { return std::atan2(y, x); },
    [](double x) { return std::fabs(x); },
    [](double x) { return std::sin(x); },
    [](double x) { return std::cos(x); },
    [](double x, double y) { return std::fmod(x, y); },
    [](double x, double y) { return std::pow(x, y); },
    [](double x) { return std::ceil(x); },
    [](double x) { return std::log(x); },
    std::sprintf,
    std::strcpy,
};

}  // namespace

PF_InteractCallbacks interactCallbacks()
{
    return {checkoutParam, checkinParam, addParam, userAborted, reportProgress};
}

PF_UtilCallbacks utilCallbacks()
{
    return {kAnsi,        fill,          copy,          newWorld,     disposeWorld,
            pixelData8,   pixelData16,   transferRect,  transformWorld, newHandle,
            lockHandle,   unlockHandle,  disposeHandle};
}

PF_PreRenderCallbacks preRenderCallbacks()
{
    return {[](PF_ProgPtr effect_ref, std::int32_t index, std::int32_t checkout_id,
               const PF_RenderRequest* request, std::int32_t /*what_time*/,
               std::int32_t /*time_step*/, std::uint32_t /*time_scale*/,
               PF_CheckoutResult* result) {
        // The input layer is the same at every time and for every request.
        return guarded("checkout_layer", [&] {
            required(request, "the request");
            PF_CheckoutResult& answer = required(result, "the result to fill");
            answer = hostOf(effect_ref).checkoutLayer(index, checkout_id);
        });
    }};
}

PF_SmartRenderCallbacks smartRenderCallbacks()
{
    return {
        [](PF_ProgPtr effect_ref, std::int32_t checkout_id, PF_EffectWorld** pixels) {
            return guarded("checkout_layer_pixels", [&] {
                PF_EffectWorld*& answer = required(pixels, "the pointer to fill");
                answer = nullptr;
                answer = hostOf(effect_ref).layerPixels(checkout_id);
            });
        },
        [](PF_ProgPtr effect_ref, std::int32_t checkout_id) {
            return guarded("checkin_layer_pixels",
                           [&] { hostOf(effect_ref).checkinLayerPixels(checkout_id); });
        },
        [](PF_ProgPtr effect_ref, PF_EffectWorld** output) {
            return guarded("checkout_output", [&] {
                PF_EffectWorld*& answer = required(output, "the pointer to fill");
                answer = nullptr;
                answer = hostOf(effect_ref).output();
            });
        },
    };
}

}  // namespace zelrender
