// The about box's content: the picture with the report drawn over it in black, then the two
// lines in white.
#pragma once

#include <cairo.h>

#include "plugin/about/about_layout.h"
#include "plugin/about/about_texts.h"
#include "plugin/about/cairo_handles.h"

namespace zel {

// An image surface of the layout's size; null when cairo fails.
CairoSurface drawAboutBox(cairo_surface_t* picture, const AboutLayout& layout,
                          const AboutTexts& texts);

}  // namespace zel
