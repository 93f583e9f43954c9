#include <X11/Xlib.h>

namespace guitest
{
// Without a window manager some atoms a window sets do not exist; the framework
// ignores such errors only in an application, a test would end on Xlib's handler.
void ignoreXErrors()
{
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

// Where the X server has the window on its screen and its size, read over a
// connection of our own.
bool readServerWindowBounds(unsigned long window, int& x, int& y, int& width, int& height)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    XWindowAttributes attributes{};
    ::Window child = 0;
    const bool read = XGetWindowAttributes(display, window, &attributes) != 0 &&
                      XTranslateCoordinates(display, window, attributes.root, 0, 0, &x, &y, &child) != 0;
    XCloseDisplay(display);
    width = attributes.width;
    height = attributes.height;
    return read;
}

// Puts the X server's pointer at a point of the screen. The framework drags a
// window by where the pointer really is, not by the event's position.
bool warpPointer(int x, int y)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
    XSync(display, False);
    XCloseDisplay(display);
    return true;
}
} // namespace guitest
