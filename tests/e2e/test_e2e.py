"""End-to-end tests of the real program, inside network namespaces made for the run. As root,
through run.sh (which builds the helpers): tests/e2e/run.sh [--driver wine|linux] [--exe PATH]
[--exe32 PATH] [--socket datagram|raw] [--wm openbox|xfwm4|mutter|icewm] [-k NAME] [--keep]
[--junitxml FILE] (conftest.py). Each test is marked with the drivers and the Linux driver's window
managers it runs under: under xfwm4 and mutter the scenarios of window management
(WINDOW_MANAGEMENT in scenarios_desktop.py), under icewm those of the frames (FRAMES in
scenarios_frames.py). The rig's own tests (rig_checks.py) are test_rig, the program's
test_scenario: each module's SCENARIOS (scenarios*.py), written against driver.py, which
wine_driver.py and linux_driver.py implement; rig.py is the display, network, waiting and input.
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
