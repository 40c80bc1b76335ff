"""Keeps one 1x1 window mapped in the bottom-right corner of an X display until killed.

Xvfb ignores pointer warps (xdotool mousemove) while no window at all is
mapped, which happens between scenarios when no Windows program is showing
anything.  A session on its own Xvfb runs this for as long as it lasts.
"""

import ctypes
import ctypes.util
import signal
import sys


def main():
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XDefaultScreen.argtypes = [ctypes.c_void_p]
    x11.XDisplayWidth.argtypes = x11.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XCreateSimpleWindow.restype = ctypes.c_ulong
    x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                        ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
    x11.XMapWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]

    display = x11.XOpenDisplay(None)
    if not display:
        print("x_anchor: cannot open the display", file=sys.stderr)
        return 1
    screen = x11.XDefaultScreen(display)
    right, bottom = x11.XDisplayWidth(display, screen) - 1, x11.XDisplayHeight(display, screen) - 1
    window = x11.XCreateSimpleWindow(display, x11.XDefaultRootWindow(display), right, bottom, 1, 1, 0, 0, 0)
    x11.XMapWindow(display, window)
    x11.XSync(display, 0)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    while True:
        signal.pause()


if __name__ == "__main__":
    sys.exit(main())
