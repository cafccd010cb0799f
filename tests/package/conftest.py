"""Checks of the packages that cpack made: the Debian package of the Linux tree and the zips and
Windows Installer packages of the Windows trees (build/linux, build/windows, build/windows-i686,
each with its SHA256SUMS).

Run as root, after the builds and cpack: pytest-3 tests/package [--no-install] [--junitxml FILE].
With --no-install the package is not installed into the machine (and removed again) with apt.
Starting the packaged programs is for the end-to-end scenarios (tests/e2e/scenarios_install.py),
inside the test network.
"""


def pytest_addoption(parser):
    parser.addoption("--no-install", action="store_true", help="do not install with apt")
