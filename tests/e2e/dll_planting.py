#!/usr/bin/env python3
"""End-to-end tests under Wine: DLLs planted beside vorlix.exe are never loaded.

Usage: dll_planting.py [--exe PATH] [--keep] [-k SUBSTRING]
  (as root; build the helpers first: tests/e2e/run.sh --build-only)

Runs on the rig of e2e.py: its namespaces, Xvfb, Wine prefix and helpers; every program start
happens inside vx-app-N with a Vorlix.ini aimed at a test host.

Stand-ins for the DLLs that the program or the system's DLLs load for it (STANDINS) are built from
standin.cpp for each run: one per name, every export forwarded to a copy of the prefix's own DLL
of that name, placed beside it as sys_NAME.dll, so a program that loads a stand-in still works.
A stand-in writes NAME.dll.loaded beside itself when a process loads it. They go into a folder
with a copy of the program, and Wine is told to prefer them (WINEDLLOVERRIDES=...=n,b), as it
would take a DLL planted in a downloads folder. The program must start, check a test host, show
the result and exit with code 0 without loading any of them; the previous program, which imported
winmm and wsock32 statically, is built from UNPROTECTED_COMMIT and must load them, which shows
that the test catches a planted DLL.

Prints "PASS name" / "FAIL name: reason" per test and "N passed, N failed" at the end.
"""

import argparse
import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import e2e  # noqa: E402  (the rig and its helpers)
from e2e import MAIN_CLASS, Failure, check, exit_text  # noqa: E402

# Non-core DLLs that the program, or the system DLLs it binds, load; core DLLs (kernel32, user32,
# gdi32, imm32, msvcrt, ...) and those that Wine's own start-up imports (version.dll) are not
# planted: the program cannot influence those.
STANDINS = ["winmm", "wsock32", "ws2_32", "icmp", "iphlpapi", "uxtheme", "msimg32", "dnsapi",
            "comctl32", "nsi", "msacm32"]
PREFER_STANDINS = ",".join(STANDINS) + "=n,b"
# The program as it was before it restricted its DLL search: it imported winmm, wsock32 and
# comctl32 statically.
UNPROTECTED_COMMIT = "095e577"
UNPROTECTED = os.path.join(e2e.BUILD, f"unprotected-{UNPROTECTED_COMMIT}")
STANDIN_SOURCE = os.path.join(HERE, "standin.cpp")
CXX = "x86_64-w64-mingw32-g++"
STANDIN_FLAGS = ["-std=c++20", "-shared", "-O2", "-Wall", "-Wextra", "-Werror", "-nostdlib",
                 "-Wl,--entry,DllMain"]
RUN_BUDGET_S = 480


def build_unprotected():
    """Builds the program of UNPROTECTED_COMMIT once, into its own folder; returns the exe."""
    exe = os.path.join(UNPROTECTED, "build", "vorlix.exe")
    if os.path.isfile(exe):
        return exe
    source = os.path.join(UNPROTECTED, "source")
    shutil.rmtree(UNPROTECTED, ignore_errors=True)
    os.makedirs(source)
    archive = subprocess.run(["git", "-C", e2e.REPO, "archive", UNPROTECTED_COMMIT],
                             capture_output=True, check=False)
    if archive.returncode != 0:
        raise Failure(f"git archive {UNPROTECTED_COMMIT}: {archive.stderr.decode().strip()}")
    subprocess.run(["tar", "-x", "-C", source], input=archive.stdout, check=True)
    build = os.path.join(UNPROTECTED, "build")
    e2e.run(["cmake", "-S", source, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
             f"-DCMAKE_TOOLCHAIN_FILE={source}/cmake/mingw-w64.cmake", "-DVORLIX_TARGET=windows",
             "-DVORLIX_ARCH=x86_64", "-DVORLIX_WINE_TESTS=OFF"], timeout=120)
    e2e.run(["cmake", "--build", build, "--target", "vorlix", "-j2"], timeout=600)
    check(os.path.isfile(exe), f"the unprotected build made no {exe}")
    return exe


def system32(rig):
    return os.path.join(rig.prefix, "drive_c", "windows", "system32")


def exports(dll):
    """The names that a DLL exports."""
    listing = e2e.run(["x86_64-w64-mingw32-objdump", "-p", dll]).stdout
    table = listing.split("[Ordinal/Name Pointer] Table", 1)
    return re.findall(r"^\s*\[\s*\d+\] (\S+)\s*$", table[1], re.M) if len(table) > 1 else []


