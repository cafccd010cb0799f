#!/usr/bin/env python3
"""Figures for the saves of the settings file, with the program's own file code in a small
writer (save_writer.cpp) built from a source tree: this one, or an earlier commit's (--rev).

  kills    a writer saving in a loop, killed (SIGKILL) at a random moment, ROUNDS times: how
           often Vorlix.ini was then missing, whole or not whole, and how many files were left
           beside it at the end (under Wine; --linux: the Linux build)
  writers  two writers saving SAVES times each into one folder at once, and a third process
           looking for the file meanwhile: how often it was missing, how many saves failed, and
           what was left
  cases    the cases of a save that a replace alone cannot make, on the Linux build, as a user
           who is not root (vxtest) where that matters: saved or not, written in place or
           replaced, what was kept and left

Usage (as root): bench/saves.sh [--rev REV] [--linux] [--rounds N] [--saves N] kills|writers|cases
"""

import argparse
import os
import pwd
import random
import re
import shutil
import signal
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
BENCH = os.path.join(REPO, "build", "bench")
sys.path.insert(0, os.path.join(REPO, "scripts", "lib"))
import wine_prefix  # noqa: E402

PREFIX = os.path.join(BENCH, "saves-prefix")
USER = "vxtest"
WHOLE = re.compile(rb"MainFormPosX=(\d+)\r\nMainFormPosY=\1\r\nConfigFormPosX=201\r\n"
                   rb"ConfigFormPosY=107\r\nIP=198\.18\.0\.20\r\nTimeOut=\d+\r\nAutoPing=[01]\r\n"
                   rb"PingTime=1\r\nStayOnTop=1\r\n\Z")
SEED = (b"MainFormPosX=0\r\nMainFormPosY=0\r\nConfigFormPosX=201\r\nConfigFormPosY=107\r\n"
        b"IP=198.18.0.20\r\nTimeOut=0\r\nAutoPing=0\r\nPingTime=1\r\nStayOnTop=1\r\n")
# The sources of the writer, as far as a tree has them.
WIN32_SOURCES = ["platform/win32/" + n for n in ("Win32Files.cpp", "Utf.cpp", "FileSteps.cpp",
                                                 "FileSecurity.cpp", "Leftovers.cpp",
                                                 "TemporaryFile.cpp")]
POSIX_SOURCES = ["platform/posix/" + n for n in ("PosixFiles.cpp", "LinkTarget.cpp",
                                                 "TemporaryFile.cpp", "Leftovers.cpp",
                                                 "ExtendedAttributes.cpp")]
COMMON_SOURCES = ["framework/PlatformError.cpp", "framework/TemporaryName.cpp",
                  "base/Exception.cpp"]


def source_tree(rev):
    """The src folder of this tree, or of commit rev (extracted once under build/bench)."""
    if rev is None:
        return os.path.join(REPO, "src"), "this tree"
    folder = os.path.join(BENCH, f"src-{rev}")
    if not os.path.isdir(folder):
        os.makedirs(folder)
        archive = subprocess.run(["git", "-C", REPO, "archive", rev, "src"], check=True,
                                 capture_output=True).stdout
        subprocess.run(["tar", "-x", "-C", folder], input=archive, check=True)
    return os.path.join(folder, "src"), rev


def build_writer(src, linux):
    """The writer built from the tree's file code; its path."""
    label = re.sub(r"\W", "-", src.strip("/"))
    out = os.path.join(BENCH, f"save_writer-{label}" + ("" if linux else ".exe"))
    files = [os.path.join(src, f) for f in (POSIX_SOURCES if linux else WIN32_SOURCES)
             + COMMON_SOURCES if os.path.isfile(os.path.join(src, f))]
    if linux:
        cmd = ["g++", "-std=c++20", "-O2", "-I", src, "-o", out]
    else:
        cmd = ["x86_64-w64-mingw32-g++", "-std=c++20", "-O2", "-static", "-DUNICODE",
               "-D_UNICODE", "-I", src, "-o", out]
    subprocess.run(cmd + [os.path.join(HERE, "save_writer.cpp"), *files] +
                   ([] if linux else ["-ladvapi32"]), check=True)
    return out


def wine_env():
    return {**os.environ, **wine_prefix.NO_BUS, "WINEPREFIX": PREFIX, "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": wine_prefix.QUIET_OVERRIDES}


def start(writer, linux, folder, *args):
    argv = [writer, *args] if linux else ["wine", writer, *args]
    return subprocess.Popen(argv, cwd=folder, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                            env=None if linux else wine_env(), text=True)


