#!/usr/bin/python3
# A stand-in for the desktop's file chooser portal on a private session bus:
# each OpenFile or SaveFile call is written as one line to LOG, and answered
# at once from the answer file (a response code, then one URI a line).
# Usage: fake_portal.py LOG ANSWER VERSION READY
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

PORTAL = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
CHOOSER = "org.freedesktop.portal.FileChooser"
REQUEST = "org.freedesktop.portal.Request"

log_path, answer_path, version, ready_path = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]


def filter_text(f):
    return str(f[0]) + ":" + ",".join(str(glob) for _, glob in f[1])


def describe(method, parent, title, options):
    fields = [method, str(parent), str(title)]
    fields.append("multiple=%d" % bool(options.get("multiple", False)))
    fields.append("directory=%d" % bool(options.get("directory", False)))
    fields.append(";".join(filter_text(f) for f in options.get("filters", [])))
    current = options.get("current_filter")
    fields.append("current=" + (str(current[0]) if current is not None else ""))
    folder = bytes(options.get("current_folder", b""))
    fields.append("folder=" + folder.rstrip(b"\0").decode("utf-8", "replace"))
    return "|".join(fields)


class Request(dbus.service.Object):
    @dbus.service.signal(REQUEST, signature="ua{sv}")
    def Response(self, code, results):
        pass

    @dbus.service.method(REQUEST)
    def Close(self):
        self.remove_from_connection()


class Portal(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, PATH)
        self.bus = bus

    def answer(self, method, parent, title, options, sender):
        with open(log_path, "a") as log:
            log.write(describe(method, parent, title, options) + "\n")
        token = str(options.get("handle_token", "t"))
        path = "/org/freedesktop/portal/desktop/request/%s/%s" % (sender[1:].replace(".", "_"), token)
        request = Request(self.bus, path)
        with open(answer_path) as answer:
            lines = answer.read().split("\n")
        code, uris = int(lines[0]), [line for line in lines[1:] if line]
        results = {"uris": dbus.Array(uris, signature="s")}

        def respond():
            request.Response(dbus.UInt32(code), dbus.Dictionary(results, signature="sv"))
            request.remove_from_connection()
            return False

        GLib.timeout_add(50, respond)
        return dbus.ObjectPath(path)

    @dbus.service.method(CHOOSER, in_signature="ssa{sv}", out_signature="o", sender_keyword="sender")
    def OpenFile(self, parent, title, options, sender=None):
        return self.answer("OpenFile", parent, title, options, sender)

    @dbus.service.method(CHOOSER, in_signature="ssa{sv}", out_signature="o", sender_keyword="sender")
    def SaveFile(self, parent, title, options, sender=None):
        return self.answer("SaveFile", parent, title, options, sender)

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == CHOOSER and name == "version":
            return dbus.UInt32(version)
        raise dbus.exceptions.DBusException("no such property", name="org.freedesktop.DBus.Error.UnknownProperty")


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
name = dbus.service.BusName(PORTAL, bus)
portal = Portal(bus)
open(ready_path, "w").close()
GLib.MainLoop().run()
