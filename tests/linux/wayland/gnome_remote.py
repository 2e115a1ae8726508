#!/usr/bin/env python3
# Input and screenshots on a headless GNOME Shell, for the tests, over the session bus that
# DBUS_SESSION_BUS_ADDRESS names. Reads one command a line on stdin and answers each with one
# line, "ok" or "error WHY", once GNOME has taken it:
#   move DX DY          relative pointer motion (RemoteDesktop)
#   button NAME STATE   NAME left, right or middle; STATE press, release or click
#   wheel STEPS         the vertical wheel, in notches
#   key NAME STATE      NAME x, shift, up, f1, space, tab, super, f, or a keysym in hex (0x78);
#                       STATE as above
#   shot FILE           a PNG of the whole screen (org.gnome.Shell.Screenshot), pointer included
#   overview on|off     opens or closes the overview
# A RemoteDesktop session lives as long as the connection that made it, so this process
# holds both for the test's life. gnome-shell answers screenshots only to callers on its
# allow list, which owning the name org.gnome.Screenshot puts us on.
import sys

from gi.repository import Gio, GLib

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)


# gnome-shell renders in software here: on a busy machine an answer may take seconds.
def call(destination, path, interface, method, args=None, reply=None):
    return bus.call_sync(destination, path, interface, method, args,
                         GLib.VariantType(reply) if reply else None, Gio.DBusCallFlags.NONE, 40000, None)


def remote(method, args):
    call("org.gnome.Mutter.RemoteDesktop", session, "org.gnome.Mutter.RemoteDesktop.Session", method, args)


BUTTONS = {"left": 272, "right": 273, "middle": 274}  # evdev codes
KEYSYMS = {"x": 0x78, "shift": 0xffe1, "up": 0xff52, "f1": 0xffbe, "space": 0x20, "tab": 0xff09, "super": 0xffeb,
           "f": 0x66}


def pressings(state):
    return {"press": [True], "release": [False], "click": [True, False]}[state]


call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
     GLib.Variant("(su)", ("org.gnome.Screenshot", 0)), "(u)")
session = call("org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop",
               "CreateSession", None, "(o)").unpack()[0]
remote("Start", None)
print("ready", flush=True)

for line in sys.stdin:
    words = line.split()
    try:
        if not words:
            continue
        command = words[0]
        if command == "move":
            remote("NotifyPointerMotionRelative", GLib.Variant("(dd)", (float(words[1]), float(words[2]))))
        elif command == "button":
            for down in pressings(words[2]):
                remote("NotifyPointerButton", GLib.Variant("(ib)", (BUTTONS[words[1]], down)))
        elif command == "wheel":
            remote("NotifyPointerAxisDiscrete", GLib.Variant("(ui)", (0, int(words[1]))))
        elif command == "key":
            for down in pressings(words[2]):
                remote("NotifyKeyboardKeysym", GLib.Variant("(ub)", (KEYSYMS.get(words[1]) or int(words[1], 16), down)))
        elif command == "shot":
            done = call("org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot", "org.gnome.Shell.Screenshot",
                        "Screenshot", GLib.Variant("(bbs)", (True, False, words[1])), "(bs)").unpack()[0]
            if not done:
                raise RuntimeError("gnome-shell took no screenshot")
        elif command == "overview":
            call("org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties", "Set",
                 GLib.Variant("(ssv)", ("org.gnome.Shell", "OverviewActive", GLib.Variant("b", words[1] == "on"))))
        else:
            raise ValueError("unknown command " + command)
        # A round trip to gnome-shell: what came before it has been taken in.
        call("org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Peer", "Ping")
        print("ok", flush=True)
    except (GLib.Error, ValueError, IndexError, KeyError, RuntimeError) as error:
        print("error " + str(error).replace("\n", " "), flush=True)
