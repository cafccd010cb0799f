"""A plain window of another program, over a given part of the screen: what the user works in
while Vorlix is behind it. Run with the system's python (GTK through gi) as

    cover_window.py X Y WIDTH HEIGHT

It prints its X window id once it is mapped and stays until it is ended.
"""

import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("GdkX11", "3.0")
from gi.repository import GdkX11, Gtk  # noqa: E402,F401  (GdkX11 gives windows their X id)


def main():
    x, y, width, height = map(int, sys.argv[1:5])
    window = Gtk.Window(title="cover")
    window.set_default_size(width, height)
    window.move(x, y)

    def mapped(widget, _event):
        print(hex(widget.get_window().get_xid()), flush=True)
        return False
    window.connect("map-event", mapped)
    window.connect("destroy", Gtk.main_quit)
    window.show_all()
    Gtk.main()


if __name__ == "__main__":
    main()
