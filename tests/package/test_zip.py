"""Checks of the zips of the Windows trees (build/windows, build/windows-i686) and of the
programs of every tree: no folder of the checkout in them.
"""

import os
import struct
import zipfile

import pytest

from cpack_output import BUILD, REPO, expect, packages, project_version, source_date

ZIP_NAMES = ["LICENSE", "README.txt", "vorlix.exe"]
PE_MACHINES = {"win64": 0x8664, "win32": 0x14C}  # IMAGE_FILE_MACHINE_AMD64, _I386


def extended_time(extra):
    """The modification time in a zip entry's extended time stamp field, or None."""
    at = 0
    while at + 4 <= len(extra):
        tag, size = struct.unpack_from("<HH", extra, at)
        if tag == 0x5455 and size >= 5 and extra[at + 4] & 1:
            return struct.unpack_from("<I", extra, at + 5)[0]
        at += 4 + size
    return None


@pytest.mark.parametrize("tree, bits", [("windows", "win64"), ("windows-i686", "win32")])
def test_zip(tree, bits):
    """The zip of each Windows tree holds vorlix.exe, LICENSE and README.txt with Windows line
    ends."""
    found = [p for p in packages(tree) if p.endswith(".zip")]
    want = f"vorlix-{project_version()}-{bits}.zip"
    expect([os.path.basename(p) for p in found] == [want],
           f"build/{tree}/SHA256SUMS lists {[os.path.basename(p) for p in found]}, want [{want}]")
    problems = []
    with zipfile.ZipFile(found[0]) as z:
        names = sorted(z.namelist())
        expect(names == ZIP_NAMES, f"the zip holds {names}, want {ZIP_NAMES}")
        exe, readme, licence = (z.read(n) for n in ("vorlix.exe", "README.txt", "LICENSE"))
        times = {extended_time(i.extra) for i in z.infolist()}
    with open(os.path.join(BUILD, tree, "vorlix.exe"), "rb") as f:
        if exe != f.read():
            problems.append(f"its vorlix.exe is not build/{tree}/vorlix.exe")
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    machine, stamp = struct.unpack_from("<H2xI", exe, pe + 4)
    if machine != PE_MACHINES[bits] or stamp != 0:
        problems.append(f"vorlix.exe: machine {machine:#x}, time stamp {stamp}; want "
                        f"{PE_MACHINES[bits]:#x} and 0")
    # The manifest is UTF-8 text in the resources, the version block's strings UTF-16.
    if b'<requestedExecutionLevel level="asInvoker"' not in exe:
        problems.append("vorlix.exe's manifest does not ask for asInvoker")
    key = "LegalCopyright\0".encode("utf-16-le")
    at = exe.find(key) + len(key)  # the value follows, aligned to four bytes
    with open(os.path.join(REPO, "LICENSE")) as f:
        holder = [line for line in f.read().splitlines() if line.startswith("Copyright (c) ")]
    if at < len(key) or holder[0].encode("utf-16-le") not in exe[at:at + 2 + 2 * len(holder[0])]:
        problems.append(f"vorlix.exe's LegalCopyright is not LICENSE's {holder[0]!r}")
    if readme.count(b"\n") != readme.count(b"\r\n") or project_version().encode() not in readme:
        problems.append("README.txt has a line that does not end in CR LF, or lacks the version")
    with open(os.path.join(REPO, "LICENSE"), "rb") as f:
        if licence != f.read():
            problems.append("its LICENSE is not the project's")
    if times != {source_date()}:
        problems.append(f"entry times {sorted(times)}, want {source_date()}")
    expect(not problems, "; ".join(problems))


def test_no_build_paths():
    """No folder of the checkout is compiled into the programs."""
    programs = [os.path.join(BUILD, *p) for p in
                (("linux", "vorlix"), ("windows", "vorlix.exe"), ("windows-i686", "vorlix.exe"))]
    leaking = []
    for path in programs:
        with open(path, "rb") as f:
            if REPO.encode() in f.read():
                leaking.append(os.path.relpath(path, REPO))
    expect(not leaking, f"{REPO} is in {leaking}")
