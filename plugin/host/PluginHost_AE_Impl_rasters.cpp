// Rasters over the command's worlds: wrapping, describing, allocating, filling and copying.
#include "plugin/host/PluginHost_AE_Impl.h"

#include <algorithm>
#include <cstring>

#include "plugin/host/host_callbacks.h"
#include "plugin/host/host_identity.h"

namespace zel {
namespace {

// What a host pixel format means here. The first row stands for every format not listed.
struct WorldFormat {
    PF_PixelFormat hostFormat;
    std::int32_t code;
    std::int32_t bytesPerPixel;
    PluginRaster_API::PixelType type;
};

constexpr WorldFormat kWorldFormats[] = {
    {PF_PixelFormat_ARGB32, kRasterARGB8, 4, PluginRaster_API::kPixel8},
    {PF_PixelFormat_BGRA32, kRasterBGRA8, 4, PluginRaster_API::kPixel8},
    {PF_PixelFormat_ARGB64, kRasterARGB16, 8, PluginRaster_API::kPixel16},
    {PF_PixelFormat_ARGB128, kRasterARGB32F, 16, PluginRaster_API::kPixelFloat},
};

const WorldFormat& worldFormat(PF_PixelFormat hostFormat)
{
    const auto* found = std::ranges::find(kWorldFormats, hostFormat, &WorldFormat::hostFormat);
    return found != std::ranges::end(kWorldFormats) ? *found : kWorldFormats[0];
}

// Descriptions allocRaster(RasterInfo*) turns away: formats an 8-bit world cannot stand in for.
constexpr bool refusedDescription(std::int32_t format)
{
    switch (format) {
    case 3: case 4: case 5: case 6: case 7: case 8: case 9: case 10: case 11:
    case 13: case 14: case 17: case 18: case 20:
        return true;
    default:
        return format < 0;
    }
}

}  // namespace

PF_PixelFormat PluginHost_AE_Impl::pixelFormatOf(const PF_LayerDef* world) const
{
    if (worldSuite == nullptr) {
        return (world->world_flags & PF_WorldFlag_DEEP) != 0 ? PF_PixelFormat_ARGB64
                                                              : PF_PixelFormat_ARGB32;
    }
    PF_PixelFormat format = PF_PixelFormat_ARGB32;
    callHost(worldSuite, &PF_WorldSuite2::PF_GetPixelFormat, world, &format);
    return format;
}

PluginRaster_API::PixelType PluginHost_AE_Impl::getAEPixelType(PluginRaster_AE_Impl* raster)
{
    return worldFormat(pixelFormatOf(raster->getWorld())).type;
}

int PluginHost_AE_Impl::getAELayerInfo(PF_LayerDef* world, RasterInfo* info, bool wide)
{
    if (world == nullptr) {
        return 0;
    }
    // The host may keep the pixels elsewhere than `data` says; the editing host does not.
    auto* base8 = static_cast<PF_Pixel8*>(world->data);
    auto* base16 = static_cast<PF_Pixel16*>(world->data);
    if (!hostIs(PF_APPL_ID_EDITOR) && hostApiVersion(inData) >= kHostApiPixelData) {
        callHost(inData->utils, &PF_UtilCallbacks::get_pixel_data8, world, nullptr, &base8);
        callHost(inData->utils, &PF_UtilCallbacks::get_pixel_data16, world, nullptr, &base16);
    }
    const WorldFormat& format = worldFormat(pixelFormatOf(world));
    void* base = format.bytesPerPixel == 4   ? static_cast<void*>(base8)
                 : format.bytesPerPixel == 8 ? static_cast<void*>(base16)
                                             : world->data;
    info->data = static_cast<std::uint8_t*>(base);
    info->pixelFormat = format.code;
    info->width = world->width;
    info->height = world->height;
    info->rowBytes = world->rowbytes;
    info->bytesPerPixel = format.bytesPerPixel;
    info->pixelAspect = static_cast<float>(inData->pixel_aspect_ratio.num) /
                        static_cast<float>(inData->pixel_aspect_ratio.den);
    info->valueScale = format.code != kRasterARGB16 ? 1.0f : wide ? 2.0f : 0.5f;
    return info->bytesPerPixel;
}

int PluginHost_AE_Impl::getInputRasterInfo(int index, RasterInfo* info)
{
    return params != nullptr ? getAELayerInfo(&params[index]->u.ld, info, true) : 0;
}

int PluginHost_AE_Impl::getOutputRasterInfo(RasterInfo* info)
{
    return getAELayerInfo(output, info, true);
}

int PluginHost_AE_Impl::getRasterInfo(PluginRaster_API* raster, RasterInfo* info)
{
    if (const RasterInfo* base = raster->getRasterInfoBase()) {
        *info = *base;
        return info->bytesPerPixel;
    }
    return getAELayerInfo(aeWorldOf(raster), info, false);
}

PluginRaster_API* PluginHost_AE_Impl::getOutputRaster()
{
    return new PluginRaster_AE_Impl(output, this);
}

PluginRaster_API* PluginHost_AE_Impl::getInputRaster(int index)
{
    return new PluginRaster_AE_Impl(&params[index]->u.ld, this);
}

void PluginHost_AE_Impl::setOutputRaster(PluginRaster_API* raster)
{
    if (PF_LayerDef* world = aeWorldOf(raster)) {
        output = world;
    }
}

PluginRaster_AE_Impl* PluginHost_AE_Impl::newWorldRaster()
{
    return new PluginRaster_AE_Impl(new PF_LayerDef{}, this);
}

PluginRaster_API* PluginHost_AE_Impl::allocRaster(int width, int height,
                                                  PluginRaster_API::PixelType type, int& err,
                                                  int flags)
{
    err = PF_Err_NONE;
    if (hostApiVersion(inData) < kHostApiWorldSuite || type == PluginRaster_API::kPixel8 ||
        type == PluginRaster_API::kPixel16) {
        PluginRaster_AE_Impl* raster = newWorldRaster();
        PF_LayerDef* world = raster->getWorld();
        const int depth = type == PluginRaster_API::kPixel16 ? PF_NewWorldFlag_DEEP_PIXELS : 0;
        err = callHost(inData->utils, &PF_UtilCallbacks::new_world, inData->effect_ref, width,
                       height, depth | flags, world);
        // A world the host could not make has no pixels to clear.
        if (err == PF_Err_NONE) {
            callHost(inData->utils, &PF_UtilCallbacks::fill, inData->effect_ref, nullptr, nullptr,
                     world);
        }
        return raster;
    }
    if (type == PluginRaster_API::kPixelFloat) {
        PluginRaster_AE_Impl* raster = newWorldRaster();
        callHost(worldSuite, &PF_WorldSuite2::PF_NewWorld, inData->effect_ref, width, height,
                 PF_Boolean{0}, PF_PixelFormat_ARGB128, raster->getWorld());
        return raster;
    }
    return nullptr;
}

PluginRaster_API* PluginHost_AE_Impl::allocRaster(RasterInfo* info)
{
    if (info == nullptr || refusedDescription(info->pixelFormat)) {
        return nullptr;
    }
    PluginRaster_AE_Impl* raster = newWorldRaster();
    callHost(inData->utils, &PF_UtilCallbacks::new_world, inData->effect_ref, info->width,
             info->height, PF_NewWorldFlag_NONE, raster->getWorld());
    if (info->data != nullptr) {
        deallocMemory(info->data);
    }
    delete info;
    return raster;
}

int PluginHost_AE_Impl::deallocRaster(PluginRaster_API* raster)
{
    PF_LayerDef* world = aeWorldOf(raster);
    if (world == nullptr) {
        return 0;
    }
    PF_Err err = PF_Err_NONE;
    if (hostApiVersion(inData) >= kHostApiWorldSuite &&
        raster->getPixelType() == PluginRaster_API::kPixelFloat) {
        callHost(worldSuite, &PF_WorldSuite2::PF_DisposeWorld, inData->effect_ref, world);
    } else {
        err = callHost(inData->utils, &PF_UtilCallbacks::dispose_world, inData->effect_ref, world);
    }
    delete world;
    return err;
}

int PluginHost_AE_Impl::fillOutput()
{
    return callHost(inData->utils, &PF_UtilCallbacks::fill, inData->effect_ref, nullptr, nullptr,
                    output);
}

int PluginHost_AE_Impl::fill(PluginRaster_API* raster)
{
    return callHost(inData->utils, &PF_UtilCallbacks::fill, inData->effect_ref, nullptr, nullptr,
                    aeWorldOf(raster));
}

int PluginHost_AE_Impl::copy(PluginRaster_API* src, PluginRaster_API* dst)
{
    return callHost(inData->utils, &PF_UtilCallbacks::copy, inData->effect_ref, aeWorldOf(src),
                    aeWorldOf(dst), nullptr, nullptr);
}

int PluginHost_AE_Impl::copy(PluginRaster_API* src, PluginRaster_API* dst, ZQ_Rect* srcRect,
                             ZQ_Rect* dstRect)
{
    PF_Rect from{};
    PF_Rect to{};
    if (srcRect != nullptr) {
        from = toHostRect(*srcRect);
    }
    if (dstRect != nullptr) {
        to = toHostRect(*dstRect);
    }
    return callHost(inData->utils, &PF_UtilCallbacks::copy, inData->effect_ref, aeWorldOf(src),
                    aeWorldOf(dst), srcRect != nullptr ? &from : nullptr,
                    dstRect != nullptr ? &to : nullptr);
}

int PluginHost_AE_Impl::copyInputToOutput()
{
    return callHost(inData->utils, &PF_UtilCallbacks::copy, inData->effect_ref,
                    &params[0]->u.ld, output, nullptr, nullptr);
}

int PluginHost_AE_Impl::copy(RasterInfo* src, RasterInfo* dst)
{
    if (src->bytesPerPixel != dst->bytesPerPixel) {
        return PF_Err_INVALID_ARGUMENT;
    }
    // Only what both descriptions hold, so that neither is read or written past its end.
    const std::int32_t rows = std::min(src->height, dst->height);
    const std::int32_t width = std::min(src->width, dst->width);
    if (rows < 1 || width < 1 || src->data == nullptr || dst->data == nullptr) {
        return 0;
    }
    const auto bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(dst->bytesPerPixel);
    for (std::int32_t y = 0; y < rows; ++y) {
        std::memmove(rowAt(*dst, y), rowAt(*src, y), bytes);
    }
    return 0;
}

// The output grows to width × height, centred on the source's srcWidth × srcHeight.
void PluginHost_AE_Impl::resetOutputOrigin(int width, int height, int srcWidth, int srcHeight)
{
    if (output->width >= width && output->height >= height) {
        return;
    }
    output->width = width;
    output->height = height;
    outData->origin.h = static_cast<std::int16_t>(outData->width - srcWidth) / 2;
    outData->origin.v = static_cast<std::int16_t>(outData->height - srcHeight) / 2;
}

}  // namespace zel
