// Making and reading the pictures the about box's tests look at, and where its texts must show.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>

#include "plugin/about/about_layout.h"
#include "plugin/about/cairo_handles.h"

namespace zel::test {

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

// The pixel at (x, y) of an opaque image: cairo's native-endian words, blue first on this
// little-endian machine.
inline Rgb pixelAt(cairo_surface_t* image, int x, int y)
{
    const unsigned char* pixel =
        cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image) + 4 * x;
    return {pixel[2], pixel[1], pixel[0]};
}

// What the two lines and the report are drawn in, antialiasing aside.
inline bool isWhite(const Rgb& c) { return c.r >= 240 && c.g >= 240 && c.b >= 240; }
inline bool isDark(const Rgb& c) { return c.r <= 40 && c.g <= 40 && c.b <= 40; }

inline CairoSurface uniformImage(int width, int height, const Rgb& colour)
{
    CairoSurface image(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    const CairoContext cr(cairo_create(image.get()));
    cairo_set_source_rgb(cr.get(), colour.r / 255.0, colour.g / 255.0, colour.b / 255.0);
    cairo_paint(cr.get());
    cairo_surface_flush(image.get());
    return image;
}

inline CairoSurface readPng(const std::filesystem::path& path)
{
    CairoSurface image(cairo_image_surface_create_from_png(path.c_str()));
    if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return image;
}

// How many pixels of `rect`, cut to the box, pass `test`.
inline int countPixels(const AboutLayout& box, const TextRect& rect,
                       const std::function<bool(int x, int y)>& test)
{
    const int right = std::min(static_cast<int>(std::ceil(rect.x + rect.width)), box.width);
    const int bottom = std::min(static_cast<int>(std::ceil(rect.y + rect.height)), box.height);
    int count = 0;
    for (int y = static_cast<int>(rect.y); y < bottom; ++y) {
        for (int x = static_cast<int>(rect.x); x < right; ++x) {
            count += test(x, y) ? 1 : 0;
        }
    }
    return count;
}

// How many pixels of `rect`, cut to the box, are of `colour` in `image`.
inline int countColour(cairo_surface_t* image, const AboutLayout& box, const TextRect& rect,
                       bool (*colour)(const Rgb&))
{
    return countPixels(box, rect, [&](int x, int y) { return colour(pixelAt(image, x, y)); });
}

// Pixels of the box in `shown` that differ from `picture` where no text goes.
inline int changedOutsideTexts(cairo_surface_t* shown, cairo_surface_t* picture,
                               const AboutLayout& box)
{
    return countPixels(box, {0, 0, 1.0 * box.width, 1.0 * box.height}, [&](int x, int y) {
        const auto in = [&](const TextRect& r) {
            return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
        };
        return !in(box.report) && !in(box.productLine) && !in(box.versionLine) &&
               !(pixelAt(shown, x, y) == pixelAt(picture, x, y));
    });
}

// Expects `shown` to hold `picture`, a uniform mid grey, with texts drawn where `box` puts them:
// the product line (the longer) white above the version line, the report black from the top of
// its rectangle down, and nothing anywhere else.
inline void expectTextsInPlace(cairo_surface_t* shown, cairo_surface_t* picture,
                               const AboutLayout& box)
{
    const auto count = [&](const TextRect& rect, bool (*colour)(const Rgb&)) {
        return countColour(shown, box, rect, colour);
    };
    const TextRect whole = {0, 0, 1.0 * box.width, 1.0 * box.height};
    EXPECT_EQ(changedOutsideTexts(shown, picture, box), 0);
    EXPECT_GT(count(box.versionLine, isWhite), 50);
    EXPECT_GT(count(box.productLine, isWhite), count(box.versionLine, isWhite));
    EXPECT_EQ(count(whole, isWhite),
              count(box.productLine, isWhite) + count(box.versionLine, isWhite));
    EXPECT_GT(count({box.report.x, box.report.y, box.report.width, 15}, isDark), 50);
    EXPECT_EQ(count(whole, isDark), count(box.report, isDark)) << "the report is cut at its edges";
}

}  // namespace zel::test
