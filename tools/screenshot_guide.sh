#!/usr/bin/env bash
# Takes the pictures of the user's guide (docs/guide.md) by doing its job
# with the real program under Xvfb, as a user would: from a blank canvas it
# sets the title and orders, draws the inertias and shafts of a diesel
# generator set, defines the engine with its firing order, saves the model,
# calculates, opens the list file and the Campbell diagram, and enters the
# forced-response data (sweep, excitation from examples/diesel-pressure-curve.csv,
# shaft limits) to show the forced response and its report.
#   tools/screenshot_guide.sh [OUTDIR]      (default docs/guide)
# The model is saved in a scratch folder, never over the examples.  Needs xvfb, xdotool, imagemagick and
# openbox (for the windows' frames and captions).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/docs/guide}")
program=${SPINDRA:-$root/build/spindra}
[ -x "$program" ] || { echo "build the program first ($program)" >&2; exit 1; }

# Millimetres on the sheet to pixels in the main window, for a 1280 x 1024
# screen: the sheet starts 15 px from the window's left edge at 3.76 px/mm.
px() { echo $((15 + $1 * 376 / 100)); }
row=480  # the window's y of the line the inertias stand on

# Waits for a visible window whose caption matches, prints its id.
wait_window() {
  local id
  for _ in $(seq 50); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.2
  done
  echo "no window '$1' appeared" >&2
  exit 1
}

# Types a value into the field at (x, y) of window $1, replacing its text.
field() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
  xdotool key ctrl+a
  xdotool type --delay 5 "$4"
}

shot() { import -frame -window "$1" "$out/$2"; }

