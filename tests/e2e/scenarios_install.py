"""End-to-end scenarios of the packages that cpack wrote, as the SHA256SUMS beside them lists them:
the Debian package's program started as its desktop entry starts it, each Windows zip's program
started where it was unpacked, and the Windows Installer package's through its shortcut."""

import glob
import hashlib
import json
import os
import tempfile
import zipfile

from layout import SETTINGS, STATUS
from linux_session import SYSTEM_PYTHON
from rig import REPO, check, exit_text, poll, run
from wine_driver import windows_path
from scenarios import (SETTINGS_FILE, adder, check_a_result, click_on, close_program, in_range,
                       on_screen, open_settings, press_check, settings_bytes, wait_window,
                       write_settings)

SCENARIOS = []
scenario = adder(SCENARIOS)

DESKTOP_EXEC = os.path.join(REPO, "tests", "package", "desktop_exec.py")
DESKTOP_ENTRY = os.path.join("usr", "share", "applications", "org.vorlix.Vorlix.desktop")
ZIP_NAMES = ["LICENSE", "README.txt", "vorlix.exe"]
# Where the desktop entry's command runs the program, so where Vorlix.ini lands: the session's
# XDG_CONFIG_HOME (None: not set) and that folder under the home.
MENU_CASES = [(None, ".config/vorlix"), ("{home}/settings", "settings/vorlix")]
GUARD_HOST = "198.18.0.35"  # the settings of a program that does not move to its folder


def package(tree, suffix):
    """The package that build/TREE/SHA256SUMS lists with a name ending in `suffix`, once its
    bytes are checked against the hash there."""
    sums = os.path.join(REPO, "build", tree, "SHA256SUMS")
    check(os.path.isfile(sums), f"no {sums}: run cpack --preset {tree} first")
    with open(sums) as f:
        listed = [line.split("  ", 1) for line in f.read().splitlines()]
    found = [(h, os.path.join(os.path.dirname(sums), n)) for h, n in listed if n.endswith(suffix)]
    check(len(found) == 1, f"{sums} lists {len(found)} packages ending in {suffix}")
    digest, path = found[0]
    with open(path, "rb") as f:
        check(hashlib.sha256(f.read()).hexdigest() == digest, f"{path} does not match {sums}")
    return path


def saved_by_ok(d, prog):
    """Opens the settings window, which moves it, and hides it with OK: (the file, whether it
    holds the scenarios' settings with the new place within 5 s)."""
    open_settings(d)
    click_on(d, SETTINGS, "Button_OK")
    want = settings_bytes(dict(SETTINGS_FILE, ConfigFormPosX=300, ConfigFormPosY=100))
    return poll(prog.settings_file, lambda b: b == want, 5, interval=0.05)


def program_files(folder):
    """Every Vorlix.ini under `folder`."""
    return sorted(os.path.join(top, name) for top, _, names in os.walk(folder)
                  for name in names if name == "Vorlix.ini")


@scenario("installed_program_started_from_its_menu_entry", platforms=("linux",))
def started_from_menu_entry(d):
    root = tempfile.mkdtemp(prefix="installed-", dir=d.rig.run_dir)
    run(["dpkg-deb", "-x", package("linux", ".deb"), root])
    # The unpacked root stands for the system's: its programs on the PATH, its data (the icon
    # theme, the desktop entry) among the data folders.
    installed = {"PATH": f"{root}/usr/bin:{d.rig.base_env()['PATH']}",
                 "XDG_DATA_DIRS": f"{root}/usr/share:/usr/local/share:/usr/share"}
    argv = json.loads(run([SYSTEM_PYTHON, DESKTOP_EXEC, os.path.join(root, DESKTOP_ENTRY)],
                          env=installed).stdout)
    print(f"  the desktop entry starts {argv}")
    check(argv[0].startswith("/usr/"), f"the desktop entry starts {argv}, not a packaged file")
    argv = [root + argv[0], *argv[1:]]  # as unpacked
    problems = []
    for config, where in MENU_CASES:
        home = tempfile.mkdtemp(prefix="home-", dir=d.rig.run_dir)
        env = dict(installed, HOME=home)
        if config is not None:
            env["XDG_CONFIG_HOME"] = config.format(home=home)
        folder = os.path.join(home, where)
        os.makedirs(folder)
        # Never a start without settings: those where the program should run name one test
        # host, and a guard in the folder the launcher starts in (where a program that stayed
        # there would look) names another.
        write_settings(folder)
        write_settings(home, {"IP": GUARD_HOST})
        guard = os.path.join(home, "Vorlix.ini")
        case = f"XDG_CONFIG_HOME={env.get('XDG_CONFIG_HOME', '(not set)')}"
        try:
            # A launcher starts its programs in the home folder.
            prog = d.launch(argv, home, env, folder)
            main = on_screen(d, wait_window(d, STATUS, 20, prog))
            if main.title != "IP: 198.18.0.20":
                problems.append(f"{case}: caption {main.title!r}: the settings in {where} were "
                                f"not read")
            text = press_check(d)
            if not in_range(text, 20):
                problems.append(f"{case}: a check shows {text!r}")
            d.rig.screenshot(f"installed_from_menu_{where.split('/')[0].strip('.')}")
            # Hiding the settings window writes the file where the program runs.
            written, ok = saved_by_ok(d, prog)
            if not ok:
                problems.append(f"{case}: 5 s after OK {where}/Vorlix.ini is {written!r}")
            files = program_files(home)
            if files != sorted([guard, os.path.join(folder, "Vorlix.ini")]):
                problems.append(f"{case}: Vorlix.ini files in the home: {files}")
            with open(guard, "rb") as f:
                if f.read() != settings_bytes(dict(SETTINGS_FILE, IP=GUARD_HOST)):
                    problems.append(f"{case}: the home's own Vorlix.ini was rewritten")
            close_program(d, prog)
            print(f"  {case}: {text!r}; the settings read and written in ~/{where}")
        finally:
            d.end_test()
    check(not problems, "; ".join(problems))


