#!/usr/bin/python3
# Keys and screenshots for a headless mutter, which offers clients neither a
# virtual keyboard nor a screenshot: through its remote-desktop and
# screencast services on the session bus. A remote-desktop session lasts as
# long as the connection that made it, so this stays and says "ready", then
# follows one command a line on standard input:
#   KEY         press and release the key (as X names its keysym); "sent"
#   shot FILE   the monitor's next frame as raw RGB into FILE, through a
#               screencast and PipeWire; "shot", or "no shot" on failure
import subprocess
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
DESKTOP = "org.gnome.Mutter.RemoteDesktop"
CAST = "org.gnome.Mutter.ScreenCast"
KEYSYMS = {"space": 0x20, "p": 0x70, "q": 0x71, "Escape": 0xFF1B, "Return": 0xFF0D, "F11": 0xFFC8, "F12": 0xFFC9}


def call(service, path, interface, method, args=None):
    return bus.call_sync(service, path, interface, method, args, None, Gio.DBusCallFlags.NONE, 5000, None)


def shot(path):
    """A screencast of its own for each shot: a new stream starts with a whole frame."""
    session = call(CAST, "/org/gnome/Mutter/ScreenCast", CAST, "CreateSession",
                   GLib.Variant("(a{sv})", ({},))).unpack()[0]
    stream = call(CAST, session, CAST + ".Session", "RecordMonitor",
                  GLib.Variant("(sa{sv})", ("", {}))).unpack()[0]
    loop = GLib.MainLoop()
    node = []

    def added(_conn, _sender, _path, _interface, _signal, params):
        node.append(params.unpack()[0])
        loop.quit()

    bus.signal_subscribe(None, CAST + ".Stream", "PipeWireStreamAdded", stream, None, Gio.DBusSignalFlags.NONE,
                         added)
    call(CAST, session, CAST + ".Session", "Start")
    GLib.timeout_add(5000, loop.quit)
    loop.run()
    ok = False
    if node:
        with open(path, "wb") as out:
            ok = subprocess.run(["gst-launch-1.0", "-q", "pipewiresrc", "path=%d" % node[0], "num-buffers=1", "!",
                                 "videoconvert", "!", "video/x-raw,format=RGB", "!", "fdsink"],
                                stdout=out, timeout=10).returncode == 0
    call(CAST, session, CAST + ".Session", "Stop")
    return ok


session = call(DESKTOP, "/org/gnome/Mutter/RemoteDesktop", DESKTOP, "CreateSession").unpack()[0]
call(DESKTOP, session, DESKTOP + ".Session", "Start")
print("ready", flush=True)
for line in sys.stdin:
    words = line.split()
    if words[0] == "shot":
        print("shot" if shot(words[1]) else "no shot", flush=True)
        continue
    for pressed in (True, False):
        call(DESKTOP, session, DESKTOP + ".Session", "NotifyKeyboardKeysym",
             GLib.Variant("(ub)", (KEYSYMS[words[0]], pressed)))
    print("sent", flush=True)
