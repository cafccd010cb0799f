"""Reads a Windows shortcut (.lnk, the Shell Link Binary File Format): the path it starts, its
working folder and its icon, as the Start menu would take them.
"""

import struct

HEADER_SIZE = 0x4C
HAS_ID_LIST, HAS_LINK_INFO, IS_UNICODE = 0x1, 0x2, 0x80
# The optional strings in their order, each with the flag that says it is there.
STRINGS = [("description", 0x4), ("relative_path", 0x8), ("working_dir", 0x10),
           ("arguments", 0x20), ("icon", 0x40)]


def read(data):
    """{"target", "description", "working_dir", "arguments", "icon", ...}: the strings the
    shortcut holds; "target" is the local path of its link information."""
    if len(data) < HEADER_SIZE or struct.unpack_from("<I", data, 0)[0] != HEADER_SIZE:
        raise ValueError("not a shell link")
    flags = struct.unpack_from("<I", data, 0x14)[0]
    at = HEADER_SIZE
    if flags & HAS_ID_LIST:
        at += 2 + struct.unpack_from("<H", data, at)[0]
    found = {}
    if flags & HAS_LINK_INFO:
        size, _, _, _, base = struct.unpack_from("<5I", data, at)
        if base:
            end = data.index(b"\0", at + base)
            found["target"] = data[at + base:end].decode("latin-1")
        at += size
    for name, flag in STRINGS:
        if flags & flag:
            count = struct.unpack_from("<H", data, at)[0]
            at += 2
            width = 2 if flags & IS_UNICODE else 1
            raw = data[at:at + count * width]
            found[name] = raw.decode("utf-16-le" if width == 2 else "latin-1").rstrip("\0")
            at += count * width
    return found
