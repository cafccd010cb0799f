"""Checks of the Debian package of the Linux tree (build/linux): its files, control fields,
lintian, the validators of its desktop entry and metadata, its desktop entry's command, and
apt's install and removal.
"""

import io
import json
import os
import re
import shutil
import subprocess
import tarfile
import tempfile

import pytest

from cpack_output import HERE, expect, packages, project_version, run, source_date

DESKTOP_EXEC = os.path.join(HERE, "desktop_exec.py")
APP_ID = "org.vorlix.Vorlix"
DEB_FILES = os.path.join(HERE, "deb-files.txt")
MENU_START = "/usr/libexec/vorlix/menu-start"
APT = ["apt-get", "-o", "DPkg::Lock::Timeout=900", "-y", "-qq"]


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


def test_deb_files():
    """The Debian package holds the expected files, with their modes and owners."""
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


def test_deb_control():
    """The Debian package's control fields."""
    fields = dict(re.findall(r"^(\S+): (.*)$", run(["dpkg-deb", "--field", deb()]).stdout, re.M))
    problems = [f"{k} is {fields.get(k)!r}, want {v!r}" for k, v in
                {"Package": "vorlix", "Version": project_version(), "Section": "net",
                 "Priority": "optional"}.items() if fields.get(k) != v]
    depends = fields.get("Depends", "")
    for needed in ("fonts-ipafont-gothic | fonts-noto-cjk", "libgtk-3-0", "libc6"):
        if needed not in depends:
            problems.append(f"Depends lacks {needed!r}: {depends!r}")
    expect(not problems, "; ".join(problems))


def test_lintian():
    """lintian finds no error and no warning in the Debian package."""
    p = run(["lintian", "--fail-on", "error,warning", deb()])
    for line in p.stdout.splitlines():
        print(f"  {line}")
    expect(p.returncode == 0, f"lintian: {p.stdout.strip() or p.stderr.strip()}")


def test_validators():
    """The packaged desktop entry and AppStream metadata are valid."""
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


def test_desktop_exec_folder():
    """The desktop entry's launcher makes the settings folder and starts the program in it."""
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
        expect(argv == [MENU_START], f"the desktop entry starts {argv}, want [{MENU_START}]")
        argv = [root + MENU_START]  # the launcher as unpacked
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


def test_apt_round_trip(pytestconfig):
    """apt installs the package (vorlix on the PATH and in the menu) and removes it wholly."""
    if pytestconfig.getoption("no_install"):
        pytest.skip("--no-install")
    if run(["dpkg-query", "-W", "-f=${Status}", "vorlix"]).stdout.startswith("install"):
        pytest.skip("a vorlix package is installed on this machine already; left as it is")
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
