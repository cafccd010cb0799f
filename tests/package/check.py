#!/usr/bin/env python3
"""Checks the packages that cpack made: the Debian package of the Linux tree and the zips of the
Windows trees (build/linux, build/windows, build/windows-i686, each with its SHA256SUMS).

Usage (as root, after the builds and cpack): check.py [--results FILE] [--no-install]
Prints "PASS name", "FAIL name: why" or "SKIP name: why" per check and writes each as a line
"package<TAB>name<TAB>passed|failed|skipped<TAB>detail" to FILE. With --no-install the package
is not installed into the machine (and removed again) with apt. Starting the packaged programs
is for the end-to-end scenarios (tests/e2e/scenarios_install.py), inside the test network.
"""

import argparse
import io
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tarfile
import tempfile
import traceback
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
BUILD = os.path.join(REPO, "build")
DESKTOP_EXEC = os.path.join(HERE, "desktop_exec.py")
APP_ID = "org.vorlix.Vorlix"
DEB_FILES = os.path.join(HERE, "deb-files.txt")
ZIP_NAMES = ["LICENSE", "README.txt", "vorlix.exe"]
PE_MACHINES = {"win64": 0x8664, "win32": 0x14C}  # IMAGE_FILE_MACHINE_AMD64, _I386
APT = ["apt-get", "-o", "DPkg::Lock::Timeout=900", "-y", "-qq"]

CHECKS = []


class Failure(Exception):
    pass


class Skip(Exception):
    pass


def check(name):
    def register(fn):
        CHECKS.append((name, fn))
        return fn
    return register


def expect(cond, message):
    if not cond:
        raise Failure(message)


def run(argv, **kw):
    return subprocess.run(argv, capture_output=True, text=True, timeout=600, **kw)


def project_version():
    with open(os.path.join(REPO, "CMakeLists.txt")) as f:
        return re.search(r"project\(Vorlix VERSION (\S+)", f.read()).group(1)


def source_date():
    """The time the packages' entries should carry: the commit's, unless set for the build."""
    if "SOURCE_DATE_EPOCH" in os.environ:
        return int(os.environ["SOURCE_DATE_EPOCH"])
    return int(run(["git", "-C", REPO, "log", "-1", "--format=%ct"]).stdout)


def packages(tree):
    """The packages that SHA256SUMS in build/TREE lists, each checked against its hash."""
    sums = os.path.join(BUILD, tree, "SHA256SUMS")
    expect(os.path.isfile(sums), f"no {sums}: run cpack --preset {tree}")
    p = run(["sha256sum", "--check", "--strict", "SHA256SUMS"], cwd=os.path.dirname(sums))
    expect(p.returncode == 0, f"{sums}: {(p.stdout + p.stderr).strip()}")
    with open(sums) as f:
        return [os.path.join(BUILD, tree, line.split("  ", 1)[1].strip()) for line in f]


def deb():
    found = packages("linux")
    arch = run(["dpkg", "--print-architecture"]).stdout.strip()
    want = f"vorlix_{project_version()}_{arch}.deb"
    expect([os.path.basename(p) for p in found] == [want],
           f"build/linux/SHA256SUMS lists {[os.path.basename(p) for p in found]}, want [{want}]")
    return found[0]


def unpacked_deb(root):
    p = run(["dpkg-deb", "-x", deb(), root])
    expect(p.returncode == 0, f"dpkg-deb -x: {p.stderr.strip()}")
    return os.path.join(root, "usr", "share")


# -- the Debian package -------------------------------------------------------------------------


@check("the Debian package holds the expected files, with their modes and owners")
def deb_files():
    listing = run(["dpkg-deb", "--contents", deb()]).stdout.splitlines()
    got = [" ".join([f[0], f[1], f[5]]) for f in (line.split() for line in listing)]
    with open(DEB_FILES) as f:
        want = [line.strip() for line in f if line.strip() and not line.startswith("#")]
    missing, extra = sorted(set(want) - set(got)), sorted(set(got) - set(want))
    expect(not missing and not extra, f"missing {missing}; not expected {extra}")
    data = subprocess.run(["dpkg-deb", "--fsys-tarfile", deb()], capture_output=True,
                          check=True).stdout
    times = {e.mtime for e in tarfile.open(fileobj=io.BytesIO(data))}
    expect(times == {source_date()}, f"entry times {sorted(times)}, want {source_date()}")


