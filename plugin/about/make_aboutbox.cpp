// Build-time tool: paints the about box's picture, a wireframe surface displaced by a smooth
// function and seen in perspective under a pale sky, and writes it as a PNG.
//
// The picture leaves room for the box's texts: the sky behind the black report (from 145 pixels
// down at the left) stays light, and the ground under the two white lines at the bottom is dark.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "plugin/about/cairo_handles.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 400;

struct Colour {
    double r, g, b;
};

Colour mix(const Colour& a, const Colour& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

void setColour(cairo_t* cr, const Colour& c)
{
    cairo_set_source_rgb(cr, c.r, c.g, c.b);
}

const Colour kSkyTop = {0.77, 0.84, 0.92};
const Colour kSkyHorizon = {0.98, 0.93, 0.87};
const Colour kGround = {0.04, 0.06, 0.13};
const Colour kGroundLit = {0.22, 0.25, 0.36};
const Colour kLineLow = {0.16, 0.76, 0.86};
const Colour kLineHigh = {1.00, 0.62, 0.26};
const Colour kInk = {0.06, 0.10, 0.22};

// The displaced surface: a broad range of hills to the right, gentle swell elsewhere, so that
// the left of the sky stays clear for the report.
double surfaceHeight(double x, double z)
{
    const auto bump = [](double dx, double dz, double sx, double sz) {
        return std::exp(-(dx * dx) / sx - (dz * dz) / sz);
    };
    return 1.55 * bump(x - 2.3, z - 9.0, 2.2, 9.0) + 0.95 * bump(x - 4.4, z - 12.5, 3.0, 10.0) +
           0.55 * bump(x - 0.9, z - 5.5, 0.9, 2.5) +
           0.12 * std::sin(1.3 * x + 0.8 * z) * std::cos(0.9 * z - 0.5 * x) +
           0.05 * std::sin(2.7 * x - 1.9 * z);
}

struct Point2 {
    double x, y;
};

struct Point3 {
    double x, y, z;
};

// How much a cell faces the light, from 0 to 1; its diagonals span it.
double sunlight(const Point3& a, const Point3& b, const Point3& c, const Point3& d)
{
    const Point3 u = {c.x - a.x, c.y - a.y, c.z - a.z};
    const Point3 v = {d.x - b.x, d.y - b.y, d.z - b.z};
    Point3 n = {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
    const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (n.y < 0) {
        n = {-n.x, -n.y, -n.z};
    }
    const Point3 sun = {-0.55, 0.65, -0.50};  // up, left and behind the viewer; normalised below
    const double sunLength = std::sqrt(sun.x * sun.x + sun.y * sun.y + sun.z * sun.z);
    const double facing = (n.x * sun.x + n.y * sun.y + n.z * sun.z) / (length * sunLength);
    return std::clamp(facing, 0.0, 1.0);
}

struct Camera {
    double height = 1.05;
    double pitch = 0.10;  // radians, looking slightly down
    double focal = 520.0;
    double centreX = kWidth * 0.40;
    double centreY = kHeight * 0.76;
};

Point2 project(const Camera& camera, double x, double y, double z)
{
    const double dy = y - camera.height;
    const double c = std::cos(camera.pitch);
    const double s = std::sin(camera.pitch);
    const double depth = z * c - dy * s;
    const double up = dy * c + z * s;
    return {camera.centreX + camera.focal * x / depth, camera.centreY - camera.focal * up / depth};
}

void paintSky(cairo_t* cr, double horizonY)
{
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, horizonY);
    cairo_pattern_add_color_stop_rgb(sky, 0.0, kSkyTop.r, kSkyTop.g, kSkyTop.b);
    cairo_pattern_add_color_stop_rgb(sky, 1.0, kSkyHorizon.r, kSkyHorizon.g, kSkyHorizon.b);
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);

    // The low sun's glow behind the hills.
    cairo_pattern_t* glow = cairo_pattern_create_radial(470, horizonY, 0, 470, horizonY, 260);
    cairo_pattern_add_color_stop_rgba(glow, 0.0, 1.0, 0.82, 0.60, 0.75);
    cairo_pattern_add_color_stop_rgba(glow, 1.0, 1.0, 0.82, 0.60, 0.0);
    cairo_set_source(cr, glow);
    cairo_paint(cr);
    cairo_pattern_destroy(glow);
}