def build_standin(out_dir, name, def_lines, defines=()):
    """Builds out_dir/name.dll from standin.cpp with the given .def export lines."""
    def_path = os.path.join(out_dir, f"{name}.def")
    with open(def_path, "w") as f:
        f.write(f"LIBRARY {name}.dll\nEXPORTS\n" + "".join(line + "\n" for line in def_lines))
    e2e.run([CXX, *STANDIN_FLAGS, *defines, "-o", os.path.join(out_dir, f"{name}.dll"),
             STANDIN_SOURCE, def_path, "-lkernel32"], timeout=120)
    os.remove(def_path)


def standins(rig):
    """The forwarding stand-ins and the copies they forward to, built once per run; their folder."""
    folder = os.path.join(rig.run_dir, "standins")
    if os.path.isdir(folder):
        return folder
    building = folder + ".tmp"
    shutil.rmtree(building, ignore_errors=True)
    os.makedirs(building)
    for name in STANDINS:
        real = os.path.join(system32(rig), f"{name}.dll")
        names = exports(real)
        check(names, f"{real} exports nothing")
        shutil.copy(real, os.path.join(building, f"sys_{name}.dll"))
        build_standin(building, name, [f"{e} = sys_{name}.{e}" for e in names])
    os.rename(building, folder)
    return folder


def planted_folder(rig, label):
    """A fresh folder holding every stand-in, for one program start."""
    folder = os.path.join(rig.run_dir, f"planted-{label}")
    shutil.rmtree(folder, ignore_errors=True)
    shutil.copytree(standins(rig), folder)
    return folder


def markers(folder):
    return sorted(os.path.basename(p)[:-len(".loaded")]
                  for p in glob.glob(os.path.join(folder, "*.loaded")))


def start_beside(rig, exe, folder, overrides):
    """Starts a copy of `exe` placed in `folder`, so that the folder is the program's own."""
    copy = os.path.join(folder, "vorlix.exe")
    shutil.copy(exe, copy)
    saved, rig.exe = rig.exe, copy
    try:
        return rig.start_program(workdir=folder, env_extra={"WINEDLLOVERRIDES": overrides})
    finally:
        rig.exe = saved


# ---------------------------------------------------------------------------------------------
# Tests. Each takes the rig, raises Failure (or anything) to fail; they run in this order.

TESTS = []


def test(name):
    def register(fn):
        TESTS.append((name, fn, True))
        return fn
    return register


@test("planted_dlls_are_never_loaded")
def t_planted(rig):
    folder = planted_folder(rig, "protected")
    prog = start_beside(rig, rig.exe, folder, PREFER_STANDINS)
    main = rig.on_screen(rig.wait_window(MAIN_CLASS, 20, prog))
    text = e2e.press_check(rig, main)
    problems = e2e.settled_panel_problems(rig, main, text, "planted_dlls_check")
    # The settings window's edit fields and its hiding: more of the system's code at work.
    config = e2e.open_settings(rig, main)
    rig.click(*e2e.centre(e2e.control_at(rig, config, e2e.BOXES["ok"])["rect"]))
    time.sleep(0.5)
    if rig.find_window(e2e.CONFIG_CLASS):
        problems.append("the settings window is still shown after OK")
    rig.inspect("close", rig.find_window(MAIN_CLASS)["hwnd"])
    rc = prog.wait(10)
    if rc != 0:
        problems.append(f"{exit_text(rc)}, want exit code 0; log: {prog.log_tail()!r}")
    loaded = markers(folder)
    if loaded:
        problems.append(f"planted DLLs were loaded: {', '.join(loaded)}")
    check(not problems, f"result {text!r}: " + "; ".join(problems))
    print(f"  result {text!r}; none of {len(STANDINS)} planted DLLs loaded")


@test("planted_dlls_are_caught_in_the_unprotected_program")
def t_unprotected(rig):
    exe = build_unprotected()
    folder = planted_folder(rig, "unprotected")
    # No debugger: a planted DLL may well break the program, and only the markers count here.
    prog = start_beside(rig, exe, folder, PREFER_STANDINS + ";winedbg.exe=d")
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline and prog.running() and len(markers(folder)) < 2:
        time.sleep(0.2)
    time.sleep(1.0)
    loaded = markers(folder)
    rig.stop_programs()
    static = [name for name in ("winmm", "wsock32")
              if not any(m.lower() == f"{name}.dll" for m in loaded)]
    check(not static, f"the unprotected program did not load the planted {', '.join(static)} "
                      f"(loaded: {', '.join(loaded) or 'none'}); the stand-ins catch nothing")
    print(f"  the unprotected program loaded: {', '.join(loaded)}")