@check("the Debian package's control fields")
def deb_control():
    fields = dict(re.findall(r"^(\S+): (.*)$", run(["dpkg-deb", "--field", deb()]).stdout, re.M))
    problems = [f"{k} is {fields.get(k)!r}, want {v!r}" for k, v in
                {"Package": "vorlix", "Version": project_version(), "Section": "net",
                 "Priority": "optional"}.items() if fields.get(k) != v]
    depends = fields.get("Depends", "")
    for needed in ("fonts-ipafont-gothic | fonts-noto-cjk", "libgtk-3-0", "libc6"):
        if needed not in depends:
            problems.append(f"Depends lacks {needed!r}: {depends!r}")
    expect(not problems, "; ".join(problems))


@check("lintian finds no error and no warning in the Debian package")
def lintian():
    p = run(["lintian", "--fail-on", "error,warning", deb()])
    for line in p.stdout.splitlines():
        print(f"  {line}")
    expect(p.returncode == 0, f"lintian: {p.stdout.strip() or p.stderr.strip()}")


@check("the packaged desktop entry and AppStream metadata are valid")
def validators():
    with tempfile.TemporaryDirectory() as root:
        share = unpacked_deb(root)
        entry = os.path.join(share, "applications", f"{APP_ID}.desktop")
        metainfo = os.path.join(share, "metainfo", f"{APP_ID}.metainfo.xml")
        problems = []
        for argv in (["desktop-file-validate", entry],
                     ["appstreamcli", "validate", "--no-net", metainfo]):
            p = run(argv)
            if p.returncode != 0 or (argv[0] == "desktop-file-validate" and p.stdout.strip()):
                problems.append(f"{argv[0]}: {(p.stdout + p.stderr).strip()}")
        with open(metainfo) as f:
            release = re.search(r'<release version="([^"]+)"', f.read())
        if not release or release.group(1) != project_version():
            problems.append(f"the latest release is {release and release.group(1)}, want "
                            f"{project_version()}")
    expect(not problems, "; ".join(problems))


# Where the desktop entry's command runs the program: (XDG_CONFIG_HOME or None, folder under
# the temporary home).
LAUNCH_CASES = [(None, ".config/vorlix"), ("", ".config/vorlix"),
                ("relative/config", ".config/vorlix"), ("{home}/elsewhere", "elsewhere/vorlix")]


@check("the desktop entry's command makes the settings folder and starts the program in it")
def desktop_exec_folder():
    problems = []
    with tempfile.TemporaryDirectory() as root:
        unpacked_deb(root)
        stub = os.path.join(root, "stub")
        os.mkdir(stub)
        # A stand-in for the program, first on the PATH, that says where it was started.
        with open(os.path.join(stub, "vorlix"), "w") as f:
            f.write('#!/bin/sh\npwd > "$HOME/started-in"\n')
        os.chmod(os.path.join(stub, "vorlix"), 0o755)
        env = {"PATH": f"{stub}:/usr/bin:/bin", "LANG": "C.UTF-8"}
        entry = os.path.join(root, "usr", "share", "applications", f"{APP_ID}.desktop")
        p = run([DESKTOP_EXEC, entry], env=env)
        expect(p.returncode == 0, f"desktop_exec.py: {p.stderr.strip()}")
        argv = json.loads(p.stdout)
        for n, (config, folder) in enumerate(LAUNCH_CASES):
            home = os.path.join(root, f"home {n}")  # a space, as a home may have
            os.mkdir(home)
            case_env = dict(env, HOME=home)
            if config is not None:
                case_env["XDG_CONFIG_HOME"] = config.format(home=home)
            rc = subprocess.run(argv, env=case_env, cwd=home, timeout=30).returncode
            try:
                with open(os.path.join(home, "started-in")) as f:
                    where = f.read().strip()
            except FileNotFoundError:
                where = None
            if rc != 0 or where != os.path.join(home, folder):
                problems.append(f"XDG_CONFIG_HOME={config!r}: exit {rc}, started in {where}, "
                                f"want {os.path.join(home, folder)}")
    expect(not problems, "; ".join(problems))


