// The about box on X11: a borderless window at the screen's origin, modal until a click in it.
#pragma once

#include <cairo.h>

namespace zel {

// Shows `image` in a window of its size until a mouse button is pressed in it, the window is
// destroyed or unmapped by someone else, or the display goes away. False, having shown nothing,
// when there is no display or the server refuses the window. `windowClass` names the window to
// window managers.
bool showAboutWindow(cairo_surface_t* image, const char* windowClass);

}  // namespace zel
