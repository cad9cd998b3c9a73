// Reading and making the pictures the about box's tests compare.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include "plugin/about/cairo_handles.h"
#include "plugin/about/about_layout.h"

namespace zel::test {

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

// The pixel at (x, y) of an image surface, alpha ignored: every picture here is opaque.
Rgb pixelAt(cairo_surface_t* image, int x, int y);

bool isWhite(const Rgb& c);  // what the two lines are drawn in, antialiasing aside
bool isDark(const Rgb& c);   // what the report is drawn in, antialiasing aside

// An opaque image of one colour.
CairoSurface uniformImage(int width, int height, const Rgb& colour);

// Writes `image` as a PNG; throws when it cannot.
void writePng(cairo_surface_t* image, const std::filesystem::path& path);

// The PNG at `path`; throws when it cannot be read.
CairoSurface readPng(const std::filesystem::path& path);

// How many pixels of the rectangle from (x0, y0) to (x1, y1), right and bottom edges excluded,
// pass `test`.
int countPixels(int x0, int y0, int x1, int y1, const std::function<bool(int x, int y)>& test);

// Whether (x, y) lies in `rect`, taking the pixels its edges touch.
bool inside(const TextRect& rect, int x, int y);

}  // namespace zel::test