def startup_failure(rig, overrides, class_name, message):
    """Starts the program with `overrides` and checks the start-up error display and code 1."""
    prog = rig.start_program(env_extra={"WINEDLLOVERRIDES": overrides})
    boxes = e2e.wait_msgboxes(rig, 20, prog)
    check(boxes, f"no message box appeared ({exit_text(prog.popen.poll())}, "
                 f"log: {prog.log_tail()!r})")
    rig.assert_confined()
    box, problems = boxes[0], []
    first = re.compile(rf"^{class_name}がモジュール vorlix\.exe の [0-9A-F]{{8}} で発生しました。$")
    lines = box["text"].split("\n")
    if box["caption"] != e2e.MSGBOX_CAPTION:
        problems.append(f"caption {box['caption']!r}")
    if len(lines) != 2 or not first.match(lines[0]) or lines[1] != message + ".":
        problems.append(f"text {box['text']!r}, want {class_name} and {message + '.'!r}")
    if rig.find_window(MAIN_CLASS):
        problems.append("the status window is shown")
    e2e.press_return_on(rig, box)
    rc = prog.wait(8)
    if rc is None:
        rig.inspect("command", box["hwnd"], "1", check_rc=False)
        rc = prog.wait(8)
    if rc != 1:
        problems.append(f"{exit_text(rc)}, want exit code 1")
    return problems


# A system DLL that is switched off: the class of the error and its message.
MISSING_CASES = [
    ("winmm", "ELibraryError", "必要なファイル WINMM.DLL が見つかりません。"),
    ("wsock32", "EICMPError", "必要なファイル WSOCK32.DLL が見つかりません。"),
]


def missing_library_test(dll, class_name, message):
    def run_case(rig):
        problems = startup_failure(rig, f"{dll}=", class_name, message)
        check(not problems, "; ".join(problems))
    return run_case


for _dll, _class_name, _message in MISSING_CASES:
    test(f"startup_failure_without_{_dll}")(missing_library_test(_dll, _class_name, _message))


@test("startup_failure_icmp_without_an_entry_point")
def t_icmp_entry_point(rig):
    # An ICMP.DLL in the system folder itself that lacks IcmpSendEcho, taken instead of Wine's.
    real = os.path.join(system32(rig), "icmp.dll")
    saved = real + ".vorlix-saved"
    os.rename(real, saved)
    try:
        build_standin(system32(rig), "icmp", ["IcmpCreateFile", "IcmpCloseHandle"],
                      ["-DVORLIX_ICMP_WITHOUT_SEND"])
        problems = startup_failure(rig, "icmp=n", "EICMPError",
                                   "ICMP.DLL のプロセスを取得出来ません。")
        # The marker takes the name as the program asked for it: ICMP.DLL.loaded.
        if "icmp.dll" not in (m.lower() for m in markers(system32(rig))):
            problems.append("the ICMP.DLL without IcmpSendEcho was not the one loaded")
    finally:
        rig.stop_programs()
        for path in [real, *glob.glob(os.path.join(system32(rig), "*.loaded"))]:
            if os.path.exists(path):
                os.remove(path)
        os.rename(saved, real)
    check(not problems, "; ".join(problems))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--exe", default=os.environ.get("VORLIX_EXE", e2e.DEFAULT_EXE))
    ap.add_argument("-k", dest="pattern", default="",
                    help="run only the tests whose name contains this")
    ap.add_argument("--keep", action="store_true", help="keep the prefix and logs under build/e2e")
    args = ap.parse_args()
    if os.geteuid() != 0:
        sys.exit("dll_planting.py must run as root (network namespaces)")

    def on_signal(signum, _frame):
        raise KeyboardInterrupt(f"signal {signum}")

    def on_alarm(_signum, _frame):
        raise e2e.OutOfTime()

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGHUP, on_signal)
    signal.signal(signal.SIGALRM, on_alarm)
    signal.alarm(RUN_BUDGET_S)

    selected = [t for t in TESTS if args.pattern in t[0]]
    rig = e2e.Rig(os.path.abspath(args.exe), args.keep)
    tally = {"passed": 0, "failed": 0}
    try:
        e2e.run_tests(rig, selected, tally)
    except (KeyboardInterrupt, e2e.OutOfTime) as e:
        print(f"FAIL interrupted: {e or 'out of time'}", flush=True)
        tally["failed"] += 1
    finally:
        signal.alarm(0)
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        rig.teardown()
    print(f"{tally['passed']} passed, {tally['failed']} failed")
    return 1 if tally["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
