#!/usr/bin/env python3
"""Makes the Windows Installer package from res/windows/vorlix.wxs with wixl, then sets in it
what wixl cannot: run by cmake/cpack/MakeMsi.cmake.

Two runs for one commit give the same bytes: the inputs are copied into a folder of their own
with the commit's time (the cabinet takes the files' times), wixl runs in UTC, and its summary
information gets the commit's time and a package code of our own instead of wixl's time and
random code. The product code comes from the version, the architecture and the commit; the
package code from these and the inputs' bytes, so that a package built from changed files never
shares its code with another. Outside a git checkout both are random, as wixl draws them.

Usage: make_msi.py --wxs F --exe F --license F --readme F --icon F --version V
                   --file-version A.B.C.D --arch x86_64|i686 --publisher P [--commit SHA]
                   [--epoch SECONDS] -o OUT.msi
"""

import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import uuid

import compound_file

# The upgrade code, fixed for every version: the root of the codes derived here too.
UPGRADE_CODE = uuid.UUID("90B8BF37-CD22-4217-ABDD-6FE1D3280745")
WIXL_ARCH = {"x86_64": "x64", "i686": "x86"}
# Upgrade attributes: carry the installed features over, and replace the same version too (a
# build of another commit has another product code; without this both would stay installed).
MIGRATE_FEATURES, VERSION_MAX_INCLUSIVE = 0x1, 0x200
# Summary word count: compressed files, no administrator rights needed.
WORD_COUNT = 0x2 | 0x8


def braced(code):
    return "{" + str(code).upper() + "}"


def codes(version, arch, commit, inputs):
    """The product and package codes."""
    if not commit:
        return braced(uuid.uuid4()), braced(uuid.uuid4())
    digest = hashlib.sha256()
    for path in inputs:
        with open(path, "rb") as f:
            digest.update(hashlib.sha256(f.read()).digest())
    product = uuid.uuid5(UPGRADE_CODE, f"product {version} {arch} {commit}")
    package = uuid.uuid5(UPGRADE_CODE, f"package {version} {arch} {commit} {digest.hexdigest()}")
    return braced(product), braced(package)


def run(argv, **kw):
    p = subprocess.run(argv, capture_output=True, text=True, **kw)
    # wixl and msibuild say what went wrong on stderr; a warning fails the build as well.
    said = (p.stderr + p.stdout).strip()
    if p.returncode != 0 or "WARNING" in said or "error" in said.lower():
        sys.exit(f"{argv[0]} failed ({p.returncode}): {said}")


def make(args):
    epoch = args.epoch if args.epoch is not None else int(time.time())
    sources = {"vorlix.wxs": args.wxs, "vorlix.exe": args.exe, "LICENSE": args.license,
               "README.txt": args.readme, "vorlix.ico": args.icon}
    product, package = codes(args.version, args.arch, args.commit, sources.values())
    with tempfile.TemporaryDirectory() as folder:
        for name, source in sources.items():
            shutil.copyfile(source, os.path.join(folder, name))
            os.utime(os.path.join(folder, name), (epoch, epoch))
        out = os.path.join(folder, "vorlix.msi")
        # wixl finds the sources in the folder it runs in.
        env = dict(os.environ, TZ="UTC", SOURCE_DATE_EPOCH=str(epoch))
        run(["wixl", "-a", WIXL_ARCH[args.arch], "-D", f"ProductCode={product}",
             "-D", f"PackageCode={package}", "-D", f"Version={args.version}",
             "-D", f"Publisher={args.publisher}", "-o", out, "vorlix.wxs"], cwd=folder, env=env)
        # The attributes are part of the row's key, so the row is written anew.
        run(["msibuild", out,
             "-q", "DELETE FROM `Upgrade` WHERE `ActionProperty` = 'WIX_UPGRADE_DETECTED'",
             "-q", "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMax`, `Attributes`, "
                   "`ActionProperty`) VALUES "
                   f"('{braced(UPGRADE_CODE)}', '{args.version}', "
                   f"{MIGRATE_FEATURES | VERSION_MAX_INCLUSIVE}, 'WIX_UPGRADE_DETECTED')",
             # The program is a versioned file, which wixl does not see: such a file is
             # compared by its version, not by a hash.
             "-q", f"UPDATE `File` SET `Version` = '{args.file_version}' "
                   "WHERE `File` = 'vorlix.exe'",
             "-q", "DELETE FROM `MsiFileHash` WHERE `File_` = 'vorlix.exe'"],
            cwd=folder, env=env)
        with open(out, "rb") as f:
            data = bytearray(f.read())
    stamp = compound_file.filetime(epoch)
    compound_file.set_summary(data, {
        compound_file.PID_REVNUMBER: package, compound_file.PID_CREATE_DTM: stamp,
        compound_file.PID_LASTSAVE_DTM: stamp, compound_file.PID_WORDCOUNT: WORD_COUNT})
    written = compound_file.summary(bytes(data))
    if written[compound_file.PID_REVNUMBER] != package:
        sys.exit("the package code did not take")
    with open(args.output, "wb") as f:
        f.write(data)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for name in ("wxs", "exe", "license", "readme", "icon", "version", "file-version",
                 "publisher"):
        ap.add_argument(f"--{name}", required=True)
    ap.add_argument("--arch", required=True, choices=sorted(WIXL_ARCH))
    ap.add_argument("--commit", default="")
    ap.add_argument("--epoch", type=int)
    ap.add_argument("-o", "--output", required=True)
    make(ap.parse_args())


if __name__ == "__main__":
    main()
