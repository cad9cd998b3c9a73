#include "tests/plugin/about/image_pixels.h"

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

namespace zel::test {

Rgb pixelAt(cairo_surface_t* image, int x, int y)
{
    const unsigned char* row =
        cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image);
    std::uint32_t pixel;
    std::memcpy(&pixel, row + 4 * x, sizeof pixel);
    return {static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
            static_cast<std::uint8_t>(pixel)};
}

bool isWhite(const Rgb& c)
{
    return c.r >= 240 && c.g >= 240 && c.b >= 240;
}

bool isDark(const Rgb& c)
{
    return c.r <= 40 && c.g <= 40 && c.b <= 40;
}

CairoSurface uniformImage(int width, int height, const Rgb& colour)
{
    CairoSurface image(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    const CairoContext cr(cairo_create(image.get()));
    cairo_set_source_rgb(cr.get(), colour.r / 255.0, colour.g / 255.0, colour.b / 255.0);
    cairo_paint(cr.get());
    cairo_surface_flush(image.get());
    return image;
}

void writePng(cairo_surface_t* image, const std::filesystem::path& path)
{
    if (cairo_surface_write_to_png(image, path.c_str()) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

CairoSurface readPng(const std::filesystem::path& path)
{
    CairoSurface image(cairo_image_surface_create_from_png(path.c_str()));
    if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error("cannot read " + path.string());
    }
    cairo_surface_flush(image.get());
    return image;
}

int countPixels(int x0, int y0, int x1, int y1, const std::function<bool(int x, int y)>& test)
{
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            count += test(x, y) ? 1 : 0;
        }
    }
    return count;
}

bool inside(const TextRect& rect, int x, int y)
{
    return x >= std::floor(rect.x) && x < std::ceil(rect.x + rect.width) &&
           y >= std::floor(rect.y) && y < std::ceil(rect.y + rect.height);
}

}  // namespace zel::test
