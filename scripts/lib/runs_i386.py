#!/usr/bin/env python3
"""Exits 0 when this machine's kernel runs 32-bit x86 programs, else 1 and says why.

Wine's 32-bit part (Debian's wine32:i386) is such a program. Where the kernel has no 32-bit
support, it cannot start, and once installed it takes the `wine` command over from wine64, so
that nothing starts under Wine any more: scripts/test asks this before it installs it. The test
is a minimal 32-bit x86 program (an ELF header, one segment, exit(0) through int 0x80), written
to a temporary file and run.
"""

import os
import struct
import subprocess
import sys
import tempfile

BASE = 0x08048000  # the customary load address of a 32-bit x86 program
HEADER, SEGMENT = 52, 32  # sizes of the ELF header and of one program header
CODE = bytes.fromhex("b801000000" "31db" "cd80")  # mov eax, 1 (exit); xor ebx, ebx; int 0x80


def program():
    size = HEADER + SEGMENT + len(CODE)
    ident = b"\x7fELF" + bytes([1, 1, 1, 0]) + bytes(8)  # 32-bit, little-endian, version 1
    header = ident + struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, BASE + HEADER + SEGMENT, HEADER, 0,
                                 0, HEADER, SEGMENT, 1, 0, 0, 0)  # executable for i386
    segment = struct.pack("<IIIIIIII", 1, 0, BASE, BASE, size, size, 5, 0x1000)  # load, r-x
    return header + segment + CODE


def main():
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "i386-exit0")
        with open(path, "wb") as f:
            f.write(program())
        os.chmod(path, 0o755)
        try:
            rc = subprocess.run([path], timeout=10).returncode
        except OSError as e:
            print(f"this machine's kernel runs no 32-bit x86 programs ({e.strerror})")
            return 1
    if rc != 0:
        print(f"a 32-bit x86 program ended with {rc}, not 0")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
