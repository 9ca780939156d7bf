#!/usr/bin/env bash
# Runs the real program under Xvfb, opens a sample model, runs Calculate >
# Frequencies, opens Calculate > Campbell Diagram, sets the speed range 0 to
# 4000 rev/min and the operating range 1350 to 1650 rev/min, rests the mouse
# on the crossing of order 3 with mode 3 and saves a screenshot of the
# Campbell window:  tools/screenshot-campbell.sh [MODEL.rtm] [OUT.png]
# Needs the packages xvfb, xdotool and imagemagick.  The positions are those
# of a 1280 x 1024 screen.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
model=$(realpath "${1:-$root/examples/diesel-generator.rtm}")
out=$(realpath -m "${2:-$root/docs/campbell.png}")
program=${SPINDRA:-$root/build/spindra}
[ -x "$program" ] || { echo "build the program first ($program)" >&2; exit 1; }

# A menu item: the menu title, then the item.
pick() {
  xdotool mousemove "$1" "$2"; sleep 0.3; xdotool click 1; sleep 0.5
  xdotool mousemove "$3" "$4"; sleep 0.3; xdotool click 1
}
# A field of the Campbell window: select its text, type, leave it.
field() {
  xdotool mousemove "$1" "$2"; sleep 0.2; xdotool click --repeat 3 1; sleep 0.2
  xdotool type --delay 20 "$3"; xdotool key Tab; sleep 0.5
}

run() {
  "$program" &
  local pid=$!
  trap 'kill $pid 2>/dev/null || true' RETURN
  xdotool search --sync --name "^Harbrook" >/dev/null
  sleep 1
  pick 20 8 100 30  # File > Open Torsional vibration
  local dialog
  dialog=$(xdotool search --sync --name "^Open$" | head -n 1)
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 10 "$model"
  xdotool key Return
  sleep 1
  pick 227 8 250 30  # Calculate > Frequencies
  sleep 2
  pick 227 8 250 75  # Calculate > Campbell Diagram
  sleep 2
  local window
  window=$(xdotool search --name "^Campbell" | head -n 1)
  xdotool windowfocus --sync "$window"
  field 332 839 4000
  field 596 839 1350
  field 698 839 1650
  xdotool mousemove 530 631; sleep 0.3; xdotool mousemove 531 632; sleep 0.5
  import -window "$window" "$out"
}
if [ "${SPINDRA_INSIDE_XVFB:-}" = 1 ]; then
  run
else
  SPINDRA_INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$model" "$out"
  echo "wrote $out"
fi