def fresh_folder(name):
    folder = os.path.join(BENCH, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    with open(os.path.join(folder, "Vorlix.ini"), "wb") as f:
        f.write(SEED)
    return folder


def state(folder):
    """missing, whole or broken, and the other names in the folder."""
    path = os.path.join(folder, "Vorlix.ini")
    others = sorted(set(os.listdir(folder)) - {"Vorlix.ini", "stop"})
    if not os.path.exists(path):
        return "missing", others
    with open(path, "rb") as f:
        content = f.read()
    return ("whole" if WHOLE.match(content) or content == SEED else "broken"), others


def bench_kills(args, writer, what):
    folder = fresh_folder("saves-kills")
    counts = {"missing": 0, "whole": 0, "broken": 0}
    most_left = 0
    for _ in range(args.rounds):
        prog = start(writer, args.linux, folder, "loop", "0")
        if prog.stdout.readline().strip() != "saving":
            raise SystemExit("the writer did not start")
        time.sleep(random.uniform(0, 0.2))
        os.kill(prog.pid, signal.SIGKILL)
        prog.wait()
        found, others = state(folder)
        counts[found] += 1
        most_left = max(most_left, len(others))
    _, others = state(folder)
    print(f"kills, {what}, {'Linux' if args.linux else 'Wine'}, {args.rounds} rounds: "
          f"Vorlix.ini missing after {counts['missing']}, whole after {counts['whole']}, "
          f"not whole after {counts['broken']}; {len(others)} files left beside it at the end "
          f"(at most {most_left} after a kill){': ' + ', '.join(others[:6]) if others else ''}")


def bench_writers(args, writer, what):
    folder = fresh_folder("saves-writers")
    watcher = start(writer, args.linux, folder, "watch")
    watcher.stdout.readline()
    writers = [start(writer, args.linux, folder, "loop", str(args.saves)) for _ in range(2)]
    results = [w.communicate()[0].split("\n", 1)[1].strip() for w in writers]
    open(os.path.join(folder, "stop"), "w").close()
    looked = watcher.communicate()[0].strip()
    found, others = state(folder)
    print(f"two writers, {what}, {'Linux' if args.linux else 'Wine'}, {args.saves} saves each: "
          f"{looked}; writers: {' / '.join(results)}; at the end the file is {found}, "
          f"{len(others)} files left beside it{': ' + ', '.join(others[:6]) if others else ''}")


# An access list as "setfacl -m u:12345:rw" makes it on a 0644 file, in the kernel's form.
ACL = struct.pack("<I" + "HHI" * 5, 2, 0x01, 6, 0xFFFFFFFF, 0x02, 6, 12345, 0x04, 4,
                  0xFFFFFFFF, 0x10, 6, 0xFFFFFFFF, 0x20, 4, 0xFFFFFFFF)


def bench_cases(args, writer, what):
    user = pwd.getpwnam(USER)
    base = os.path.join(BENCH, "saves-cases")
    subprocess.run(["chattr", "-R", "-i", base], stderr=subprocess.DEVNULL)
    shutil.rmtree(base, ignore_errors=True)
    os.makedirs(base)
    os.chmod(base, 0o755)

    def case(name, as_user, make):
        """make(home, locked) builds the case and gives the path the save names; the writer
        saves once; what it found and left."""
        home = os.path.join(base, name.split(":")[0].replace(" ", "-"))
        locked = os.path.join(home, "locked")
        os.makedirs(locked)
        os.chown(home, user.pw_uid, user.pw_gid)
        name_path, target = make(home, locked)
        inode = os.stat(target).st_ino
        before = set(os.listdir(locked)), set(os.listdir(home))
        os.chmod(writer, 0o755)
        run = ["runuser", "-u", USER, "--"] if as_user else []
        out = subprocess.run([*run, writer, "loop", "1"], cwd=os.path.dirname(name_path),
                             capture_output=True, text=True).stdout
        saved = "saved 1" in out
        with open(target, "rb") as f:
            content = f.read()
        how = ("in place" if os.stat(target).st_ino == inode else "replaced") if saved else \
            ("untouched" if content == SEED else "CHANGED")
        left = (set(os.listdir(locked)) - before[0]) | (set(os.listdir(home)) - before[1])
        return saved, how, target, left

    rows = []

    def row(name, as_user, make, check=None):
        saved, how, target, left = case(name, as_user, make)
        extra = check(target) if check else ""
        rows.append((name, "vxtest" if as_user else "root", "saved" if saved else "not saved",
                     how, extra, f"{len(left)} left" if left else "nothing left"))

    def seeded(path, mode, owner=None):
        with open(path, "wb") as f:
            f.write(SEED)
        os.chmod(path, mode)
        if owner is not None:
            os.chown(path, owner.pw_uid, owner.pw_gid)
        return path

    def folder_locked(home, locked, mode, owner):
        target = seeded(os.path.join(locked, "Vorlix.ini"), mode, owner)
        os.chmod(locked, 0o555)
        return target, target

    def link_into_locked(home, locked):
        target = seeded(os.path.join(locked, "target.ini"), 0o666)
        os.chmod(locked, 0o555)
        os.symlink(target, os.path.join(home, "Vorlix.ini"))
        return os.path.join(home, "Vorlix.ini"), target

    def immutable(home, locked, link):
        target = seeded(os.path.join(locked, "target.ini" if link else "Vorlix.ini"), 0o666)
        subprocess.run(["chattr", "+i", locked], check=True)
        if link:
            os.symlink(target, os.path.join(home, "Vorlix.ini"))
            return os.path.join(home, "Vorlix.ini"), target
        return target, target

    def long_name(home, locked):
        os.chown(locked, user.pw_uid, user.pw_gid)
        target = seeded(os.path.join(locked, "l" * 250), 0o644, user)
        os.symlink(target, os.path.join(home, "Vorlix.ini"))
        return os.path.join(home, "Vorlix.ini"), target

    def with_acl(home, locked):
        os.chown(locked, user.pw_uid, user.pw_gid)
        target = seeded(os.path.join(locked, "Vorlix.ini"), 0o644, user)
        os.setxattr(target, "system.posix_acl_access", ACL)
        os.setxattr(target, "user.origin", b"by hand")
        return target, target

    def acl_kept(target):
        acl = os.getxattr(target, "system.posix_acl_access") if "system.posix_acl_access" in \
            os.listxattr(target) else None
        attr = os.getxattr(target, "user.origin") if "user.origin" in os.listxattr(target) \
            else None
        return (f"ACL {'kept' if acl == ACL else 'GONE'}, user.origin "
                f"{'kept' if attr == b'by hand' else 'GONE'}, mode {oct(os.stat(target).st_mode & 0o777)}")

    try:
        row("folder 0555, the user's file 0644", True,
            lambda h, l: folder_locked(h, l, 0o644, user))
        row("folder 0555, root's file 0666", True,
            lambda h, l: folder_locked(h, l, 0o666, None))
        row("a link into a folder 0555, target 0666", True, link_into_locked)
        row("a link into an immutable folder, target 0666", False,
            lambda h, l: immutable(h, l, True))
        row("an immutable folder, the file 0666", False, lambda h, l: immutable(h, l, False))
        row("a link to a target of a 250-byte name", True, long_name)
        row("an ACL for a second user and a user.* attribute", True, with_acl, acl_kept)
        row("a file nobody may write (0444), folder 0555", True,
            lambda h, l: folder_locked(h, l, 0o444, user))
    finally:
        subprocess.run(["chattr", "-R", "-i", base], stderr=subprocess.DEVNULL)
    print(f"cases, {what}, Linux:")
    widths = [max(len(r[i]) for r in rows) for i in range(6)]
    for r in rows:
        print("  " + "  ".join(c.ljust(w) for c, w in zip(r, widths)).rstrip())


BENCHES = {"kills": bench_kills, "writers": bench_writers, "cases": bench_cases}


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--rev", help="build the writer from this commit's file code")
    ap.add_argument("--linux", action="store_true", help="the Linux build, not Wine")
    ap.add_argument("--rounds", type=int, default=60)
    ap.add_argument("--saves", type=int, default=3000)
    ap.add_argument("benches", nargs="+", choices=list(BENCHES))
    args = ap.parse_args()
    os.makedirs(BENCH, exist_ok=True)
    src, what = source_tree(args.rev)
    for name in args.benches:
        linux = args.linux or name == "cases"
        writer = build_writer(src, linux)
        if not linux:
            wine_prefix.make(PREFIX)
        BENCHES[name](argparse.Namespace(**{**vars(args), "linux": linux}), writer, what)
    if os.path.isdir(PREFIX):
        subprocess.run(["wineserver", "-k"], env=wine_env())


if __name__ == "__main__":
    main()
