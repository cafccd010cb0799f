"""Checks of the Windows Installer packages of the Windows trees (build/windows,
build/windows-i686): what they declare, that a second build of the commit gives the same bytes,
and, under Wine in a fresh prefix with no network, a silent install, upgrade and removal of the
64-bit one. No check starts the program: that is for the end-to-end scenarios, inside the test
network (tests/e2e/scenarios_install.py).
"""

import os
import pwd
import re
import shutil
import subprocess
import sys
import tempfile

import shell_link
from packages import BUILD, REPO, check, expect, packages, project_version, run, source_date

sys.path.insert(0, os.path.join(REPO, "cmake"))
sys.path.insert(0, os.path.join(REPO, "scripts", "lib"))
import compound_file  # noqa: E402  (cmake/: how the build reads the summary information)
import wine_prefix  # noqa: E402  (scripts/lib: prefixes as the other tests make them)

MAKE_MSI = os.path.join(REPO, "cmake", "make_msi.py")
TEMPLATES = {"win64": "x64;1033", "win32": "Intel;1033"}
NO_ELEVATION = 0x8  # of the summary's word count
INSTALLED_KEY = r"Software\\Vorlix\\Installed"
COMPONENTS = ["Program", "ProgramsFolder", "SettingsFolder", "Shortcut"]
PROGRAM_FILES = ["LICENSE", "README.txt", "vorlix.exe"]
UNINSTALL_KEY = r"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
SETTINGS = b"IP=198.18.0.20\r\n"  # a user's settings file; the program is not started here
# No network at all for Wine's processes here, as root or not.
ISOLATED = ["unshare", "-n"] if os.getuid() == 0 else ["unshare", "-rn"]
WINE_ENV = {**wine_prefix.NO_BUS, "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": wine_prefix.QUIET_OVERRIDES}


def msi(tree, bits):
    found = [p for p in packages(tree) if p.endswith(".msi")]
    want = f"vorlix-{project_version()}-{bits}.msi"
    expect([os.path.basename(p) for p in found] == [want],
           f"build/{tree}/SHA256SUMS lists the packages {found}, want one {want}")
    return found[0]


def build_msi(tree, out, version=None, commit=None):
    """The package made again from the tree's files, as cpack makes it (or with another version
    or commit)."""
    head = run(["git", "-C", REPO, "rev-parse", "HEAD"]).stdout.strip()
    numbers = re.match(r"(\d+)\.(\d)(\d)$", project_version()).groups()
    arch = "i686" if tree.endswith("i686") else "x86_64"
    p = run([sys.executable, MAKE_MSI, "--wxs", os.path.join(REPO, "res", "windows", "vorlix.wxs"),
             "--exe", os.path.join(BUILD, tree, "vorlix.exe"),
             "--license", os.path.join(REPO, "LICENSE"),
             "--readme", os.path.join(BUILD, tree, "package", "README.txt"),
             "--icon", os.path.join(REPO, "res", "vorlix.ico"),
             "--version", version or project_version(), "--file-version",
             ".".join(numbers) + ".0", "--arch", arch, "--publisher", "The Vorlix developers",
             "--commit", commit or head, "--epoch", str(source_date()), "-o", out])
    expect(p.returncode == 0, f"make_msi.py: {p.stderr.strip()}")
    return out


def msi_check(tree, bits):
    path = msi(tree, bits)
    with open(path, "rb") as f:
        data = f.read()
    info = compound_file.summary(data)
    problems = []
    if info[compound_file.PID_TEMPLATE] != TEMPLATES[bits]:
        problems.append(f"template {info[compound_file.PID_TEMPLATE]!r}, want {TEMPLATES[bits]!r}")
    if not info[compound_file.PID_WORDCOUNT] & NO_ELEVATION:
        problems.append("the summary says administrator rights are needed")
    stamp = compound_file.filetime(source_date())
    if {info[compound_file.PID_CREATE_DTM], info[compound_file.PID_LASTSAVE_DTM]} != {stamp}:
        problems.append("its times are not the commit's")
    with tempfile.TemporaryDirectory() as folder:
        with open(build_msi(tree, os.path.join(folder, "again.msi")), "rb") as f:
            if f.read() != data:
                problems.append("a second build of the commit gives other bytes")
    expect(not problems, "; ".join(problems))


