"""Scenarios under Wine: DLLs planted beside vorlix.exe are never loaded, and the system DLLs'
start-up failures still end in the start-up error display.

Stand-ins for the DLLs that the program or the system's DLLs load for it (STANDINS) are built
from standin.cpp: one per name, every export forwarded to a copy of the prefix's own DLL of that
name placed beside it as sys_NAME.dll, so a program that loads a stand-in still works. A stand-in
writes NAME.dll.loaded beside itself when a process loads it. They go into a folder with a copy of
the program, and Wine is told to prefer them (WINEDLLOVERRIDES=...=n,b), as it would take a DLL
planted in a downloads folder. The unprotected program (UNPROTECTED, a target of the Windows
tree) is the same program with its DLL search left as a plain LoadLibrary has it; that it loads
the planted winmm and wsock32 shows that the scenarios catch a planted DLL.
"""

import glob
import hashlib
import os
import re
import shutil

from layout import SETTINGS, STATUS
from rig import BUILD, HERE, REPO, Failure, check, exit_text, poll, run
from scenarios import (CYAN, SLACK_MS, adder, click_on, close_program, in_range, on_screen,
                       open_settings, press_check, rest_problems, start, startup_box_problems,
                       wait_window, write_settings)
from wine_driver import WineDriver

SCENARIOS = []
scenario = adder(SCENARIOS)

WINE = (WineDriver.name,)
# Non-core DLLs that the program, or the system DLLs it binds, load; core DLLs (kernel32, user32,
# gdi32, imm32, msvcrt, ...) and those that Wine's own start-up imports (version.dll) are not
# planted: the program cannot influence those.
STANDINS = ["winmm", "wsock32", "ws2_32", "icmp", "iphlpapi", "uxtheme", "msimg32", "dnsapi",
            "comctl32", "nsi", "msacm32", "oleacc"]
PREFER_STANDINS = ",".join(STANDINS) + "=n,b"
UNPROTECTED = os.path.join(REPO, "build", "windows", "unprotected", "vorlix.exe")
STANDIN_SOURCE = os.path.join(HERE, "standin.cpp")
STANDIN_CACHE = os.path.join(BUILD, "standins")
CXX = "x86_64-w64-mingw32-g++"
STANDIN_FLAGS = ["-std=c++20", "-shared", "-O2", "-Wall", "-Wextra", "-Werror", "-nostdlib",
                 "-Wl,--entry,DllMain"]


def system32(d):
    return os.path.join(d.prefix, "drive_c", "windows", "system32")


def exports(dll):
    """The names that a DLL exports."""
    listing = run(["x86_64-w64-mingw32-objdump", "-p", dll]).stdout
    table = listing.split("[Ordinal/Name Pointer] Table", 1)
    return re.findall(r"^\s*\[\s*\d+\] (\S+)\s*$", table[1], re.M) if len(table) > 1 else []


def standin(name, def_lines, defines=()):
    """A stand-in NAME.dll with the given .def export lines, built once for its source, exports
    and flags and kept under build/e2e/standins; returns its path."""
    definition = f"LIBRARY {name}.dll\nEXPORTS\n" + "".join(line + "\n" for line in def_lines)
    with open(STANDIN_SOURCE, "rb") as f:
        key = hashlib.sha256(f.read() + definition.encode() +
                             " ".join([*STANDIN_FLAGS, *defines]).encode()).hexdigest()[:16]
    folder = os.path.join(STANDIN_CACHE, f"{name}-{key}")
    dll = os.path.join(folder, f"{name}.dll")
    if os.path.isfile(dll):
        return dll
    building = folder + ".tmp"
    shutil.rmtree(building, ignore_errors=True)
    os.makedirs(building)
    def_path = os.path.join(building, f"{name}.def")
    with open(def_path, "w") as f:
        f.write(definition)
    run([CXX, *STANDIN_FLAGS, *defines, "-o", os.path.join(building, f"{name}.dll"),
         STANDIN_SOURCE, def_path, "-lkernel32"], timeout=120)
    os.remove(def_path)
    shutil.rmtree(folder, ignore_errors=True)
    os.rename(building, folder)
    return dll


def planted_folder(d, exe, label):
    """A fresh working folder holding a copy of `exe`, every forwarding stand-in with the copy
    of the prefix's DLL it forwards to, and a Vorlix.ini aimed at a test host; returns the
    folder and the copy."""
    folder = os.path.join(d.rig.run_dir, f"planted-{label}")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name in STANDINS:
        real = os.path.join(system32(d), f"{name}.dll")
        names = exports(real)
        check(names, f"{real} exports nothing")
        shutil.copy(real, os.path.join(folder, f"sys_{name}.dll"))
        shutil.copy(standin(name, [f"{e} = sys_{name}.{e}" for e in names]), folder)
    write_settings(folder)
    copy = os.path.join(folder, "vorlix.exe")
    shutil.copy(exe, copy)
    return folder, copy


def markers(folder):
    """The DLL names (lower case) whose stand-ins in `folder` were loaded."""
    return sorted(os.path.basename(p)[:-len(".loaded")].lower()
                  for p in glob.glob(os.path.join(folder, "*.loaded")))


