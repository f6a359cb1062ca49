// Sends a window the request its close button makes: the WM_DELETE_WINDOW client message that
// a window manager sends on the user's click. Under a bare X server there is no window manager
// to send it, and xdotool's windowclose destroys the window instead, which no program can
// refuse and so proves nothing.
//
// Usage: send_close_request WINDOW_ID (decimal, or hexadecimal after 0x)
#include <X11/Xlib.h>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("usage: send_close_request WINDOW_ID\n", stderr);
        return 2;
    }
    char* end = nullptr;
    const Window window = std::strtoul(argv[1], &end, 0);
    if (*end != '\0' || window == 0) {
        std::fprintf(stderr, "send_close_request: not a window id: %s\n", argv[1]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fputs("send_close_request: cannot open the display\n", stderr);
        return 1;
    }
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    if (!sent) {
        std::fputs("send_close_request: the X server did not take the message\n", stderr);
        return 1;
    }
    return 0;
}
