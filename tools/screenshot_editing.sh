#!/usr/bin/env bash
# Runs the real program under Xvfb with a window manager, opens a sample
# model from the command line, adds an inertia by a click and chooses
# Create > Stiffness > Node to node, then saves a screenshot of the framed
# window: the caption names the model file with the unsaved-changes mark and
# the status line names the mode.
#   tools/screenshot_editing.sh [OUT.png]
# Needs the packages xvfb, xdotool, imagemagick and openbox.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/docs/editing.png}")
program=${SPINDRA:-$root/build/spindra}
[ -x "$program" ] || { echo "build the program first ($program)" >&2; exit 1; }

run() {
  local dir
  dir=$(mktemp -d)
  cp "$root/examples/diesel-generator.rtm" "$dir/"
  openbox >/dev/null 2>&1 &
  local wm=$!
  sleep 1
  "$program" "$dir/diesel-generator.rtm" &
  local pid=$!
  trap 'kill $pid $wm 2>/dev/null || true; rm -rf "$dir"' RETURN
  local window
  window=$(xdotool search --sync --name "diesel-generator.rtm" | head -n 1)
  xdotool windowfocus --sync "$window"
  sleep 1
  # Create > Node, and a click under the engine for a new inertia (OK).
  xdotool key alt+c n
  sleep 0.3
  xdotool mousemove --window "$window" 330 300 click 1
  sleep 0.5
  xdotool key Return
  sleep 0.5
  # Create > Stiffness > Node to node, chosen from the keyboard.
  xdotool windowfocus --sync "$window"
  xdotool key alt+c s n
  sleep 1
  # The window with the frame (and caption) the window manager gave it.
  import -frame -window "$window" "$out"
}
if [ "${SPINDRA_INSIDE_XVFB:-}" = 1 ]; then
  run
else
  SPINDRA_INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$out"
  echo "wrote $out"
fi
