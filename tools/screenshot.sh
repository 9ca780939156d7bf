#!/usr/bin/env bash
# Runs the real program under Xvfb, opens a sample model through File > Open,
# runs Calculate > Frequencies and saves a screenshot of the main window with
# the first mode shape:  tools/screenshot.sh [MODEL.rtm] [OUT.png]
# Needs the packages xvfb, xdotool and imagemagick.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
model=$(realpath "${1:-$root/examples/diesel-generator.rtm}")
out=$(realpath -m "${2:-$root/docs/main-window.png}")
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
  # File > Open Torsional vibration
  xdotool mousemove 20 8 click 1
  sleep 0.5
  xdotool mousemove 100 30 click 1
  local dialog
  dialog=$(xdotool search --sync --name "^Open$" | head -n 1)
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 10 "$model"
  xdotool key Return
  sleep 1
  # Calculate > Frequencies
  xdotool mousemove 227 8 click 1
  sleep 0.5
  xdotool mousemove 250 30 click 1
  sleep 2
  local window
  window=$(xdotool search --name "^Harbrook" | head -n 1)
  # Mode Scale: enlarge the drawn mode shape
  xdotool windowfocus --sync "$window"
  xdotool mousemove "$scale_x" "$scale_y" click --repeat 3 1
  xdotool type --delay 20 "$scale"
  xdotool key Return
  sleep 1
  import -window "$window" "$out"
}
if [ "${SPINDRA_INSIDE_XVFB:-}" = 1 ]; then
  run
else
  export scale scale_x scale_y
  SPINDRA_INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$model" "$out"
  echo "wrote $out"
fi
