// Owning handles for cairo objects, so that every exit path releases them.
#pragma once

#include <cairo.h>

#include <memory>

namespace zel {

struct CairoSurfaceRelease {
    void operator()(cairo_surface_t* surface) const noexcept { cairo_surface_destroy(surface); }
};

struct CairoContextRelease {
    void operator()(cairo_t* context) const noexcept { cairo_destroy(context); }
};

using CairoSurface = std::unique_ptr<cairo_surface_t, CairoSurfaceRelease>;
using CairoContext = std::unique_ptr<cairo_t, CairoContextRelease>;

}  // namespace zel
