"""The end-to-end tests of the real program (run them through run.sh, as root; conftest.py has
the options). test_rig runs the rig's own checks (rig_checks.py), test_scenario each module's
SCENARIOS, each marked with the drivers and the Linux window managers it runs under.
"""

import pytest

import rig
import scenarios
import scenarios_behaviour
import scenarios_desktop
import scenarios_dll
import scenarios_faults
import scenarios_files
import scenarios_frames
import scenarios_heard
import scenarios_install
from linux_session import WINDOW_MANAGERS
from rig_checks import RIG_CHECKS

# Every scenario, in the order they run.
SCENARIOS = (scenarios.SCENARIOS + scenarios_behaviour.SCENARIOS + scenarios_desktop.SCENARIOS
             + scenarios_frames.SCENARIOS + scenarios_faults.SCENARIOS + scenarios_files.SCENARIOS
             + scenarios_install.SCENARIOS + scenarios_heard.SCENARIOS + scenarios_dll.SCENARIOS)
PLATFORMS = ("wine", "linux")  # the drivers (conftest.py)
# The window managers besides openbox, each with the tests it runs.
CHOSEN = {"xfwm4": scenarios_desktop.WINDOW_MANAGEMENT,
          "mutter": scenarios_desktop.WINDOW_MANAGEMENT, "icewm": scenarios_frames.FRAMES}
assert set(CHOSEN) | {"openbox"} == set(WINDOW_MANAGERS), "a window manager without its tests"
unknown = set(sum(CHOSEN.values(), ())) - {t.name for t in RIG_CHECKS + SCENARIOS}
assert not unknown, f"WINDOW_MANAGEMENT or FRAMES names no test: {sorted(unknown)}"


def cases(tests):
    """Each test with its markers: the drivers it runs under and, for the Linux driver, the
    window managers."""
    def marks(t):
        platforms = t.platforms or PLATFORMS
        wms = ["openbox", *(wm for wm, names in CHOSEN.items() if t.name in names)]
        return [getattr(pytest.mark, m)
                for m in (*platforms, *(wms if "linux" in platforms else ()))]
    return [pytest.param(t, id=t.name, marks=marks(t)) for t in tests]


def run(case, driver):
    try:
        case.fn(driver)
    except rig.Skip as e:
        pytest.skip(str(e))


@pytest.mark.parametrize("case", cases(RIG_CHECKS))
def test_rig(case, program):
    run(case, program)


@pytest.mark.parametrize("case", cases(SCENARIOS))
def test_scenario(case, program):
    run(case, program)
