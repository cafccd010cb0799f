"""Writes the program's icon as raw pixels for the Linux program: res/icons/SIZE.png decoded to
RGBA rows, one byte array per size, in one C++ source. The window icon is made from these
bytes, so the program decodes no image and looks nothing up in the icon theme.

    python3 cmake/icon_pixels.py OUTPUT.cpp 16.png 24.png ...

Each PNG is 8-bit RGBA, not interlaced, square (what res/make-icon.sh renders). The output
holds the bytes alone: no date, no path.
"""

import os
import struct
import sys
import zlib


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def rgba_rows(path):
    """The image's size and its pixels, RGBA row by row without filter bytes."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"{path}: not a PNG file")
    at, header, packed = 8, None, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            packed += body
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if (depth, colour, interlace) != (8, 6, 0) or width != height:
        raise SystemExit(f"{path}: not a square 8-bit RGBA image without interlacing")
    raw = zlib.decompress(packed)
    stride = width * 4
    out = bytearray()
    previous = bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = line[x - 4] if x >= 4 else 0
            up = previous[x]
            corner = previous[x - 4] if x >= 4 else 0
            predicted = (0, left, up, (left + up) // 2, paeth(left, up, corner))[kind]
            line[x] = (line[x] + predicted) & 0xFF
        out += line
        previous = line
    return width, bytes(out)


def main(argv):
    output, sources = argv[0], argv[1:]
    text = ["// Generated from res/icons by cmake/icon_pixels.py; do not edit.",
            '#include "platform/gtk/BuiltInIcons.h"', "", "namespace gtk {", "", "namespace {", ""]
    table = []
    for source in sources:
        size, pixels = rgba_rows(source)
        text.append(f"const unsigned char kIcon{size}[] = {{")
        for at in range(0, len(pixels), 16):
            text.append("  " + ",".join(f"0x{b:02x}" for b in pixels[at:at + 16]) + ",")
        text += ["};", ""]
        table.append(f"    {{{size}, kIcon{size}}},")
    text += ["const IconImage kIcons[] = {"] + table + ["};", "", "}  // namespace", "",
             "std::span<const IconImage> BuiltInIcons() {", "  return kIcons;", "}", "",
             "}  // namespace gtk", ""]
    with open(output + ".tmp", "w", newline="\n") as f:
        f.write("\n".join(text))
    os.replace(output + ".tmp", output)


if __name__ == "__main__":
    main(sys.argv[1:])
