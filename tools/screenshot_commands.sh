#!/usr/bin/env bash
# Runs the real program under Xvfb and uses the everyday commands as a user
# does: builds a four-inertia shaft line by clicks, gives it a title and half
# engine orders (a step of 0 is refused first), calculates, deletes inertia 2
# in Modify > Delete, drags inertia 3 in Modify > Move, saves with Ctrl+S (a
# new model: the file dialog), changes the title and saves again with Ctrl+S
# (no dialog), then File > New and Open read the file back.  It saves a
# screenshot of the main window after the move (the results are marked as
# belonging to the model before the edits) and prints the file it wrote.
#   tools/screenshot_commands.sh [OUT.png]
# Needs the packages xvfb, xdotool, imagemagick and openbox.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/docs/commands.png}")
program=${SPINDRA:-$root/build/spindra}
[ -x "$program" ] || { echo "build the program first ($program)" >&2; exit 1; }

run() {
  local dir
  dir=$(mktemp -d)
  cd "$dir"
  openbox >/dev/null 2>&1 &
  local wm=$!
  sleep 1
  "$program" &
  local pid=$!
  trap 'kill $pid $wm 2>/dev/null || true; rm -rf "$dir"' RETURN
  xdotool search --sync --name "^Harbrook" >/dev/null
  sleep 1
  local window
  window=$(xdotool search --name "^Harbrook" | head -n 1)
  focus() { xdotool windowfocus --sync "$window"; sleep 0.3; }
  # The grid dots (pen 1) give the scale of the drawing: 5 mm between dots.
  # Positions below are millimetres from the lowest, leftmost dot.
  import -window "$window" "$dir/grid.png"
  read -r x0 y0 step < <(convert "$dir/grid.png" txt:- | awk -F'[,: ]+' '/#0000AA/ {
      if (!($1 in xs)) { xs[$1] = 1; n++ } if (min == "" || $1 < min) min = $1
      if (max == "" || $1 > max) max = $1; if ($2 > ymax) ymax = $2 }
      END { printf "%d %d %.5f\n", min, ymax, (max - min) / (n - 1) / 5 }')
  at() { xdotool mousemove --window "$window" "$(awk -v v="$1" -v o="$x0" -v s="$step" \
           'BEGIN { printf "%d", o + v * s + 0.5 }')" "$(awk -v v="$2" -v o="$y0" -v s="$step" \
           'BEGIN { printf "%d", o - v * s + 0.5 }')"; sleep 0.15; }
  click() { at "$1" "$2"; xdotool click 1; sleep 0.4; }
  dialog() { xdotool windowfocus --sync "$(xdotool search --sync --name "^$1\$" | tail -n 1)"; }
  # Create > Node: four inertias along a line.
  focus
  xdotool key alt+c n
  local x j=20
  for x in 40 70 100 130; do
    click "$x" 100
    dialog "Create Inertia"
    xdotool key ctrl+a
    xdotool type "$j"
    xdotool key Return
    sleep 0.4
    j=$((j + 10))
  done
  # Create > Stiffness > Node to node: three shafts.
  focus
  xdotool key alt+c s n
  for x in 40 70 100; do
    click "$x" 100
    click $((x + 30)) 100
    dialog "Create Stiffness"
    xdotool key ctrl+a
    xdotool type 1e6
    xdotool key Return
    sleep 0.4
  done
  # Modify > Title and Orders...: a step of 0 is refused, 0.5 is taken.
  focus
  xdotool key alt+m t
  dialog "Title and Orders"
  xdotool type "Test rig with half orders"
  xdotool key Tab ctrl+a
  xdotool type 0.5
  xdotool key Tab ctrl+a
  xdotool type 12
  xdotool key Tab ctrl+a
  xdotool type 0
  xdotool key Return
  dialog "Title and Orders"   # the message
  xdotool key Return
  dialog "Title and Orders"
  xdotool key ctrl+a   # the step field still has the focus
  xdotool type 0.5
  xdotool key Return
  sleep 0.5
  # Calculate > Frequencies, then Modify > Delete of inertia 2 and Modify >
  # Move of inertia 3 (now 2) dragged down.
  focus
  xdotool key F5
  sleep 1
  focus
  xdotool key alt+m d
  click 70 100
  focus
  xdotool key alt+m v
  at 100 100
  xdotool mousedown 1
  local y
  for y in 97 93 89 85 80; do at 100 "$y"; done
  xdotool mouseup 1
  sleep 0.5
  at 200 40
  sleep 0.3
  import -window "$window" "$out"
  # Ctrl+S: a new model, so the file dialog.
  focus
  xdotool key ctrl+s
  sleep 1
  xdotool type "$dir/rig.rtm"
  xdotool key Return
  sleep 0.5
  echo "caption after the first Ctrl+S: $(xdotool getwindowname "$window")"
  # Another title, and Ctrl+S again: no dialog.
  focus
  xdotool key alt+m t
  dialog "Title and Orders"
  xdotool key End
  xdotool type ", saved twice"
  xdotool key Return
  sleep 0.3
  echo "caption after the edit: $(xdotool getwindowname "$window")"
  focus
  xdotool key ctrl+s
  sleep 0.5
  echo "caption after the second Ctrl+S: $(xdotool getwindowname "$window")"
  # File > New, then Open of the file written.
  focus
  xdotool key ctrl+n
  sleep 0.5
  echo "caption after New: $(xdotool getwindowname "$window")"
  focus
  xdotool key ctrl+o
  sleep 1
  xdotool type "$dir/rig.rtm"
  xdotool key Return
  sleep 0.5
  echo "caption after Open: $(xdotool getwindowname "$window")"
  echo "--- $dir/rig.rtm"
  cat "$dir/rig.rtm"
}
if [ "${SPINDRA_INSIDE_XVFB:-}" = 1 ]; then
  run
else
  SPINDRA_INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$out"
  echo "wrote $out"
fi