@check("apt installs the package (vorlix on the PATH and in the menu) and removes it wholly")
def apt_round_trip():
    if ARGS.no_install:
        raise Skip("--no-install")
    if run(["dpkg-query", "-W", "-f=${Status}", "vorlix"]).stdout.startswith("install"):
        raise Skip("a vorlix package is installed on this machine already; left as it is")
    paths = [f.split()[5][1:] for f in
             run(["dpkg-deb", "--contents", deb()]).stdout.splitlines()]
    before = {p for p in paths if os.path.lexists(p)}
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    p = run([*APT, "install", deb()], env=env)
    expect(p.returncode == 0, f"apt-get install: {p.stderr.strip()[-400:]}")
    problems = []
    try:
        found = shutil.which("vorlix", path="/usr/local/bin:/usr/bin:/bin")
        if found != "/usr/bin/vorlix":
            problems.append(f"vorlix on the PATH is {found}")
        p = run([DESKTOP_EXEC, f"{APP_ID}.desktop"], env={"PATH": "/usr/bin:/bin"})
        if p.returncode != 0:
            problems.append(f"the menu's lookup of {APP_ID}.desktop: {p.stderr.strip()}")
        if run(["man", "-w", "vorlix"]).returncode != 0:
            problems.append("man finds no page vorlix")
    finally:
        p = run([*APT, "purge", "vorlix"], env=env)
        expect(p.returncode == 0, f"apt-get purge: {p.stderr.strip()[-400:]}")
    left = sorted(p for p in paths if os.path.lexists(p) and p not in before)
    if left:
        problems.append(f"left after the removal: {left}")
    expect(not problems, "; ".join(problems))


# -- the zips -----------------------------------------------------------------------------------


def extended_time(extra):
    """The modification time in a zip entry's extended time stamp field, or None."""
    at = 0
    while at + 4 <= len(extra):
        tag, size = struct.unpack_from("<HH", extra, at)
        if tag == 0x5455 and size >= 5 and extra[at + 4] & 1:
            return struct.unpack_from("<I", extra, at + 5)[0]
        at += 4 + size
    return None


def zip_check(tree, bits):
    found = packages(tree)
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
    if readme.count(b"\n") != readme.count(b"\r\n") or project_version().encode() not in readme:
        problems.append("README.txt has a line that does not end in CR LF, or lacks the version")
    with open(os.path.join(REPO, "LICENSE"), "rb") as f:
        if licence != f.read():
            problems.append("its LICENSE is not the project's")
    if times != {source_date()}:
        problems.append(f"entry times {sorted(times)}, want {source_date()}")
    expect(not problems, "; ".join(problems))


@check("the 64-bit zip holds vorlix.exe, LICENSE and README.txt with Windows line ends")
def zip64():
    zip_check("windows", "win64")


@check("the 32-bit zip holds vorlix.exe, LICENSE and README.txt with Windows line ends")
def zip32():
    zip_check("windows-i686", "win32")


@check("no folder of the checkout is compiled into the programs")
def no_build_paths():
    programs = [os.path.join(BUILD, *p) for p in
                (("linux", "vorlix"), ("windows", "vorlix.exe"), ("windows-i686", "vorlix.exe"))]
    leaking = []
    for path in programs:
        with open(path, "rb") as f:
            if REPO.encode() in f.read():
                leaking.append(os.path.relpath(path, REPO))
    expect(not leaking, f"{REPO} is in {leaking}")


def main():
    global ARGS
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--results", help="write each result as a TSV line to this file")
    ap.add_argument("--no-install", action="store_true", help="do not install with apt")
    ARGS = ap.parse_args()
    failed = 0
    out = open(ARGS.results, "w") if ARGS.results else None
    for name, fn in CHECKS:
        status, detail = "passed", ""
        try:
            fn()
        except Skip as e:
            status, detail = "skipped", str(e)
        except Failure as e:
            status, detail = "failed", str(e)
        except Exception:  # a broken check fails, with its trace in the log
            status, detail = "failed", traceback.format_exc(limit=3).strip().replace("\n", " | ")
        failed += status == "failed"
        word = {"passed": "PASS", "failed": "FAIL", "skipped": "SKIP"}[status]
        print(f"{word} {name}" + (f": {detail}" if detail else ""), flush=True)
        if out:
            detail = detail.replace("\t", " ").replace("\n", " ")
            out.write(f"package\t{name}\t{status}\t{detail}\n")
    if out:
        out.close()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
