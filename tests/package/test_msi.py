"""Checks of the Windows Installer packages of the Windows trees: per user, the same bytes from a
second build, and under Wine with no network the 64-bit one's silent install, upgrade and
removal. Starting the program is for the end-to-end scenarios (tests/e2e/scenarios_install.py).
"""

import os
import re
import subprocess
import sys
import tempfile

import pytest

import shell_link
from cpack_output import BUILD, REPO, expect, packages, project_version, run, source_date

sys.path.insert(0, os.path.join(REPO, "cmake"))
sys.path.insert(0, os.path.join(REPO, "scripts", "lib"))
import compound_file  # noqa: E402  (cmake/: how the build reads the summary information)
import wine_prefix  # noqa: E402  (scripts/lib: prefixes as the other tests make them)

MAKE_MSI = os.path.join(REPO, "cmake", "make_msi.py")
NO_ELEVATION = 0x8  # of the summary's word count
INSTALLED_KEY = r"Software\\Vorlix\\Installed"
COMPONENTS = ["Program", "ProgramsFolder", "SettingsFolder", "Shortcut"]
PROGRAM_FILES = ["LICENSE", "README.txt", "vorlix.exe"]
UNINSTALL_KEY = r"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
PRODUCTS_KEY = r"Software\\Microsoft\\Installer\\Products\\"
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


@pytest.mark.parametrize("tree, bits", [("windows", "win64"), ("windows-i686", "win32")])
def test_msi(tree, bits):
    """The Windows Installer package of each tree installs per user and builds again to the same
    bytes."""
    with open(msi(tree, bits), "rb") as f:
        data = f.read()
    expect(compound_file.summary(data)[compound_file.PID_WORDCOUNT] & NO_ELEVATION,
           "the summary says administrator rights are needed")
    with tempfile.TemporaryDirectory() as folder:
        with open(build_msi(tree, os.path.join(folder, "again.msi")), "rb") as f:
            expect(f.read() == data, "a second build of the commit gives other bytes")


# -- under Wine ----------------------------------------------------------------------------------

class Prefix:
    """A Wine prefix of its own, each command run with no network and waited for to the end of
    its wineserver, so that the registry files are written."""

    def __init__(self, path):
        self.path = path
        # The user's folder (named "root" in a user namespace that maps the user to root).
        users = os.path.join(path, "drive_c", "users")
        self.user = os.path.join(users, *[n for n in os.listdir(users) if n != "Public"][:1])
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

    def registry(self, hive):
        """The keys of the prefix's registry file ("user" or "system"): {key: {name: value}}."""
        with open(os.path.join(self.path, f"{hive}.reg"), encoding="utf-8",
                  errors="replace") as f:
            sections = re.findall(r"^\[(.+?)\] \d+\n(.*?)(?:\n\n|\Z)", f.read(), re.M | re.S)
        value = r'^"([^"]+)"=(?:str\(2\):)?"?(.*?)"?$'
        return {key: {name: text.replace("\\\\", "\\") for name, text in
                      re.findall(value, body, re.M)} for key, body in sections}

    def products(self):
        """The installed-apps entries named Vorlix, from either hive (Wine keeps a per-user
        install's entry under HKLM)."""
        return {key: values for hive in ("user", "system") for key, values in
                self.registry(hive).items()
                if key.startswith(UNINSTALL_KEY) and values.get("DisplayName") == "Vorlix"}

    def read(self, *path):
        """The bytes of a file, its path a Linux one or the prefix's C:, or None."""
        path = os.path.join(*path)
        if path[:3].upper() == "C:\\":
            path = os.path.join(self.path, "drive_c", *path[3:].split("\\"))
        try:
            with open(path, "rb") as f:
                return f.read()
        except OSError:
            return None

    def left(self):
        """What is in the program's and the settings folders, and the shortcut, as found."""
        found = [os.path.relpath(os.path.join(root, n), self.user)
                 for top in (os.path.dirname(self.program), self.settings)
                 for root, dirs, files in os.walk(top) for n in dirs + files]
        return sorted(found + [os.path.relpath(self.shortcut, self.user)] *
                      os.path.lexists(self.shortcut))


