"""The end-to-end run under pytest: the driver's options, the markers that choose a lane's tests,
the rig and the driver as session fixtures (every program runs in the rig's namespace), each
test's time limit, the check after it that nothing is left in the namespace, the run's budget."""

import contextlib
import os
import signal
import time

import pytest

import rig
from linux_driver import LinuxDriver
from linux_session import WINDOW_MANAGERS
from wine_driver import WineDriver

# The whole run, set-up and clean-up included, stays below 15 minutes: the Wine run took 457 s
# beside two others and a busy core, on a 2-core machine.
RUN_BUDGET_S = 900


def pytest_addoption(parser):
    group = parser.getgroup("vorlix", "the end-to-end tests' driver")
    group.addoption("--driver", choices=("wine", "linux"), default="wine")
    group.addoption("--exe", help="the program under test")
    group.addoption("--exe32", default=os.path.join(rig.REPO, "build", "windows-i686",
                                                    "vorlix.exe"))
    group.addoption("--socket", choices=("datagram", "raw"), default="datagram",
                    help="the ICMP socket the Linux program may open")
    group.addoption("--wm", choices=sorted(WINDOW_MANAGERS), default="openbox",
                    help="the window manager of the Linux driver's session")
    group.addoption("--keep", action="store_true", help="keep the prefix and logs in build/e2e")


def pytest_configure(config):
    if config.getoption("wm") != "openbox" and config.getoption("driver") != "linux":
        raise pytest.UsageError("--wm is for the Linux driver")


def pytest_collection_modifyitems(config, items):
    """Keeps the tests marked with the driver (and the Linux driver's window manager)."""
    wanted = [config.getoption("driver")]
    if wanted == ["linux"]:
        wanted.append(config.getoption("wm"))
    keep = [i for i in items if all(i.get_closest_marker(m) for m in wanted)]
    config.hook.pytest_deselected(items=[i for i in items if i not in keep])
    items[:] = keep


class Budget:
    """A test ends at its own limit or at the run's, whichever comes first. The alarm is armed
    only while the rig, the driver or a test works (never in pytest's own steps between them) and
    raises rig.OutOfTime, a BaseException, so that no test's handler swallows it."""

    def __init__(self):
        self.deadline = time.monotonic() + RUN_BUDGET_S
        self.why = ""

    def spent(self):
        return time.monotonic() >= self.deadline

    @contextlib.contextmanager
    def armed(self, limit=None, why=""):
        """Not at all once the budget is spent: the clean-up after a test still runs."""
        left = max(self.deadline - time.monotonic(), 0)
        self.why = why if limit is not None and limit < left else OUT_OF_TIME
        signal.setitimer(signal.ITIMER_REAL, min(left, limit or left))  # 0: not armed
        try:
            yield
        finally:
            signal.setitimer(signal.ITIMER_REAL, 0)

    def on_alarm(self, _signum, _frame):
        raise rig.OutOfTime(self.why)


OUT_OF_TIME = f"the run's time budget of {RUN_BUDGET_S} s ran out"


def on_signal(signum, _frame):
    raise KeyboardInterrupt(f"signal {signum}")  # pytest then tears the fixtures down


def pytest_sessionstart(session):
    session.config.budget = budget = Budget()
    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGHUP, on_signal)
    signal.signal(signal.SIGALRM, budget.on_alarm)


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_call(item):
    limit = rig.TEST_LIMIT_S
    with item.config.budget.armed(limit, f"it took longer than its limit of {limit} s"):
        yield


@pytest.fixture(scope="session")
def the_rig(pytestconfig):
    if os.geteuid() != 0:
        pytest.exit("the end-to-end tests must run as root (network namespaces, raw sockets)", 4)
    the_rig = rig.Rig(pytestconfig.getoption("keep"))
    try:
        with pytestconfig.budget.armed():
            the_rig.setup()
        yield the_rig
    finally:
        the_rig.teardown()


@pytest.fixture(scope="session")
def driver(the_rig, pytestconfig):
    # Another platform's driver is a Driver subclass (driver.py) made here by its name.
    opt = pytestconfig.getoption
    if opt("driver") == "wine":
        exe = opt("exe") or os.environ.get(
            "VORLIX_EXE", os.path.join(rig.REPO, "build", "windows", "vorlix.exe"))
        d = WineDriver(the_rig, os.path.abspath(exe), os.path.abspath(opt("exe32")))
    else:
        exe = opt("exe") or os.path.join(rig.REPO, "build", "linux", "vorlix")
        d = LinuxDriver(the_rig, os.path.abspath(exe), opt("socket"), opt("wm"))
    try:
        with pytestconfig.budget.armed():
            d.setup()
        yield d
    finally:  # clean up in peace
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        d.teardown()


@pytest.fixture
def program(request, the_rig, driver):
    """The driver for one test; after it, nothing may be left in the namespace but the driver's
    resident processes, and the display must still be there, or the test fails."""
    if request.config.budget.spent():
        pytest.fail("not run, out of time")
    yield driver
    with request.config.budget.armed():
        problems = the_rig.end_test(driver)
    if the_rig.display_problem():
        problems.append(f"the display failed: {the_rig.display_problem()}")
    if problems:
        pytest.fail("; ".join(problems))