// Cells are filled and outlined from the farthest row to the nearest, so that near hills hide
// what lies behind them; distance fades lines and ground into the horizon's haze.
void paintSurface(cairo_t* cr, const Camera& camera)
{
    constexpr int kColumns = 56;
    constexpr int kRows = 44;
    constexpr double kMinX = -9.0, kMaxX = 11.0, kNearZ = 1.2, kFarZ = 26.0;
    std::vector<Point2> grid(static_cast<std::size_t>((kColumns + 1) * (kRows + 1)));
    std::vector<Point3> world(grid.size());
    const auto at = [](int column, int row) {
        return static_cast<std::size_t>(row * (kColumns + 1) + column);
    };
    const auto depthAt = [&](int row) {
        // Rows closer together near the viewer keep the cells roughly even on screen.
        const double t = static_cast<double>(row) / kRows;
        return kNearZ * std::pow(kFarZ / kNearZ, t);
    };
    for (int row = 0; row <= kRows; ++row) {
        for (int column = 0; column <= kColumns; ++column) {
            const double x = kMinX + (kMaxX - kMinX) * column / kColumns;
            const double z = depthAt(row);
            const double y = surfaceHeight(x, z);
            world[at(column, row)] = {x, y, z};
            grid[at(column, row)] = project(camera, x, y, z);
        }
    }
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (int row = kRows - 1; row >= 0; --row) {
        const double haze = std::pow(static_cast<double>(row) / kRows, 1.5);
        for (int column = 0; column < kColumns; ++column) {
            const Point2 corners[] = {grid[at(column, row)], grid[at(column + 1, row)],
                                      grid[at(column + 1, row + 1)], grid[at(column, row + 1)]};
            const Point3& a = world[at(column, row)];
            const Point3& b = world[at(column + 1, row + 1)];
            const double height = (a.y + b.y) / 2;
            const double lit = sunlight(a, world[at(column + 1, row)], b, world[at(column, row + 1)]);
            cairo_move_to(cr, corners[0].x, corners[0].y);
            for (int i = 1; i < 4; ++i) {
                cairo_line_to(cr, corners[i].x, corners[i].y);
            }
            cairo_close_path(cr);
            setColour(cr, mix(mix(kGround, kGroundLit, lit), kSkyHorizon, haze * 0.85));
            cairo_fill_preserve(cr);
            const Colour line = mix(kLineLow, kLineHigh, std::clamp(height / 1.4, 0.0, 1.0));
            setColour(cr, mix(line, kSkyHorizon, haze * 0.75));
            cairo_set_line_width(cr, 1.3 - 0.7 * haze);
            cairo_stroke(cr);
        }
    }
}

// Darkens the ground at the bottom, where the white lines stand.
void paintFootShade(cairo_t* cr)
{
    cairo_pattern_t* shade = cairo_pattern_create_linear(0, kHeight - 90, 0, kHeight);
    cairo_pattern_add_color_stop_rgba(shade, 0.0, 0.0, 0.0, 0.0, 0.0);
    cairo_pattern_add_color_stop_rgba(shade, 0.6, 0.01, 0.02, 0.06, 0.55);
    cairo_pattern_add_color_stop_rgba(shade, 1.0, 0.01, 0.02, 0.06, 0.75);
    cairo_set_source(cr, shade);
    cairo_paint(cr);
    cairo_pattern_destroy(shade);
}

void paintTitle(cairo_t* cr)
{
    cairo_select_font_face(cr, "Helvetica", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 104);
    const double baseline = 118;
    double x = 22;
    for (const char* letter : {"Z", "E", "L"}) {
        cairo_text_extents_t extents;
        cairo_text_extents(cr, letter, &extents);
        cairo_move_to(cr, x, baseline);
        cairo_text_path(cr, letter);
        x += extents.x_advance + 14;  // wide spacing reads as a mark rather than a word
    }
    cairo_pattern_t* ink = cairo_pattern_create_linear(0, baseline - 76, 0, baseline);
    cairo_pattern_add_color_stop_rgb(ink, 0.0, kInk.r, kInk.g, kInk.b);
    cairo_pattern_add_color_stop_rgb(ink, 1.0, 0.12, 0.30, 0.48);
    cairo_set_source(cr, ink);
    cairo_fill(cr);
    cairo_pattern_destroy(ink);

    // A thin rule under the mark in the colours of the wireframe.
    cairo_pattern_t* rule = cairo_pattern_create_linear(24, 0, x - 14, 0);
    cairo_pattern_add_color_stop_rgb(rule, 0.0, kLineLow.r, kLineLow.g, kLineLow.b);
    cairo_pattern_add_color_stop_rgb(rule, 1.0, kLineHigh.r, kLineHigh.g, kLineHigh.b);
    cairo_set_source(cr, rule);
    cairo_rectangle(cr, 24, baseline + 10, x - 14 - 24, 3);
    cairo_fill(cr);
    cairo_pattern_destroy(rule);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    const zel::CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight));
    const zel::CairoContext cr(cairo_create(surface.get()));
    const Camera camera;
    paintSky(cr.get(), project(camera, 0, 0, 1e6).y);
    paintSurface(cr.get(), camera);
    paintFootShade(cr.get());
    paintTitle(cr.get());

    const cairo_status_t status = cairo_surface_write_to_png(surface.get(), argv[1]);
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", argv[0], argv[1],
                     cairo_status_to_string(status));
        return 1;
    }
    return 0;
}