def fresh_prefix(folder, name):
    """A prefix of its own in `folder`."""
    path = os.path.join(folder, name)
    wine_prefix.make(path, ISOLATED)
    return Prefix(path)


def installed_problems(w):
    """What is wrong with the installed program, its shortcut and its installed-apps entry."""
    problems = []
    names = sorted(os.listdir(w.program)) if os.path.isdir(w.program) else None
    with open(os.path.join(BUILD, "windows", "vorlix.exe"), "rb") as f:
        if names != PROGRAM_FILES or w.read(w.program, "vorlix.exe") != f.read():
            problems.append(f"the program folder holds {names}, or not the tree's vorlix.exe")
    if not os.path.isdir(w.settings):
        problems.append(r"the install made no %APPDATA%\Vorlix")
    data = w.read(w.shortcut)
    link = shell_link.read(data) if data else {}
    user = f"C:\\users\\{os.path.basename(w.user)}\\AppData\\".lower()
    with open(os.path.join(REPO, "res", "vorlix.ico"), "rb") as f:
        icon = f.read()
    got = (link.get("target", "").lower(), link.get("working_dir", "").lower())
    want = (user + r"local\programs\vorlix\vorlix.exe", user + "roaming\\vorlix\\")
    if got != want or w.read(link.get("icon", "")) != icon:
        problems.append(f"the Start-menu shortcut's target and folder are {got}, want {want}, "
                        f"its icon {link.get('icon')!r} the program's")
    entries = [(v.get("DisplayVersion"), v.get("Publisher")) for v in w.products().values()]
    if entries != [(project_version(), "The Vorlix developers")]:
        problems.append(f"the installed-apps entries' versions and publishers are {entries}")
    icons = [v.get("ProductIcon", "") for k, v in w.registry("user").items()
             if k.startswith(PRODUCTS_KEY) and v.get("ProductName") == "Vorlix"]
    if len(icons) != 1 or w.read(icons[0]) != icon:
        problems.append(f"the installed-apps entry's icons are {icons}")
    registered = sorted(w.registry("user").get(INSTALLED_KEY, {}))
    if registered != COMPONENTS:
        problems.append(f"HKCU\\Software\\Vorlix\\Installed holds {registered}")
    return problems


# What is installed before this commit's package: (what, its version and commit, None for
# nothing or this commit's). This commit's package replaces each but a newer version, and its
# removal leaves the user's settings alone.
INSTALL_CASES = [("a fresh prefix", None), ("an older version", ("1.00", None)),
                 ("this version of another commit", (None, "0" * 40)),
                 ("a newer version", ("99.99", None))]


def test_msi_install_upgrade_remove():
    """The 64-bit package installs silently under Wine, over an older one, and its removal leaves
    the settings."""
    package = msi("windows", "win64")
    problems = []
    with tempfile.TemporaryDirectory(dir=BUILD) as folder:
        for n, (what, before) in enumerate(INSTALL_CASES):
            w = fresh_prefix(folder, f"p{n}")
            said = []
            if before:
                older = build_msi("windows", os.path.join(folder, f"{n}.msi"), *before)
                if w.msiexec("/i", older) != 0:
                    said.append("its install failed")
            os.makedirs(w.settings, exist_ok=True)
            with open(os.path.join(w.settings, "Vorlix.ini"), "wb") as f:
                f.write(SETTINGS)
            rc = w.msiexec("/i", package)
            if what == "a newer version":
                versions = [v.get("DisplayVersion") for v in w.products().values()]
                if rc == 0 or versions != [before[0]]:
                    said.append(f"msiexec /i exited {rc}; installed {versions}")
            else:
                said += [f"msiexec /i exited {rc}"] * (rc != 0) + installed_problems(w)
                if w.msiexec("/x", package) != 0:
                    said.append("msiexec /x /qn failed")
                if w.left() != ["AppData/Roaming/Vorlix/Vorlix.ini"]:
                    said.append(f"left after the removal: {w.left()}")
                if w.products() or INSTALLED_KEY in w.registry("user"):
                    said.append("the removal left the installed-apps entry or the component keys")
            if w.read(w.settings, "Vorlix.ini") != SETTINGS:
                said.append("Vorlix.ini changed")
            problems += [f"{what}: {p}" for p in said]
    expect(not problems, "; ".join(problems))
