# scripts/run --windows: the Windows program under Wine, with a prefix of its own in run/.
# Sourced by scripts/run (in the repository, with run/Vorlix.ini seeded).
# shellcheck shell=bash

# The Windows tree builds its tests under Wine as well, from GoogleTest's sources.
vorlix_ensure_packages cmake make g++ mingw-w64 googletest wine wine64 fonts-wine \
  fonts-ipafont-gothic xvfb xdotool imagemagick x11-utils python3
[[ -x build/windows/vorlix.exe ]] || vorlix_build windows vorlix

export WINEPREFIX="$VORLIX_ROOT/run/wineprefix" WINEDEBUG=-all

if [[ -n "${DISPLAY:-}" ]]; then
  vorlix_make_prefix "$WINEPREFIX"
  vorlix_prefix_display "$WINEPREFIX" desktop
  cd run && exec wine ../build/windows/vorlix.exe
fi

# No display: nothing here may outlive the script, so Wine gets no session bus to autolaunch.
export "${VORLIX_NO_BUS[@]}"
vorlix_make_prefix "$WINEPREFIX"
vorlix_build windows vorlix_wininspect >/dev/null
vorlix_start_xvfb
trap 'wineserver -k 2>/dev/null || true; vorlix_stop_xvfb' EXIT
vorlix_prefix_display "$WINEPREFIX" bare
(cd run && exec wine ../build/windows/vorlix.exe) &
program=$!

inspect() { wine build/windows/wininspect.exe "$@" 2>/dev/null; }
# "X Y PANEL LEFT TOP RIGHT BOTTOM": the centre of the Check button of the shown status window,
# and the result panel's handle and rectangle, read through the window inspector.
find_controls() {
  inspect list | python3 -c '
import json, sys
wins = [json.loads(line) for line in sys.stdin if line.strip()]
main = next((w for w in wins if w["parent"] == "0x0" and w["class"] == "TForm_Main"
             and w["visible"]), None)
kids = [w for w in wins if main and w["parent"] == main["hwnd"]]
button = next((k for k in kids if k["class"].lower() == "button" and k["text"] == "Check"), None)
panel = next((k for k in kids if k["class"].lower() == "static"), None)
if button and panel:
    r = button["rect"]
    print((r[0] + r[2]) // 2, (r[1] + r[3]) // 2, panel["hwnd"], *panel["rect"])'
}
controls=""
for _ in $(seq 100); do
  controls="$(find_controls)" && [[ -n "$controls" ]] && break
  sleep 0.1
done
[[ -n "$controls" ]] || { echo "the status window did not show" >&2; exit 1; }
read -r x y panel left top right bottom <<<"$controls"
xdotool mousemove "$x" "$y" click 1

text=""
for _ in $(seq 150); do
  text="$(inspect text "$panel" | tr -d '\r\n')"
  [[ "$text" =~ ^(-?[0-9]+ms|TimeOut)$ ]] && break
  sleep 0.1
done
echo "result: ${text:-none within 15 s}"
wait_for_rest "$left" "$top" "$right" "$bottom"
import -window root run/screenshot.png

# Closing the status window ends the program.
inspect close TForm_Main >/dev/null || true
for _ in $(seq 100); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
echo "screenshot: run/screenshot.png"
