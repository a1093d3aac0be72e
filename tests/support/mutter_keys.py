#!/usr/bin/python3
# Keys for a headless mutter, which offers no virtual keyboard to clients:
# through its remote-desktop service on the session bus. A session lasts as
# long as the connection that made it, so this stays, says "ready", and
# presses and releases each key named on a line of standard input (as X
# names its keysyms), answering "sent" for each.
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
SERVICE = "org.gnome.Mutter.RemoteDesktop"
KEYSYMS = {"space": 0x20, "p": 0x70, "q": 0x71, "Escape": 0xFF1B, "Return": 0xFF0D, "F11": 0xFFC8, "F12": 0xFFC9}


def call(path, interface, method, args=None):
    return bus.call_sync(SERVICE, path, interface, method, args, None, Gio.DBusCallFlags.NONE, 5000, None)


session = call("/org/gnome/Mutter/RemoteDesktop", SERVICE, "CreateSession").unpack()[0]
call(session, SERVICE + ".Session", "Start")
print("ready", flush=True)
for line in sys.stdin:
    keysym = KEYSYMS[line.strip()]
    for pressed in (True, False):
        call(session, SERVICE + ".Session", "NotifyKeyboardKeysym", GLib.Variant("(ub)", (keysym, pressed)))
    print("sent", flush=True)
