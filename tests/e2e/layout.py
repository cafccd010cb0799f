"""The program's windows and controls as its layout gives them: names, kinds, places, tab order.

Drivers use it to find a control by its place in its window's client area; scenarios use it for
what they expect. Places are pixels at 96 dpi, relative to the window's client area (a control in
a group box: the box's place plus the control's place in the box).
"""

from dataclasses import dataclass

STATUS, SETTINGS = "status", "settings"  # the two windows, by role


@dataclass(frozen=True)
class Item:
    kind: str  # panel, button, edit, check, group, label, frame
    pos: tuple  # x, y, width, height in the window's client area
    max_length: int = 0  # edit fields only


CONTROLS = {
    STATUS: {
        "Panel_Result": Item("panel", (0, 0, 79, 25)),
        "Button_Check": Item("button", (80, 0, 49, 25)),
    },
    SETTINGS: {
        "GroupBox_IP": Item("group", (0, 0, 161, 44)),
        "Edit_IP0": Item("edit", (8, 16, 25, 20), 3),
        "Label_IP0": Item("label", (40, 24, 2, 12)),
        "Edit_IP1": Item("edit", (48, 16, 25, 20), 3),
        "Label_IP1": Item("label", (80, 24, 2, 12)),
        "Edit_IP2": Item("edit", (88, 16, 25, 20), 3),
        "Label_IP2": Item("label", (120, 24, 2, 12)),
        "Edit_IP3": Item("edit", (128, 16, 25, 20), 3),
        "GroupBox_TimeOut": Item("group", (168, 0, 81, 44)),
        "Edit_TimeOut": Item("edit", (184, 16, 33, 20), 4),
        "Label_TimeOut": Item("label", (224, 22, 15, 12)),
        "Bevel_PingTime": Item("frame", (8, 56, 81, 44)),
        "CheckBox_PingTime": Item("check", (16, 48, 65, 17)),
        "Edit_PingTime": Item("edit", (16, 70, 25, 20), 2),
        "Label_PingTime": Item("label", (48, 74, 32, 12)),
        "CheckBox_StayOnTop": Item("check", (112, 52, 105, 17)),
        "Button_OK": Item("button", (104, 76, 129, 20)),
    },
}

CLIENT_SIZE = {STATUS: (129, 25), SETTINGS: (249, 101)}

# The settings window's tab order; Tab on the last stop goes back to the first.
TAB_ORDER = ["Edit_IP0", "Edit_IP1", "Edit_IP2", "Edit_IP3", "Edit_TimeOut", "CheckBox_PingTime",
             "Edit_PingTime", "CheckBox_StayOnTop", "Button_OK"]


def control_named_at(role, x, y):
    """The layout's name of the control whose top-left corner is at x, y, or None."""
    for name, spec in CONTROLS[role].items():
        if spec.pos[:2] == (x, y):
            return name
    return None
