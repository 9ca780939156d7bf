#!/usr/bin/env bash
# Runs the real program under Xvfb on examples/long-chain.rtm (100 inertias
# 20 mm apart, 2 m long) named on the command line, and saves a screenshot of
# the main window as it opens: the whole chain fitted into the region.
#   tools/screenshot_chain.sh [OUT.png]        (default docs/fitted-chain.png)
# With STEPS=DIR it goes on as a user would and saves a picture of each step
# in DIR: Zoom In by Ctrl++ (zoom-in.png), Fit Model by Ctrl+0 and two turns
# of the wheel with Ctrl over the middle of the chain (wheel.png), the
# horizontal scroll bar dragged to its end (panned.png), and a click on the
# last inertia in Modify > Node, which opens its dialog (picked.png).
# Needs the packages xvfb, xdotool and imagemagick.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/docs/fitted-chain.png}")
program=${SPINDRA:-$root/build/spindra}
steps=${STEPS:-}
[ -x "$program" ] || { echo "build the program first ($program)" >&2; exit 1; }
[ -z "$steps" ] || steps=$(realpath -m "$steps")

run() {
  "$program" "$root/examples/long-chain.rtm" &
  local pid=$!
  trap 'kill $pid 2>/dev/null || true' RETURN
  local window
  window=$(xdotool search --sync --name "long-chain.rtm" | head -n 1)
  xdotool windowfocus --sync "$window"
  sleep 1
  import -window "$window" "$out"
  [ -n "$steps" ] || return 0
  mkdir -p "$steps"
  xdotool key ctrl+plus
  sleep 0.5
  import -window "$window" "$steps/zoom-in.png"
  xdotool key ctrl+0
  sleep 0.5
  # The middle of the region, where the chain runs.
  xdotool mousemove --window "$window" 560 470
  sleep 0.3
  xdotool keydown ctrl click 4 click 4 keyup ctrl
  sleep 0.5
  import -window "$window" "$steps/wheel.png"
  # The horizontal scroll bar's handle, dragged all the way to the right.
  local bar_y
  bar_y=$(xdotool getwindowgeometry "$window" | awk '/Geometry/ { split($2, g, "x"); print g[2] }')
  bar_y=$((bar_y - 64))
  xdotool mousemove --window "$window" 560 "$bar_y" mousedown 1
  local x
  for x in 700 850 1000 1150; do
    xdotool mousemove --window "$window" "$x" "$bar_y"
    sleep 0.1
  done
  xdotool mouseup 1
  sleep 0.5
  import -window "$window" "$steps/panned.png"
  # Modify > Node, and a click on the last inertia, near the right edge.
  xdotool key alt+m n
  sleep 0.3
  local picked_x=${PICK_X:-1088}
  xdotool mousemove --window "$window" "$picked_x" 470 click 1
  sleep 1
  import -window root "$steps/picked.png"
  xdotool key Escape
}
if [ "${SPINDRA_INSIDE_XVFB:-}" = 1 ]; then
  run
else
  export STEPS="$steps"
  SPINDRA_INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$out"
  echo "wrote $out"
fi
