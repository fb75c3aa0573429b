// Sends a window the close request a window manager would send:
// a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW.
//   xclose WINDOW_ID
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: xclose WINDOW_ID\n");
    return 2;
  }
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) return 1;
  Window w = std::strtoul(argv[1], nullptr, 0);
  XEvent ev;
  std::memset(&ev, 0, sizeof ev);
  ev.xclient.type = ClientMessage;
  ev.xclient.window = w;
  ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = (long)XInternAtom(dpy, "WM_DELETE_WINDOW", False);
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy, w, False, NoEventMask, &ev);
  XFlush(dpy);
  XCloseDisplay(dpy);
  return 0;
}
