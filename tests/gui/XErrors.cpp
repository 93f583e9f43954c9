#include <X11/Xlib.h>

namespace guitest
{
// Without a window manager some atoms a window sets do not exist; the framework
// ignores such errors only in an application, a test would end on Xlib's handler.
void ignoreXErrors()
{
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

// The size the X server gives the window, read over a connection of our own.
bool readServerWindowSize(unsigned long window, int& width, int& height)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    XWindowAttributes attributes{};
    const bool read = XGetWindowAttributes(display, window, &attributes) != 0;
    XCloseDisplay(display);
    width = attributes.width;
    height = attributes.height;
    return read;
}
} // namespace guitest
