// A connection to the X server whose failures cannot end the process.
#pragma once

#include <X11/Xlib.h>

#include <memory>

namespace zel {

// While it is open, protocol errors on this connection are recorded and a lost connection is
// noted, where Xlib's own handlers would end the process; errors of the host's own connections
// still reach the handlers that were there before, which are put back on close. One at a time.
class X11Connection {
public:
    // Null when there is no display to connect to.
    static std::unique_ptr<X11Connection> open();
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    Display* display() const { return display_; }
    // Whether the server refused a request since the connection was opened.
    bool refused() const { return refused_; }
    // Once true, nothing may read from the display again: Xlib's event queue is gone.
    bool lost() const { return lost_; }

private:
    explicit X11Connection(Display* display);
    static int onError(Display* display, XErrorEvent* error);
    static int onIOError(Display* display);
    static void onIOErrorExit(Display* display, void* connection);

    // Xlib's error handlers are process-wide functions without a user pointer.
    static X11Connection* open_;
    static XErrorHandler previousError_;
    static XIOErrorHandler previousIOError_;

    Display* display_;
    bool refused_ = false;
    bool lost_ = false;
};

}  // namespace zel
