// Sends raw key events through XTest:
//   input_xtest +KEY -KEY =MS ...
// "+" presses, "-" releases; KEY is an X keycode (a number, e.g. 108 for the
// right Alt key alone) or a keysym name ("a", "Left"). "=MS" flushes what was
// sent and waits MS milliseconds (a release followed by a press of the same
// key within 20 ms is taken for auto-repeat by the window's toolkit).
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    std::fprintf(stderr, "input_xtest: no display\n");
    return 1;
  }
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (arg[0] == '=') {
      XSync(dpy, False);
      long ms = std::strtol(arg + 1, nullptr, 10);
      timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
      nanosleep(&ts, nullptr);
      continue;
    }
    if ((arg[0] != '+' && arg[0] != '-') || !arg[1]) {
      std::fprintf(stderr, "input_xtest: bad event '%s'\n", arg);
      return 2;
    }
    unsigned keycode = 0;
    if (std::isdigit((unsigned char)arg[1])) {
      keycode = (unsigned)std::strtoul(arg + 1, nullptr, 10);
    } else {
      KeySym sym = XStringToKeysym(arg + 1);
      if (sym != NoSymbol) keycode = XKeysymToKeycode(dpy, sym);
    }
    if (keycode < 8 || keycode > 255) {
      std::fprintf(stderr, "input_xtest: no key for '%s'\n", arg + 1);
      return 2;
    }
    XTestFakeKeyEvent(dpy, keycode, arg[0] == '+', CurrentTime);
  }
  XSync(dpy, False);
  XCloseDisplay(dpy);
  return 0;
}