def use_the_program(d, prog):
    """Checks a test host, opens and hides the settings window, closes the program and checks
    that it exits with code 0; returns the result shown and the problems."""
    on_screen(d, wait_window(d, STATUS, 20, prog))
    text = press_check(d)
    problems = [] if in_range(text, 20) else [f"result {text!r}, want 20..{20 + SLACK_MS}ms"]
    problems += rest_problems(d, text, CYAN, "dll_planted_check")
    # The settings window's edit fields and its hiding: more of the system's code at work.
    open_settings(d)
    click_on(d, SETTINGS, "Button_OK")
    _, hidden = poll(lambda: d.window(SETTINGS), lambda w: w is None, 5)
    if not hidden:
        problems.append("the settings window is still shown 5 s after OK")
    close_program(d, prog)
    return text, problems


@scenario("dll_planted_beside_the_program_never_loaded", platforms=WINE)
def planted_never_loaded(d):
    folder, copy = planted_folder(d, d.exe, "protected")
    prog = d.start(folder, exe=copy, overrides=PREFER_STANDINS)
    try:
        text, problems = use_the_program(d, prog)
    except Failure as e:  # what was loaded until then still counts
        text, problems = None, [str(e)]
    loaded = markers(folder)
    if loaded:
        problems.insert(0, f"planted DLLs were loaded: {', '.join(loaded)}")
    check(not problems, "; ".join(problems))
    print(f"  result {text!r}; none of {len(STANDINS)} planted DLLs loaded")


@scenario("dll_planted_loaded_by_the_unprotected_program", platforms=WINE)
def planted_loaded_unprotected(d):
    check(os.path.isfile(UNPROTECTED), f"not built: {UNPROTECTED} (tests/e2e/run.sh "
                                       f"--build-only builds it)")
    folder, copy = planted_folder(d, UNPROTECTED, "unprotected")
    # No debugger: a planted DLL may well break the program, and only the markers count here.
    prog = d.start(folder, exe=copy, overrides=PREFER_STANDINS + ";winedbg.exe=d")
    static = {"winmm.dll", "wsock32.dll"}  # loaded as the program starts, by plain name
    loaded, met = poll(lambda: markers(folder), lambda m: static <= set(m), 20, interval=0.2)
    missing = ", ".join(sorted(static - set(loaded)))
    check(met, f"the unprotected program did not load the planted {missing} within 20 s "
               f"({exit_text(prog.exit_code())}; loaded: {', '.join(loaded) or 'none'}): "
               f"the stand-ins catch nothing")
    print(f"  the unprotected program loaded: {', '.join(loaded)}")


@scenario("dll_without_oleacc_the_program_runs_as_before", platforms=WINE)
def without_oleacc(d):
    # oleacc makes the panel a live region (bound as the status window is made) and gives the
    # settings fields their names; a system without it loses those alone. The live-region
    # events come from user32 all the same.
    listener = d.screen_reader()
    prog = start(d, overrides="oleacc=")
    on_screen(d, wait_window(d, STATUS, 20, prog))
    text = press_check(d)
    problems = [] if in_range(text, 20) else [f"result {text!r}, want 20..{20 + SLACK_MS}ms"]
    _, sent = poll(lambda: [h.text for h in listener.heard()], lambda t: text in t, 4)
    if not sent:
        problems.append(f"no live-region event with {text!r} within 4 s")
    listener.stop()  # a Wine process of its own, which would keep the prefix running
    close_program(d, prog)
    check(not problems, "; ".join(problems))
    print(f"  result {text!r} without oleacc, and its live-region event")


# A system DLL that is switched off: the class of the error and its message.
MISSING_CASES = [
    ("winmm", "ELibraryError", "必要なファイル WINMM.DLL が見つかりません。"),
    ("wsock32", "EICMPError", "必要なファイル WSOCK32.DLL が見つかりません。"),
]


def missing_library(dll, class_name, message):
    def run_case(d):
        prog = start(d, overrides=f"{dll}=")
        problems = startup_box_problems(d, prog, class_name, message)
        check(not problems, "; ".join(problems))
    return run_case


for _dll, _class_name, _message in MISSING_CASES:
    scenario(f"dll_startup_failure_without_{_dll}", platforms=WINE)(
        missing_library(_dll, _class_name, _message))


@scenario("dll_startup_failure_icmp_without_send", platforms=WINE)
def icmp_without_send(d):
    # An ICMP.DLL in the system folder itself that lacks IcmpSendEcho, taken instead of Wine's.
    stub = standin("icmp", ["IcmpCreateFile", "IcmpCloseHandle"], ["-DVORLIX_ICMP_WITHOUT_SEND"])
    real = os.path.join(system32(d), "icmp.dll")
    saved = real + ".vorlix-saved"
    os.rename(real, saved)
    try:
        shutil.copy(stub, real)
        prog = start(d, overrides="icmp=n")
        problems = startup_box_problems(d, prog, "EICMPError",
                                            "ICMP.DLL のプロセスを取得出来ません。")
        # The marker takes the name as the program asked for it: ICMP.DLL.loaded.
        if "icmp.dll" not in markers(system32(d)):
            problems.append("the ICMP.DLL without IcmpSendEcho was not the one loaded")
    finally:
        d.end_test()  # nothing of the prefix runs while its system folder is put back
        for path in [real, *glob.glob(os.path.join(system32(d), "*.loaded"))]:
            if os.path.exists(path):
                os.remove(path)
        os.rename(saved, real)
    check(not problems, "; ".join(problems))