def unpacked_and_started(d, tree, bits):
    """Unpacks the zip of build/TREE, starts its vorlix.exe in the unpacked folder (with a
    Vorlix.ini there), checks a test host and closes it."""
    folder = os.path.join(d.rig.run_dir, f"unpacked-{bits}")
    with zipfile.ZipFile(package(tree, f"-{bits}.zip")) as z:
        names = sorted(z.namelist())
        z.extractall(folder)
    check(names == ZIP_NAMES, f"the zip holds {names}, want {ZIP_NAMES}")
    write_settings(folder)
    before = settings_bytes(SETTINGS_FILE)
    prog = d.start(folder, exe=os.path.join(folder, "vorlix.exe"))
    main = on_screen(d, wait_window(d, STATUS, 20, prog))
    check(main.title == "IP: 198.18.0.20", f"caption {main.title!r}: Vorlix.ini was not read")
    text = check_a_result(d)
    d.rig.screenshot(f"zip_{bits}")
    close_program(d, prog)
    check(prog.settings_file() == before, f"Vorlix.ini changed: {prog.settings_file()!r}")
    print(f"  {text!r} from the unpacked {bits} program")


@scenario("zip_win64_unpacked_and_started", platforms=("wine",))
def zip_win64(d):
    unpacked_and_started(d, "windows", "win64")


@scenario("zip_win32_unpacked_and_started", platforms=("wine",))
def zip_win32(d):
    d.need_32bit()
    unpacked_and_started(d, "windows-i686", "win32")


@scenario("msi_installed_and_started_from_its_shortcut", platforms=("wine",))
def msi_started_from_shortcut(d):
    msi = package("windows", "-win64.msi")
    p = d.wine(["wine", "msiexec", "/i", windows_path(msi), "/qn"], timeout=180, check_rc=False)
    check(p.returncode == 0, f"msiexec /i /qn exited {p.returncode}")
    links = glob.glob(os.path.join(d.prefix, "drive_c", "users", "*", "AppData", "Roaming",
                                   "Microsoft", "Windows", "Start Menu", "Programs", "Vorlix.lnk"))
    check(len(links) == 1, f"Start-menu shortcuts named Vorlix: {links}")
    user = links[0].split(os.sep + "AppData" + os.sep)[0]
    folder = os.path.join(user, "AppData", "Roaming", "Vorlix")
    check(os.path.isdir(folder), "the install made no %APPDATA%\\Vorlix")
    # Settings that name a test host where the shortcut should run the program, and guards
    # naming another where it is started from and where it is installed.
    write_settings(folder)
    started_in = tempfile.mkdtemp(prefix="start-menu-", dir=d.rig.run_dir)
    write_settings(started_in, {"IP": GUARD_HOST})
    write_settings(os.path.join(user, "AppData", "Local", "Programs", "Vorlix"),
                   {"IP": GUARD_HOST})
    # As the Start menu opens a shortcut, by its path on drive C:. Wine's start ends once it
    # has started the shortcut's program (it does not wait for it, even with /wait).
    link = "C:\\" + os.path.relpath(links[0], os.path.join(d.prefix, "drive_c"))
    prog = d.spawn(["wine", "start", link.replace("/", "\\")], d.env(), started_in, folder,
                   started_in + ".log")
    rc = prog.wait(30)
    check(rc == 0, f"wine start on the shortcut: {exit_text(rc)}; log: {prog.log_tail()!r}")
    main = on_screen(d, wait_window(d, STATUS, 30))
    check(main.title == "IP: 198.18.0.20",
          f"caption {main.title!r}: the settings in %APPDATA%\\Vorlix were not read")
    text = check_a_result(d)
    d.rig.screenshot("msi_started_from_shortcut")
    written, ok = saved_by_ok(d, prog)
    check(ok, f"5 s after OK %APPDATA%\\Vorlix\\Vorlix.ini is {written!r}")
    d.request_close(STATUS)
    # Its exit code is not ours to read: the program was started by Wine's start.
    left = d.wait_gone(20)
    check(not left, f"processes of the prefix still running 20 s after a close request: {left}")
    # Removed again: the run's later scenarios share the prefix.
    p = d.wine(["wine", "msiexec", "/x", windows_path(msi), "/qn"], timeout=180, check_rc=False)
    check(p.returncode == 0 and not os.path.exists(links[0]), "msiexec /x /qn left the shortcut")
    print(f"  {text!r} from the installed program, its settings in %APPDATA%\\Vorlix")
