#!/usr/bin/env python3
"""Points a PE image's load configuration directory at its _load_config_used structure.

Usage: pe_load_config.py IMAGE MAP

MSVC's linker does this itself; GNU ld 2.40 does not, so the mingw-w64 build runs this after the
link. The structure's address comes from the linker's map file (the image is stripped), its size
from its own first field. An image whose directory already points there is left as it is.
"""

import re
import struct
import sys

LOAD_CONFIG = 10  # the load configuration's index among the data directories


def fail(message):
    sys.exit(f"pe_load_config.py: {message}")


def symbol_address(map_path):
    # "                0x0000000140009000                _load_config_used"; i386 adds a "_".
    pattern = re.compile(r"^\s+0x([0-9a-fA-F]+)\s+_?_load_config_used\s*$")
    with open(map_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = pattern.match(line)
            if m:
                return int(m.group(1), 16)
    fail(f"no _load_config_used in {map_path}")


def main():
    if len(sys.argv) != 3:
        fail("usage: pe_load_config.py IMAGE MAP")
    image_path, map_path = sys.argv[1:]
    with open(image_path, "rb") as f:
        image = bytearray(f.read())

    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        fail(f"{image_path} is no PE image")
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    if magic == 0x20B:  # PE32+
        image_base = struct.unpack_from("<Q", image, optional + 24)[0]
        directories = optional + 112
    elif magic == 0x10B:  # PE32
        image_base = struct.unpack_from("<I", image, optional + 28)[0]
        directories = optional + 96
    else:
        fail(f"unknown optional header magic {magic:#x}")
    count = struct.unpack_from("<I", image, directories - 4)[0]
    if count <= LOAD_CONFIG:
        fail("the image has no room for a load configuration directory")

    rva = symbol_address(map_path) - image_base
    offset = None
    table = optional + optional_size
    for i in range(sections):
        size, address, raw_size, raw_offset = struct.unpack_from("<IIII", image,
                                                                 table + 40 * i + 8)
        if address <= rva < address + min(size, raw_size):
            offset = raw_offset + rva - address
    if offset is None:
        fail(f"_load_config_used at {rva:#x} lies in no section of the file")
    config_size = struct.unpack_from("<I", image, offset)[0]

    entry = directories + 8 * LOAD_CONFIG
    current = struct.unpack_from("<II", image, entry)
    if current == (rva, config_size):
        return
    if current != (0, 0):
        fail(f"the load configuration directory points elsewhere already: {current}")
    struct.pack_into("<II", image, entry, rva, config_size)
    with open(image_path, "wb") as f:
        f.write(image)


if __name__ == "__main__":
    main()