run() {
  mkdir -p "$out"
  local dir
  dir=$(mktemp -d)
  openbox >/dev/null 2>&1 &
  local wm=$!
  sleep 1
  (cd "$dir" && exec "$program") &
  local pid=$!
  trap 'kill $pid $wm 2>/dev/null || true; rm -rf "$dir"' RETURN
  local main
  main=$(wait_window "^Harbrook")
  xdotool windowfocus --sync "$main"
  sleep 1

  # Modify > Title and Orders...: the title and the half orders of a
  # four-stroke engine.
  xdotool key alt+m t
  local d
  d=$(wait_window "^Title and Orders")
  xdotool type --delay 5 "Diesel generator set: 6-cylinder four-stroke in-line engine"
  xdotool key Tab; xdotool type "0.5"
  xdotool key Tab; xdotool type "12"
  xdotool key Tab; xdotool type "0.5"
  sleep 0.3
  shot "$d" title-and-orders.png
  xdotool key Return
  sleep 0.5

  # Create > Node: a click per inertia, each with its dialog: the inertia
  # (kg.m^2), the external damping (N.m.s/rad) and the name.
  xdotool windowfocus --sync "$main"
  xdotool key alt+c n
  sleep 0.3
  local x inertia damping name
  while read -r x inertia damping name; do
    xdotool mousemove --window "$main" "$(px "$x")" "$row" click 1
    d=$(wait_window "^Create Inertia")
    field "$d" 350 47 "$inertia"
    field "$d" 350 73 "$damping"
    field "$d" 350 99 "$name"
    if [ "$name" = Damper ]; then shot "$d" inertia-dialog.png; fi
    xdotool key Return
    sleep 0.4
  done <<'EOF'
30 0.55 800 Damper
55 0.82 30 Cylinder 1
80 0.82 30 Cylinder 2
105 0.82 30 Cylinder 3
130 0.82 30 Cylinder 4
155 0.82 30 Cylinder 5
180 0.82 30 Cylinder 6
205 12.0 0 Flywheel
255 18.5 0 Generator rotor
EOF

  # Create > Stiffness > Node to node: two clicks per shaft, then its
  # stiffness (N.m/rad), internal damping (N.m.s/rad), diameter and bore (mm).
  xdotool windowfocus --sync "$main"
  xdotool key alt+c s n
  sleep 0.3
  local a b k c diam bore
  while read -r a b k c diam bore; do
    xdotool mousemove --window "$main" "$(px "$a")" "$row" click 1
    sleep 0.3
    xdotool mousemove --window "$main" "$(px "$b")" "$row" click 1
    d=$(wait_window "^Create Stiffness")
    field "$d" 350 47 "$k"
    field "$d" 350 73 "$c"
    field "$d" 350 99 "$diam"
    field "$d" 350 125 "$bore"
    if [ "$a" = 205 ]; then shot "$d" stiffness-dialog.png; fi
    xdotool key Return
    sleep 0.4
  done <<'EOF'
30 55 3100000 0 110 0
55 80 2600000 0 110 30
80 105 2600000 0 110 30
105 130 2600000 0 110 30
130 155 2600000 0 110 30
155 180 2600000 0 110 30
180 205 4200000 0 120 0
205 255 150000 200 0 0
EOF
  xdotool mousemove --window "$main" 600 800
  sleep 0.5
  shot "$main" drawn.png

  # Create > Engine: a right click opens the engine dialog; then a left
  # click on each cylinder's inertia, cylinder 1 first.
  xdotool key alt+c e
  sleep 0.3
  xdotool mousemove --window "$main" 500 700 click 3
  d=$(wait_window "^Create Engine")
  field "$d" 133 47 6
  xdotool key Tab
  xdotool mousemove --window "$d" 18 96 click 1  # 4 Stroke
  local c position=0
  for c in 1 5 3 6 2 4; do
    field "$d" $((36 + 60 * position)) 167 "$c"
    position=$((position + 1))
  done
  xdotool key Tab
  sleep 0.5
  shot "$d" engine-dialog.png
  xdotool mousemove --window "$d" 50 344 click 1  # OK
  sleep 0.5
  for x in 55 80 105 130 155 180; do
    xdotool mousemove --window "$main" "$(px "$x")" "$row" click 1
    sleep 0.4
  done
  xdotool key alt+c e  # leave the mode

  # File > Save (Ctrl+S): a model without a file asks for one.
  xdotool key ctrl+s
  d=$(wait_window "^Save")
  xdotool type --delay 5 "$dir/diesel-generator-guide.rtm"
  xdotool key Return
  sleep 1

  # Calculate > Frequencies (F5); then the second mode, drawn larger.
  xdotool windowfocus --sync "$main"
  xdotool key F5
  sleep 2
  xdotool mousemove --window "$main" 1182 88 click 1  # second entry of the list
  sleep 0.5
  field "$main" 1232 32 20
  xdotool key Return
  xdotool mousemove --window "$main" "$(px 130)" "$row"
  sleep 1
  shot "$main" frequencies.png

  # File > Review List file.
  xdotool key alt+f r
  d=$(wait_window "List file viewer")
  sleep 1
  shot "$d" list-file.png
  xdotool windowfocus --sync "$d"
  xdotool key alt+x  # Exit of the viewer
  sleep 0.5

  # Calculate > Campbell Diagram.
  xdotool windowfocus --sync "$main"
  xdotool key alt+l c
  d=$(wait_window "^Campbell")
  sleep 1
  # The speed range 0 to 3000 rev/min and the operating range of a
  # 1500 rev/min generator set, typed into the fields below the diagram.
  local f
  for f in "120 0" "210 3000" "484 1400" "586 1600"; do
    set -- $f
    field "$d" "$1" 775 "$2"
    xdotool key Tab
    sleep 0.3
  done
  # Rest the mouse on the crossing of order 3 with the third mode.
  xdotool mousemove --window "$d" 522 567
  sleep 0.3
  xdotool mousemove_relative 1 1
  sleep 0.5
  shot "$d" campbell.png

  # Calculate > Forced Damped: the window says what is missing; the data
  # goes in through its Data menu.
  xdotool windowfocus --sync "$main"
  xdotool key alt+l d
  local forced
  forced=$(wait_window "^Forced Response$")
  sleep 2
  xdotool windowfocus --sync "$forced"
  xdotool key alt+d s
  d=$(wait_window "^Forced Response Sweep")
  field "$d" 232 21 300
  field "$d" 232 47 1650
  field "$d" 232 73 5
  field "$d" 232 99 1500
  sleep 0.3
  shot "$d" sweep-dialog.png
  xdotool key alt+o
  sleep 0.5
  # Data > Excitation: the engine's dimensions, then its gas harmonics from
  # the cylinder pressure curve.
  xdotool windowfocus --sync "$forced"
  xdotool key alt+d e
  d=$(wait_window "^Excitation")
  field "$d" 190 47 170
  field "$d" 190 73 210
  field "$d" 190 99 420
  field "$d" 190 125 11.5
  field "$d" 190 151 22
  xdotool key Tab
  xdotool mousemove --window "$d" 316 499 click 1  # Import pressure curve...
  local open
  open=$(wait_window "^Open$")
  xdotool windowfocus --sync "$open"
  xdotool type --delay 5 "$root/examples/diesel-pressure-curve.csv"
  xdotool key Return
  sleep 1.5
  shot "$d" excitation-dialog.png
  xdotool windowfocus --sync "$d"
  xdotool key alt+o
  sleep 0.5
  # Data > Shaft Limits: the crank (800 MPa) and the flange (700 MPa).
  xdotool windowfocus --sync "$forced"
  xdotool key alt+d l
  d=$(wait_window "^Shaft Limits")
  # From the shaft number field, Tab leads to the tensile strength and the
  # factor ck (1.0: plain sections), and Shift+Tab twice back.
  local s uts
  for s in 1 2 3 4 5 6 7; do
    uts=800
    [ "$s" != 7 ] || uts=700
    xdotool key ctrl+a; xdotool type "$s"; xdotool key Tab
    sleep 0.3
    xdotool key ctrl+a; xdotool type "$uts"; xdotool key Tab
    xdotool key ctrl+a; xdotool type "1"; xdotool key Tab
    sleep 0.3
    [ "$s" = 7 ] || xdotool key shift+Tab shift+Tab shift+Tab
  done
  shot "$d" limits-dialog.png
  xdotool key alt+o
  sleep 0.5
  # Recalculate (the button beside the plot).
  xdotool mousemove --window "$forced" 920 339 click 1
  sleep 5
  [ -z "${GUIDE_DEBUG:-}" ] || import -window root "$out/debug-root.png"
  xdotool mousemove --window "$forced" 840 600
  sleep 0.5
  shot "$forced" forced-response.png
  # File > Review Report of the Forced Response window.
  xdotool windowfocus --sync "$forced"
  xdotool key alt+f r
  d=$(wait_window "List file viewer")
  sleep 1
  # On to the page of the synthesized stresses against the limits.
  xdotool mousemove --window "$d" 400 200 click 1
  xdotool key Next Next Next
  sleep 0.5
  shot "$d" forced-report.png
  if [ -n "${GUIDE_DEBUG:-}" ]; then
    xdotool windowfocus --sync "$main"; xdotool key ctrl+s; sleep 1
    cp "$dir"/diesel-generator-guide.* "$out/"
  fi
}

if [ "${SPINDRA_INSIDE_XVFB:-}" = 1 ]; then
  run
else
  SPINDRA_INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$out"
  echo "wrote the pictures of the guide in $out"
fi
