#!/usr/bin/env bash
# Runs the real program under Xvfb, opens a sample model through File > Open,
# runs Calculate > Frequencies and saves a screenshot of the main window with
# the first mode shape:  tools/screenshot.sh [MODEL.rtm] [OUT.png]
# With VIEW=campbell it goes on to Calculate > Campbell Diagram, sets the
# speed range 0 to 4000 rev/min and the operating range 1350 to 1650 rev/min,
# rests the mouse on the crossing of order 3 with mode 3 and saves the
# Campbell window instead (default OUT docs/campbell.png).
# With VIEW=forced it goes on to Calculate > Forced Damped, clicks the
# window points listed in FORCED_POINTS ("x,y x,y", none by default), rests
# the mouse on FORCED_HOVER (default: the synthesised stress of the diesel
# generator set at 1000 rev/min) and saves the Forced Response window
# (default OUT docs/forced-response.png).
# With VIEW=transient it goes on to Calculate > Transient... (the model's
# first case, its default item) and saves the Transient Response window
# (default OUT docs/transient-window.png).
# Needs the packages xvfb, xdotool and imagemagick.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
model=$(realpath "${1:-$root/examples/diesel-generator.rtm}")
view=${VIEW:-main}
default_out=$root/docs/main-window.png
[ "$view" != campbell ] || default_out=$root/docs/campbell.png
[ "$view" != forced ] || default_out=$root/docs/forced-response.png
[ "$view" != transient ] || default_out=$root/docs/transient-window.png
out=$(realpath -m "${2:-$default_out}")
program=${SPINDRA:-$root/build/spindra}
scale=${MODE_SCALE:-20}
# Where the Mode Scale field sits on a 1280 x 1024 screen.
scale_x=1233
scale_y=32
[ -x "$program" ] || { echo "build the program first ($program)" >&2; exit 1; }

run() {
  "$program" &
  local pid=$!
  trap 'kill $pid 2>/dev/null || true' RETURN
  xdotool search --sync --name "^Harbrook" >/dev/null
  sleep 1
  local window
  window=$(xdotool search --name "^Harbrook" | head -n 1)
  xdotool windowfocus --sync "$window"
  # File > Open Torsional vibration (Ctrl+O)
  xdotool key ctrl+o
  local dialog
  dialog=$(xdotool search --sync --name "^Open$" | head -n 1)
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 10 "$model"
  xdotool key Return
  sleep 1
  # Calculate > Frequencies (F5)
  xdotool windowfocus --sync "$window"
  xdotool key F5
  sleep 2
  # Mode Scale: enlarge the drawn mode shape
  xdotool windowfocus --sync "$window"
  xdotool mousemove "$scale_x" "$scale_y" click --repeat 3 1
  xdotool type --delay 20 "$scale"
  xdotool key Return
  sleep 1
  if [ "$view" = campbell ]; then
    # Calculate > Campbell Diagram, the fourth item of the menu
    xdotool key alt+l
    sleep 0.5
    xdotool key Down Down Down Return
    sleep 2
    window=$(xdotool search --name "^Campbell" | head -n 1)
    xdotool windowfocus --sync "$window"
    # The range fields below the diagram: select, type, leave.
    local field
    for field in "332 4000" "596 1350" "698 1650"; do
      set -- $field
      xdotool mousemove "$1" 839 click --repeat 3 1
      xdotool type --delay 20 "$2"
      xdotool key Tab
      sleep 0.5
    done
    xdotool mousemove 530 631; sleep 0.3; xdotool mousemove 531 632; sleep 0.5
  elif [ "$view" = forced ]; then
    # Calculate > Forced Damped, the second item of the menu
    xdotool key alt+l
    sleep 0.5
    xdotool key Down Return
    sleep 3
    window=$(xdotool search --name "^Forced Response" | head -n 1)
    xdotool windowfocus --sync "$window"
    local x y
    for point in ${FORCED_POINTS:-}; do
      x=${point%,*}; y=${point#*,}
      xdotool mousemove --window "$window" "$x" "$y" click 1
      sleep 0.5
    done
    x=${FORCED_HOVER%,*}; y=${FORCED_HOVER#*,}
    xdotool mousemove --window "$window" "$x" "$y"; sleep 0.3
    xdotool mousemove --window "$window" "$((x + 1))" "$y"; sleep 0.5
  elif [ "$view" = transient ]; then
    # Calculate > Transient..., the third item of the menu
    xdotool key alt+l
    sleep 0.5
    xdotool key Down Down Return
    sleep 3
    window=$(xdotool search --name "^Transient Response" | head -n 1)
    xdotool windowfocus --sync "$window"
    sleep 1
  fi
  import -window "$window" "$out"
}
if [ "${SPINDRA_INSIDE_XVFB:-}" = 1 ]; then
  run
else
  export scale scale_x scale_y view FORCED_POINTS="${FORCED_POINTS:-}" \
    FORCED_HOVER="${FORCED_HOVER:-431,412}"
  SPINDRA_INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$model" "$out"
  echo "wrote $out"
fi
