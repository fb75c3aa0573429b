"""The performance report's hands and eyes on the X server, through libX11
and libXtst directly (ctypes): finding the game's window, key presses by
XTest, and the average colour of a small rectangle of the window.

Done in-process rather than with xdotool and ImageMagick so that the player
costs the measured game next to nothing: a press is two requests, a look is
one XGetImage of a few hundred pixels, and no process is started per action.
"""

import ctypes
import ctypes.util

_x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
_xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")

_Display_p = ctypes.c_void_p
_Window = ctypes.c_ulong

_x11.XOpenDisplay.restype = _Display_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XCloseDisplay.argtypes = [_Display_p]
_x11.XDefaultRootWindow.restype = _Window
_x11.XDefaultRootWindow.argtypes = [_Display_p]
_x11.XQueryTree.argtypes = [_Display_p, _Window, ctypes.POINTER(_Window),
                            ctypes.POINTER(_Window),
                            ctypes.POINTER(ctypes.POINTER(_Window)),
                            ctypes.POINTER(ctypes.c_uint)]
_x11.XFetchName.argtypes = [_Display_p, _Window, ctypes.POINTER(ctypes.c_char_p)]
_x11.XFree.argtypes = [ctypes.c_void_p]
_x11.XStringToKeysym.restype = ctypes.c_ulong
_x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
_x11.XKeysymToKeycode.restype = ctypes.c_ubyte
_x11.XKeysymToKeycode.argtypes = [_Display_p, ctypes.c_ulong]
_x11.XFlush.argtypes = [_Display_p]
_x11.XSync.argtypes = [_Display_p, ctypes.c_int]
_x11.XGetImage.restype = ctypes.c_void_p
_x11.XGetImage.argtypes = [_Display_p, _Window, ctypes.c_int, ctypes.c_int,
                           ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
_x11.XGetPixel.restype = ctypes.c_ulong
_x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
_x11.XDestroyImage.argtypes = [ctypes.c_void_p]
_xtst.XTestFakeKeyEvent.argtypes = [_Display_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]

_ALL_PLANES = 0xFFFFFFFF
_Z_PIXMAP = 2

# A failed request (the window gone while we look) must not end the report
# through Xlib's default handler, which exits the process.
_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
_ignore_errors = _ERROR_HANDLER(lambda display, event: 0)
_x11.XSetErrorHandler.argtypes = [_ERROR_HANDLER]
_x11.XSetErrorHandler(_ignore_errors)


class Display:
    def __init__(self, name):
        self._d = _x11.XOpenDisplay(name.encode())
        if not self._d:
            raise RuntimeError("cannot open X display " + name)
        self._codes = {}

    def close(self):
        if self._d:
            _x11.XCloseDisplay(self._d)
            self._d = None

    def find_window(self, title):
        """Id of a top-level window named `title`, or 0."""
        root = _x11.XDefaultRootWindow(self._d)
        root_ret, parent = _Window(), _Window()
        children = ctypes.POINTER(_Window)()
        count = ctypes.c_uint()
        if not _x11.XQueryTree(self._d, root, ctypes.byref(root_ret), ctypes.byref(parent),
                               ctypes.byref(children), ctypes.byref(count)):
            return 0
        found = 0
        for i in range(count.value):
            name = ctypes.c_char_p()
            if _x11.XFetchName(self._d, children[i], ctypes.byref(name)) and name.value:
                if name.value.decode(errors="replace") == title:
                    found = children[i]
                _x11.XFree(name)
            if found:
                break
        if children:
            _x11.XFree(children)
        return found

    def _keycode(self, key):
        if key not in self._codes:
            sym = _x11.XStringToKeysym(key.encode())
            self._codes[key] = _x11.XKeysymToKeycode(self._d, sym)
        return self._codes[key]

    def keys(self, names, down):
        for name in names:
            _xtst.XTestFakeKeyEvent(self._d, self._keycode(name), 1 if down else 0, 0)
        _x11.XFlush(self._d)

    def average_colour(self, window, x, y, w, h, step=4):
        """Mean (r, g, b) of every `step`-th pixel of a rectangle, or None."""
        image = _x11.XGetImage(self._d, window, x, y, w, h, _ALL_PLANES, _Z_PIXMAP)
        if not image:
            return None
        r = g = b = n = 0
        for py in range(0, h, step):
            for px in range(0, w, step):
                p = _x11.XGetPixel(image, px, py)
                r += (p >> 16) & 255
                g += (p >> 8) & 255
                b += p & 255
                n += 1
        _x11.XDestroyImage(image)
        return (r // n, g // n, b // n)
