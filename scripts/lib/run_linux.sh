# scripts/run: the native Linux program. Sourced by scripts/run (in the repository, with
# run/Vorlix.ini seeded).
# shellcheck shell=bash

# The Linux tree builds its platform tests as well, against the installed GoogleTest.
vorlix_ensure_packages cmake make g++ libgtest-dev pkg-config libgtk-3-dev fonts-ipafont-gothic \
  xvfb openbox xdotool wmctrl imagemagick x11-utils
[[ -x build/linux/vorlix ]] || vorlix_build linux vorlix

if [[ -n "${DISPLAY:-}" ]]; then
  cd run && exec ../build/linux/vorlix
fi

# No display: nothing here may outlive the script, so the program gets no session bus to
# autolaunch and no accessibility bridge.
export "${VORLIX_NO_BUS[@]}" NO_AT_BRIDGE=1
vorlix_start_xvfb
program="" wm=""
# Ends what was started; a program that has ended already is no error here.
end_all() {
  set +e
  local p
  for p in $program; do
    kill "$p" 2>/dev/null
    wait "$p" 2>/dev/null
  done
  [[ -n "$wm" ]] && python3 scripts/lib/window_manager.py stop "$wm"
  vorlix_stop_xvfb
}
trap end_all EXIT
wm="$(python3 scripts/lib/window_manager.py start openbox)"
(cd run && exec ../build/linux/vorlix) &
program=$!

# The status window: the program's window whose role is its form's class.
status_window() {
  local id pid _
  while read -r id _ pid _; do
    [[ "$pid" == "$program" ]] || continue
    xprop -id "$id" WM_WINDOW_ROLE | grep -q '"TForm_Main"' && echo "$id" && return
  done < <(wmctrl -lp)
}
window=""
for _ in $(seq 100); do
  window="$(status_window)" && [[ -n "$window" ]] && break
  sleep 0.1
done
[[ -n "$window" ]] || { echo "the status window did not show" >&2; exit 1; }
# The client area's corner on the screen, and the places of the panel and Check in it, as the
# layout (tests/e2e/layout.py) gives them.
left="$(xwininfo -id "$window" | sed -n 's/.*Absolute upper-left X: *//p')"
top="$(xwininfo -id "$window" | sed -n 's/.*Absolute upper-left Y: *//p')"
read -r px py pw ph bx by bw bh < <(python3 -c '
import sys
sys.path.insert(0, "tests/e2e")
from layout import CONTROLS, STATUS
print(*CONTROLS[STATUS]["Panel_Result"].pos, *CONTROLS[STATUS]["Button_Check"].pos)')
xdotool mousemove "$((left + bx + bw / 2))" "$((top + by + bh / 2))" click 1
wait_for_rest "$((left + px))" "$((top + py))" "$((left + px + pw))" "$((top + py + ph))"
import -window root run/screenshot.png

# Closing the status window ends the program.
wmctrl -i -c "$window"
for _ in $(seq 100); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
echo "screenshot: run/screenshot.png"
