#include "plugin/about/x11_about_window.h"

#include <X11/Xutil.h>
#include <cairo-xlib.h>
#include <poll.h>

#include <cerrno>
#include <string>

#include "plugin/about/cairo_handles.h"
#include "plugin/about/x11_connection.h"

namespace zel {
namespace {

// The layout of _MOTIF_WM_HINTS, the property window managers read for decorations.
struct MotifHints {
    unsigned long flags;
    unsigned long functions;
    unsigned long decorations;
    long inputMode;
    unsigned long status;
};
constexpr unsigned long kMotifDecorationsGiven = 1UL << 1;

void removeDecorations(Display* display, Window window)
{
    MotifHints hints = {kMotifDecorationsGiven, 0, 0, 0, 0};
    const Atom property = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    XChangeProperty(display, window, property, property, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&hints), 5);
}

// Asks window managers to leave the box at the origin and at the picture's size.
void fixGeometry(Display* display, Window window, int width, int height)
{
    XSizeHints hints{};
    hints.flags = USPosition | PPosition | PMinSize | PMaxSize;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints(display, window, &hints);
}

void setClass(Display* display, Window window, const char* windowClass)
{
    std::string name = windowClass != nullptr ? windowClass : "";
    XClassHint hint{name.data(), name.data()};
    XSetClassHint(display, window, &hint);
}

Window createWindow(Display* display, int width, int height, const char* windowClass)
{
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.event_mask = ExposureMask | ButtonPressMask | StructureNotifyMask;
    const Window window = XCreateWindow(
        display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
        static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
        CWBackPixel | CWEventMask, &attributes);
    removeDecorations(display, window);
    fixGeometry(display, window, width, height);
    setClass(display, window, windowClass);
    return window;
}

// The next event; false when the connection is gone. Xlib's blocking XNextEvent would read from
// a dead connection, so the wait is done here and XNextEvent only takes queued events.
bool nextEvent(const X11Connection& connection, XEvent& event)
{
    Display* display = connection.display();
    while (!connection.lost() && XPending(display) == 0) {
        pollfd ready = {ConnectionNumber(display), POLLIN, 0};
        if (::poll(&ready, 1, -1) < 0 && errno != EINTR) {
            return false;
        }
    }
    if (connection.lost()) {
        return false;
    }
    XNextEvent(display, &event);
    return true;
}

// Draws `image` into `window` through a cairo surface of its own, finished before the next wait:
// a surface still open when the connection is lost spins forever in its final flush.
void paint(Display* display, Window window, cairo_surface_t* image)
{
    const int width = cairo_image_surface_get_width(image);
    const int height = cairo_image_surface_get_height(image);
    const CairoSurface target(cairo_xlib_surface_create(
        display, window, DefaultVisual(display, DefaultScreen(display)), width, height));
    {
        const CairoContext cr(cairo_create(target.get()));
        cairo_set_source_surface(cr.get(), image, 0, 0);
        cairo_paint(cr.get());
    }
    cairo_surface_finish(target.get());
    XFlush(display);
}

// Until a click, or until the window can no longer be clicked: destroyed or unmapped by someone
// else, or its display lost.
void runModal(const X11Connection& connection, Window window, cairo_surface_t* image)
{
    XEvent event;
    while (nextEvent(connection, event)) {
        if (event.xany.window != window) {
            continue;
        }
        switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0) {
                paint(connection.display(), window, image);
            }
            break;
        case ButtonPress:
        case DestroyNotify:
        case UnmapNotify:
            return;
        default:
            break;
        }
    }
}

}  // namespace

bool showAboutWindow(cairo_surface_t* image, const char* windowClass)
{
    const std::unique_ptr<X11Connection> connection = X11Connection::open();
    if (connection == nullptr) {
        return false;
    }
    Display* display = connection->display();
    const int width = cairo_image_surface_get_width(image);
    const int height = cairo_image_surface_get_height(image);
    const Window window = createWindow(display, width, height, windowClass);
    XMapRaised(display, window);
    XSync(display, False);
    if (connection->refused() || connection->lost()) {
        XDestroyWindow(display, window);
        return false;
    }

    runModal(*connection, window, image);
    // Refused, and so harmless, when someone else destroyed it already.
    XDestroyWindow(display, window);
    return true;
}

}  // namespace zel
