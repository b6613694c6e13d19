#!/usr/bin/env python3
"""Asks an X window to close, as a window manager's close button does.

    close_window.py WINDOW_ID

Sends the window the WM_DELETE_WINDOW client message of the ICCCM. The
package test runs the client on a bare virtual display, where there is no
window manager to do it, and xdotool only destroys windows or kills their
program. Uses libX11 through ctypes, so nothing beyond python3 is needed.
Exits 0 when the message was sent, 1 when the display or the window could not
be had, 2 for a wrong command line.
"""

import ctypes
import ctypes.util
import sys

CLIENT_MESSAGE = 33  # the ClientMessage event type
NO_EVENT_MASK = 0


class ClientMessageData(ctypes.Union):
    _fields_ = [("b", ctypes.c_char * 20), ("s", ctypes.c_short * 10), ("l", ctypes.c_long * 5)]


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int),
        ("data", ClientMessageData),
    ]


class XEvent(ctypes.Union):
    # Xlib's XEvent is 24 longs whatever the event; XSendEvent reads all of it.
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


def main(argv):
    if len(argv) != 2:
        print("usage: close_window.py WINDOW_ID", file=sys.stderr)
        return 2
    window = int(argv[1], 0)
    name = ctypes.util.find_library("X11")
    if name is None:
        print("close_window.py: libX11 not found", file=sys.stderr)
        return 1
    x11 = ctypes.CDLL(name)
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(XEvent)]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    display = x11.XOpenDisplay(None)
    if not display:
        print("close_window.py: cannot open the display", file=sys.stderr)
        return 1
    event = XEvent()
    event.xclient.type = CLIENT_MESSAGE
    event.xclient.window = window
    event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data.l[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event.xclient.data.l[1] = 0  # CurrentTime
    sent = x11.XSendEvent(display, window, 0, NO_EVENT_MASK, ctypes.byref(event))
    x11.XSync(display, 0)
    x11.XCloseDisplay(display)
    if not sent:
        print(f"close_window.py: cannot send to window {window}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