@check("the 64-bit Windows Installer package installs per user and builds again to the same bytes")
def msi64():
    msi_check("windows", "win64")


@check("the 32-bit Windows Installer package installs per user and builds again to the same bytes")
def msi32():
    msi_check("windows-i686", "win32")


# -- under Wine ----------------------------------------------------------------------------------

class Prefix:
    """A Wine prefix of its own, each command run with no network and waited for to the end of
    its wineserver, so that the registry files are written."""

    def __init__(self, path):
        self.path = path
        self.user = os.path.join(path, "drive_c", "users", pwd.getpwuid(os.getuid()).pw_name)
        self.program = os.path.join(self.user, "AppData", "Local", "Programs", "Vorlix")
        self.settings = os.path.join(self.user, "AppData", "Roaming", "Vorlix")
        self.shortcut = os.path.join(self.user, "AppData", "Roaming", "Microsoft", "Windows",
                                     "Start Menu", "Programs", "Vorlix.lnk")

    def wine(self, *argv):
        env = [f"{k}={v}" for k, v in dict(WINE_ENV, WINEPREFIX=self.path).items()]
        return subprocess.run([*ISOLATED, "env", *env, "sh", "-c",
                               '"$@"; rc=$?; wineserver -w; exit $rc', "sh", *argv],
                              capture_output=True, text=True, timeout=300).returncode

    def msiexec(self, action, package):
        return self.wine("wine", "msiexec", action, package, "/qn")

    def registry(self, hive, key):
        """The values of one key of the prefix's registry file ("user" or "system"), or None."""
        with open(os.path.join(self.path, f"{hive}.reg"), encoding="utf-8",
                  errors="replace") as f:
            text = f.read()
        found = re.search(r"^\[" + re.escape(key) + r"\] \d+\n(.*?)(?:\n\n|\Z)", text,
                          re.M | re.S | re.I)
        if not found:
            return None
        return dict(re.findall(r'^"([^"]+)"=(?:str\(2\):)?"?(.*?)"?$', found.group(1), re.M))

    def products(self):
        """The installed-apps entries named Vorlix: {key: values}, from either hive (Wine keeps
        a per-user install's entry under HKLM)."""
        found = {}
        for hive in ("user", "system"):
            with open(os.path.join(self.path, f"{hive}.reg"), encoding="utf-8",
                      errors="replace") as f:
                keys = re.findall(r"^\[(" + re.escape(UNINSTALL_KEY) + r"[^\]]+)\]", f.read(),
                                  re.M)
            for key in keys:
                values = self.registry(hive, key) or {}
                if values.get("DisplayName") == "Vorlix":
                    found[key] = values
        return found

    def left(self):
        """What is in the program's and the settings folders, and the shortcut, as found."""
        found = []
        for top in (os.path.dirname(self.program), self.settings):
            for root, dirs, files in os.walk(top):
                found += [os.path.relpath(os.path.join(root, n), self.user) for n in dirs + files]
        if os.path.lexists(self.shortcut):
            found.append(os.path.relpath(self.shortcut, self.user))
        return sorted(found)


def fresh_prefix(folder, template, name):
    """A copy of the template prefix, made once, in `folder`."""
    if not os.path.isfile(os.path.join(template, "system.reg")):
        wine_prefix.make(template, ISOLATED)
    path = os.path.join(folder, name)
    shutil.copytree(template, path, symlinks=True)
    return Prefix(path)


