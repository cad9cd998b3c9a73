// Other layers and times, field interleaving, blends and transforms through the host's routines.
#include "plugin/host/PluginHost_AE_Impl.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>

#include "plugin/host/channel_order.h"
#include "plugin/host/host_callbacks.h"

namespace zel {
namespace {

// Transfer mode and opacity as the rectangle blend and the composed transform hand them over.
PF_CompositeMode roundedComposite(int mode, double opacity)
{
    const double o = std::clamp(opacity, 0.0, 1.0);
    PF_CompositeMode comp{};
    comp.xfer = mode;
    comp.rand_seed = 0x77686f3f;
    comp.opacity = static_cast<std::uint8_t>(std::floor(o * PF_MAX_CHAN8 + 0.5));
    comp.opacity_16 = static_cast<std::uint16_t>(std::floor(o * PF_MAX_CHAN16 + 0.5));
    return comp;
}

// Applies `scale` to the alpha of every pixel; channels are of type Channel.
template <class Channel, class Scale>
void scaleAlpha(const RasterInfo& pixels, Scale scale)
{
    const auto alpha = static_cast<std::size_t>(alphaChannel(pixels.pixelFormat));
    for (std::int32_t y = 0; y < pixels.height; ++y) {
        for (std::int32_t x = 0; x < pixels.width; ++x) {
            std::uint8_t* channel =
                rowAt(pixels, y) + (static_cast<std::size_t>(x) * 4 + alpha) * sizeof(Channel);
            Channel value;
            std::memcpy(&value, channel, sizeof value);
            value = scale(value);
            std::memcpy(channel, &value, sizeof value);
        }
    }
}

// alpha × mix: float channels by mix itself, integer channels by s / 256, s = mix × 255.
void scaleAlphaByMix(const RasterInfo& pixels, double mix, int s)
{
    if (pixels.data == nullptr) {
        return;
    }
    switch (pixels.bytesPerPixel) {
    case 16:
        scaleAlpha<float>(pixels, [&](float a) { return a * static_cast<float>(mix); });
        break;
    case 8:
        scaleAlpha<std::uint16_t>(pixels, [&](std::uint16_t a) {
            return static_cast<std::uint16_t>((a * s) >> 8);
        });
        break;
    default:
        scaleAlpha<std::uint8_t>(pixels, [&](std::uint8_t a) {
            return static_cast<std::uint8_t>((a * s) >> 8);
        });
        break;
    }
}

}  // namespace

void PluginHost_AE_Impl::releaseRaster(PluginRaster_API* raster)
{
    deallocRaster(raster);
    delete raster;
}

PluginRaster_API* PluginHost_AE_Impl::duplicateWorld(PF_LayerDef* world)
{
    PluginRaster_AE_Impl layer(world, this);
    RasterInfo from;
    getRasterInfo(&layer, &from);
    int err = PF_Err_NONE;
    PluginRaster_API* duplicate =
        allocRaster(layer.getWidth(), layer.getHeight(), layer.getPixelType(), err, 0);
    RasterInfo to;
    if (duplicate == nullptr || err != PF_Err_NONE || getRasterInfo(duplicate, &to) == 0 ||
        to.data == nullptr) {
        releaseRaster(duplicate);
        return nullptr;
    }
    copy(&from, &to);
    reorderChannels(to, from.pixelFormat);
    return duplicate;
}

PluginRaster_API* PluginHost_AE_Impl::copyLayer(int index, std::int32_t time, PF_Err& checkoutErr)
{
    if (!canCheckOut()) {
        checkoutErr = PF_Err_BAD_CALLBACK_PARAM;
        return nullptr;
    }
    PF_ParamDef def{};
    checkoutErr = checkoutParam(index, time, inData->time_step, inData->time_scale, &def);
    PluginRaster_API* duplicate = nullptr;
    if (checkoutErr == PF_Err_NONE && def.u.ld.width > 0 && def.u.ld.height > 0) {
        duplicate = duplicateWorld(&def.u.ld);
    }
    checkinParam(&def);
    return duplicate;
}

PluginRaster_API* PluginHost_AE_Impl::checkoutLayer(int index, int flags)
{
    return checkoutLayer(index, static_cast<double>(inData->current_time), flags);
}

PluginRaster_API* PluginHost_AE_Impl::checkoutLayer(int index, double time, int)
{
    layerFlags = PF_Err_NONE;
    const auto t = static_cast<std::int32_t>(time);
    PF_Err err = PF_Err_NONE;
    if (layerIsCopy) {
        PluginRaster_API* duplicate = copyLayer(index, t, err);
        layerFlags |= err;
        return duplicate;
    }
    if (!canCheckOut()) {
        layerFlags |= PF_Err_BAD_CALLBACK_PARAM;
        return nullptr;
    }
    layerParam = PF_ParamDef{};
    err = checkoutParam(index, t, inData->time_step, inData->time_scale, &layerParam);
    layerFlags |= err;
    if (err == PF_Err_NONE && layerParam.u.ld.width > 0 && layerParam.u.ld.height > 0) {
        return new PluginRaster_AE_Impl(&layerParam.u.ld, this);
    }
    checkinParam(&layerParam);
    return nullptr;
}

int PluginHost_AE_Impl::checkinLayer(PluginRaster_API* raster)
{
    if (layerIsCopy) {
        deallocRaster(raster);
    } else {
        checkinParam(&layerParam);
    }
    delete raster;
    return 0;
}

PluginRaster_API* PluginHost_AE_Impl::lockTemporalRasterImpl(int time)
{
    PF_Err ignored = PF_Err_NONE;
    return copyLayer(0, std::max(0, std::min(time, inData->total_time)), ignored);
}

int PluginHost_AE_Impl::unlockTemporalRaster(PluginRaster_API* raster)
{
    releaseRaster(raster);
    return 0;
}

PluginRaster_API* PluginHost_AE_Impl::lockTemporalRaster(double frame, bool, bool lowerFirst)
{
    if (inData->field == PF_Field_FRAME) {
        const auto current = static_cast<double>(getCurrentTime());
        const auto step = static_cast<double>(getLocalTimeStep());
        // Without a step there is only the current frame.
        const double time = step != 0.0 ? (frame - current / step) * step + current : current;
        return lockTemporalRasterImpl(static_cast<int>(time));
    }
    // Two fields make a frame: the first at t0, the second one time step later.
    const int t0 = 2 * static_cast<int>(frame) * inData->time_step;
    PluginRaster_API* first = lockTemporalRasterImpl(t0);
    PluginRaster_API* second = lockTemporalRasterImpl(t0 + inData->time_step);
    if (first == nullptr || second == nullptr) {
        unlockTemporalRaster(first);
        unlockTemporalRaster(second);
        return nullptr;
    }
    if (lowerFirst) {
        mergeFrames(this, first, second, first);
    } else {
        mergeFrames(this, second, first, first);
    }
    unlockTemporalRaster(second);
    return first;
}

void mergeFrames(PluginHost_API* host, PluginRaster_API* odd, PluginRaster_API* even,
                 PluginRaster_API* dst)
{
    RasterInfo oddRows;
    RasterInfo evenRows;
    RasterInfo out;
    host->getRasterInfo(odd, &oddRows);
    host->getRasterInfo(even, &evenRows);
    host->getRasterInfo(dst, &out);
    if (oddRows.bytesPerPixel != out.bytesPerPixel || evenRows.bytesPerPixel != out.bytesPerPixel ||
        oddRows.data == nullptr || evenRows.data == nullptr || out.data == nullptr) {
        return;
    }
    const std::int32_t rows = std::min({oddRows.height, evenRows.height, out.height});
    const std::int32_t width = std::min({oddRows.width, evenRows.width, out.width});
    if (rows < 1 || width < 1) {
        return;
    }
    const auto bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(out.bytesPerPixel);
    for (std::int32_t y = 0; y < rows; ++y) {
        const RasterInfo& from = y % 2 == 1 ? oddRows : evenRows;
        std::memmove(rowAt(out, y), rowAt(from, y), bytes);
    }
}

int PluginHost_AE_Impl::blend(int mode, PluginRaster_API* src, PluginRaster_API* dst,
                              const ZQ_Rect& srcRect, const ZQ_Rect& dstPos, double opacity)
{
    const PF_CompositeMode comp = roundedComposite(mode, opacity);
    const PF_Rect from = toHostRect(srcRect);
    return callHost(inData->utils, &PF_UtilCallbacks::transfer_rect, inData->effect_ref,
                    inData->quality, PF_MF_Alpha_PREMUL, inData->field, &from, aeWorldOf(src),
                    &comp, nullptr, dstPos.left, dstPos.top, aeWorldOf(dst));
}

// dst becomes src with its alpha scaled by mix, and dst as it was is composited over it.
int PluginHost_AE_Impl::blend(int mode, double opacity, double mix, PluginRaster_API* src,
                              PluginRaster_API* dst)
{
    PF_LayerDef* srcWorld = aeWorldOf(src);
    PF_LayerDef* dstWorld = aeWorldOf(dst);
    if (srcWorld == nullptr || dstWorld == nullptr) {
        return PF_Err_INVALID_ARGUMENT;
    }
    const bool deep = (srcWorld->world_flags & PF_WorldFlag_DEEP) != 0;
    PF_CompositeMode comp{};
    comp.xfer = mode;
    comp.opacity = static_cast<std::uint8_t>(std::clamp(opacity, 0.0, 1.0) * PF_MAX_CHAN8);
    if (deep) {
        comp.opacity_16 = static_cast<std::uint16_t>((comp.opacity * PF_MAX_CHAN16 + 128) / 255);
    }
    const int s = static_cast<int>(std::clamp(mix, 0.0, 1.0) * PF_MAX_CHAN8);

    int err = PF_Err_NONE;
    PluginRaster_API* saved = allocRaster(dstWorld->width, dstWorld->height, dst->getPixelType(),
                                          err, deep ? PF_NewWorldFlag_DEEP_PIXELS : 0);
    if (saved == nullptr) {
        return PF_Err_GENERIC;
    }
    if (err == PF_Err_NONE) {
        err = copy(dst, saved);
    }
    if (err == PF_Err_NONE) {
        err = copy(src, dst);
    }
    if (err == PF_Err_NONE) {
        if (s <= 254) {
            RasterInfo pixels;
            getRasterInfo(dst, &pixels);
            scaleAlphaByMix(pixels, mix, s);
        }
        const PF_Rect whole{0, 0, dstWorld->width, dstWorld->height};
        err = callHost(inData->utils, &PF_UtilCallbacks::transfer_rect, inData->effect_ref,
                       inData->quality, PF_MF_Alpha_STRAIGHT, inData->field, &whole,
                       aeWorldOf(saved), &comp, nullptr, 0, 0, dstWorld);
    }
    releaseRaster(saved);
    return err;
}

int PluginHost_AE_Impl::blendPPro(int, double, double, PluginRaster_API*, PluginRaster_API*)
{
    return 1;
}

void PluginHost_AE_Impl::clearPProSuite() {}

int PluginHost_AE_Impl::transformWorld(PluginRaster_API* src, ZQ_FloatMatrix* matrix,
                                       ZQ_Rect* destRect, PluginRaster_API* dst)
{
    PF_CompositeMode copyMode{};
    copyMode.opacity = PF_MAX_CHAN8;
    copyMode.opacity_16 = PF_MAX_CHAN16;
    const auto hostMatrix = std::bit_cast<PF_FloatMatrix>(*matrix);
    PF_Rect rect{};
    if (destRect != nullptr) {
        rect = toHostRect(*destRect);
    }
    return callHost(inData->utils, &PF_UtilCallbacks::transform_world, inData->effect_ref,
                    inData->quality, PF_MF_Alpha_STRAIGHT, inData->field, aeWorldOf(src),
                    &copyMode, nullptr, &hostMatrix, 1, PF_Boolean{1},
                    destRect != nullptr ? &rect : nullptr, aeWorldOf(dst));
}

int PluginHost_AE_Impl::transformComp(PluginRaster_API* src, PluginRaster_API* dst, int mode,
                                      double opacity, double tx, double ty, double sx, double sy,
                                      double angle)
{
    const PF_CompositeMode comp = roundedComposite(mode, opacity);
    const PF_Rect whole{0, 0, dst->getWidth(), dst->getHeight()};
    const double halfW = src->getWidth() * sx / 2;
    const double halfH = src->getHeight() * sy / 2;
    const double a = angle * std::numbers::pi / 180;

    // Scale, move the scaled centre to the origin, rotate there, move it back and on by t.
    AEMatrix m{{{sx, 0, 0}, {0, sy, 0}, {-halfW, -halfH, 1}}};
    m = m * AEMatrix{{{std::cos(a), -std::sin(a), 0}, {std::sin(a), std::cos(a), 0}, {0, 0, 1}}};
    m.m[2][0] += halfW + tx;
    m.m[2][1] += halfH + ty;
    m.m[0][2] = 0;
    m.m[1][2] = 0;
    m.m[2][2] = 1;

    const auto matrix = std::bit_cast<PF_FloatMatrix>(m);
    const PF_ModeFlags alpha = hostIs(PF_APPL_ID_KEYER) ? PF_MF_Alpha_STRAIGHT : PF_MF_Alpha_PREMUL;
    const PF_Field field = hostIs(PF_APPL_ID_EDITOR) ? PF_Field_FRAME : inData->field;
    return callHost(inData->utils, &PF_UtilCallbacks::transform_world, inData->effect_ref,
                    inData->quality, alpha, field, aeWorldOf(src), &comp, nullptr, &matrix, 1,
                    PF_Boolean{1}, &whole, aeWorldOf(dst));
}

}  // namespace zel
