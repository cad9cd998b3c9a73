#include "plugin/about/x11_connection.h"

namespace zel {

X11Connection* X11Connection::open_ = nullptr;
XErrorHandler X11Connection::previousError_ = nullptr;
XIOErrorHandler X11Connection::previousIOError_ = nullptr;

std::unique_ptr<X11Connection> X11Connection::open()
{
    Display* display = XOpenDisplay(nullptr);
    return display != nullptr ? std::unique_ptr<X11Connection>(new X11Connection(display))
                              : nullptr;
}

X11Connection::X11Connection(Display* display) : display_(display)
{
    open_ = this;
    previousError_ = XSetErrorHandler(onError);
    previousIOError_ = XSetIOErrorHandler(onIOError);
    // After the handler above Xlib ends the process, unless this one is set and returns.
    XSetIOErrorExitHandler(display, onIOErrorExit, this);
}

X11Connection::~X11Connection()
{
    XCloseDisplay(display_);
    XSetErrorHandler(previousError_);
    XSetIOErrorHandler(previousIOError_);
    open_ = nullptr;
}

int X11Connection::onError(Display* display, XErrorEvent* error)
{
    if (open_ != nullptr && display == open_->display_) {
        open_->refused_ = true;
        return 0;
    }
    return previousError_ != nullptr ? previousError_(display, error) : 0;
}

int X11Connection::onIOError(Display* display)
{
    if (open_ != nullptr && display == open_->display_) {
        return 0;
    }
    return previousIOError_ != nullptr ? previousIOError_(display) : 0;
}

void X11Connection::onIOErrorExit(Display*, void* connection)
{
    static_cast<X11Connection*>(connection)->lost_ = true;
}

}  // namespace zel