def installed_problems(w, version):
    """What is wrong with the installed program, its shortcut and its entry."""
    problems = []
    names = sorted(os.listdir(w.program)) if os.path.isdir(w.program) else None
    if names != PROGRAM_FILES:
        problems.append(f"the program folder holds {names}, want {PROGRAM_FILES}")
    else:
        with open(os.path.join(w.program, "vorlix.exe"), "rb") as f, \
                open(os.path.join(BUILD, "windows", "vorlix.exe"), "rb") as g:
            if f.read() != g.read():
                problems.append("the installed vorlix.exe is not the tree's")
    if not os.path.isdir(w.settings):
        problems.append(r"the install made no %APPDATA%\Vorlix")
    try:
        with open(w.shortcut, "rb") as f:
            link = shell_link.read(f.read())
    except OSError as e:
        link = {}
        problems.append(f"no Start-menu shortcut: {e}")
    user = "C:\\users\\" + os.path.basename(w.user) + "\\AppData\\"
    want = {"target": user + "Local\\Programs\\Vorlix\\vorlix.exe",
            "working_dir": user + "Roaming\\Vorlix\\"}
    for key, value in want.items():
        if link and link.get(key, "").lower() != value.lower():
            problems.append(f"the shortcut's {key} is {link.get(key)!r}, want {value!r}")
    if link and not link.get("icon", "").lower().endswith("vorlix.ico"):
        problems.append(f"the shortcut's icon is {link.get('icon')!r}")
    entries = w.products()
    if len(entries) != 1:
        problems.append(f"{len(entries)} installed-apps entries for Vorlix: {sorted(entries)}")
    for values in entries.values():
        got = (values.get("DisplayVersion"), values.get("Publisher"))
        if got != (version, "The Vorlix developers"):
            problems.append(f"the entry's version and publisher are {got}")
    registered = w.registry("user", INSTALLED_KEY) or {}
    if sorted(registered) != COMPONENTS:
        problems.append(f"HKCU\\Software\\Vorlix\\Installed holds {sorted(registered)}")
    return problems


@check("the 64-bit package installs silently under Wine, and its removal leaves the settings")
def msi_install_remove():
    package = msi("windows", "win64")
    with tempfile.TemporaryDirectory(dir=BUILD) as folder:
        w = fresh_prefix(folder, os.path.join(BUILD, "package-checks", "prefix"), "install")
        expect(w.msiexec("/i", package) == 0, "msiexec /i /qn failed")
        problems = installed_problems(w, project_version())
        with open(os.path.join(w.settings, "Vorlix.ini"), "wb") as f:
            f.write(SETTINGS)
        if w.msiexec("/x", package) != 0:
            problems.append("msiexec /x /qn failed")
        left = w.left()
        if left != [r"AppData/Roaming/Vorlix/Vorlix.ini"]:
            problems.append(f"left after the removal: {left}")
        if w.products() or w.registry("user", INSTALLED_KEY) is not None:
            problems.append("the removal left the installed-apps entry or the component keys")
    expect(not problems, "; ".join(problems))


# Packages installed before this commit's: (what it stands for, version, commit or None for
# this commit's, whether this commit's replaces it). A newer version is not replaced by it.
UPGRADE_CASES = [("an older version", "1.00", None, True),
                 ("this version of another commit", None, "0" * 40, True),
                 ("a newer version", "99.99", None, False)]


@check("the 64-bit package replaces an older install and keeps its settings; a newer one stays")
def msi_upgrade():
    package = msi("windows", "win64")
    problems = []
    with tempfile.TemporaryDirectory(dir=BUILD) as folder:
        for n, (what, version, commit, replaced) in enumerate(UPGRADE_CASES):
            before = build_msi("windows", os.path.join(folder, f"before-{n}.msi"), version,
                               commit)
            w = fresh_prefix(folder, os.path.join(BUILD, "package-checks", "prefix"), f"up-{n}")
            if w.msiexec("/i", before) != 0:
                problems.append(f"{what}: its install failed")
                continue
            with open(os.path.join(w.settings, "Vorlix.ini"), "wb") as f:
                f.write(SETTINGS)
            rc = w.msiexec("/i", package)
            if replaced:
                problems += [f"{what}: {p}" for p in [f"msiexec /i exited {rc}"] * (rc != 0) +
                             installed_problems(w, project_version())]
            else:
                versions = [v.get("DisplayVersion") for v in w.products().values()]
                if rc == 0 or versions != [version]:
                    problems.append(f"{what}: msiexec /i exited {rc}; installed {versions}")
            with open(os.path.join(w.settings, "Vorlix.ini"), "rb") as f:
                if f.read() != SETTINGS:
                    problems.append(f"{what}: Vorlix.ini changed")
    expect(not problems, "; ".join(problems))
