#!/usr/bin/env bash
# The program under a Wayland compositor, once as an X11 client of its
# XWayland server and once through SDL's native Wayland driver: it opens its
# window and paints the panel, takes a click, opens the file chooser, and
# ends with status 0 when its close box is clicked.
#
# Weston runs with its X11 back end inside the test's Xvfb: that back end
# gives it a seat (the headless one has none, and SDL 2.26 cannot start
# without one). Its output is an X window at the Xvfb's origin, so Weston's
# coordinates are screen coordinates: xdotool clicks and screenshots go
# through the Xvfb, and Weston passes them on as seat input.
set -u
bin=${CELLREEL_BIN:?}
runtime=$(mktemp -d)
chmod 700 "$runtime"
weston_pid= app_pid=
cleanup() {
  [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null
  [[ -n $weston_pid ]] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
  rm -rf "$runtime"
}
trap cleanup EXIT
fail() {
  echo "FAIL ($mode): $*"
  [[ -s $runtime/app.log ]] && { echo "--- program output"; cat "$runtime/app.log"; }
  echo "--- weston log"; tail -n 20 "$runtime/weston.log"
  exit 1
}

export XDG_RUNTIME_DIR=$runtime
mode=compositor
weston --backend=x11-backend.so --use-pixman --width=1024 --height=768 --socket=wayland-test \
  --idle-time=0 --xwayland --debug >"$runtime/weston.log" 2>&1 &
weston_pid=$!
xwayland_display=
for _ in $(seq 100); do
  xwayland_display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' \
                     "$runtime/weston.log")
  [[ -S $runtime/wayland-test && -n $xwayland_display ]] && break
  sleep 0.1
done
[[ -n $xwayland_display ]] || fail "weston did not start"
# Weston starts XWayland on the first X connection; in a session it is up,
# with its window manager, long before a program starts. Windows mapped
# before the window manager runs stay without frame.
xdpyinfo -display "$xwayland_display" >/dev/null 2>&1 || fail "XWayland did not start"
for _ in $(seq 100); do
  grep -q 'created wm' "$runtime/weston.log" && break
  sleep 0.1
done
grep -q 'created wm' "$runtime/weston.log" || fail "XWayland's window manager did not start"
outer_display=$DISPLAY

# Titles of the top-level windows Weston shows.
toplevels() {
  WAYLAND_DISPLAY=wayland-test timeout 5 weston-debug scene-graph 2>/dev/null |
    sed -n "s/.*top-level window '\(.*\)'.*/\1/p"
}
# Client area of the program's window on the screen, "800x600+X+Y": the
# bounding box of the panel's background colour.
client_area() {
  import -display "$outer_display" -window root "$runtime/shot.png" 2>/dev/null &&
    convert "$runtime/shot.png" -fill black +opaque 'srgb(120,120,170)' \
      -fill white -opaque 'srgb(120,120,170)' -format '%@' info: 2>/dev/null
}
pixel() {  # pixel X Y: colour of a screen pixel
  import -display "$outer_display" -window root "$runtime/shot.png" 2>/dev/null &&
    convert "$runtime/shot.png" -format "%[pixel:p{$1,$2}]" info:
}
# Weston's X11 back end moves its pointer by the difference between two X
# pointer positions, and a motion it misses leaves its pointer off the X
# one. Where the X pointer enters its output, it takes the position as it
# is: each click leaves the output and comes back.
click() {
  DISPLAY=$outer_display xdotool mousemove 1279 799 sleep 0.05 \
    mousemove "$1" "$2" sleep 0.1 click 1 sleep 0.1
}
wait_for() {  # wait_for SECONDS COMMAND...: until COMMAND succeeds
  local until=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < until)) || return 1
    sleep 0.1
  done
}
# click_until X Y COMMAND...: clicks at (X, Y) until COMMAND succeeds, five
# times at most. Under the native driver a click in the window's first
# moments can land on the decoration's border surface, which lies above the
# window and lets clicks through only once its input region has been
# applied: a lost click is clicked again.
click_until() {
  local x=$1 y=$2
  shift 2
  for _ in 1 2 3 4 5; do
    click "$x" "$y"
    wait_for 2 "$@" && return 0
  done
  return 1
}
has_window() { toplevels | grep -qx "$1"; }
# title_of TITLE: a point in the middle of the top edge of that window's
# surface, below the shadow of its client-side frame: its title bar.
title_of() {
  WAYLAND_DISPLAY=wayland-test timeout 5 weston-debug scene-graph 2>/dev/null |
    awk -v t="top-level window '$1'" 'index($0, t) { found = 1; next }
      found && /position:/ {
        gsub(/[(),>-]/, " ")
        x = int(($2 + $4) / 2); y = $3 + 40
        print (x > 1000 ? 1000 : x < 0 ? 0 : x), (y < 0 ? 0 : y); exit }'
}
lacks_window() { ! toplevels | grep -qx "$1"; }
area_is_window() { area=$(client_area) && [[ $area == 800x600+* ]]; }
pixel_is() { [[ $(pixel "$1" "$2") == "$3" ]]; }
# The preview's background after one or more steps of "BG Red" (step 5).
red_preview() {
  [[ $(pixel "$1" "$2") =~ ^srgb\(([0-9]+),0,0\)$ ]] &&
    ((BASH_REMATCH[1] > 0 && BASH_REMATCH[1] % 5 == 0))
}

is_x11_window() { [[ -n $(DISPLAY=$xwayland_display xdotool search --name '^Cellreel$') ]]; }

# run MODE CLOSE_DX CLOSE_DY ENV...: the close box lies at (right + DX,
# top + DY) of the client area; its decoration differs between the modes.
run() {
  mode=$1 close_dx=$2 close_dy=$3
  shift 3
  env "$@" "$bin" >"$runtime/app.log" 2>&1 &
  app_pid=$!
  wait_for 20 has_window Cellreel || fail "no window"
  if [[ $mode == xwayland ]]; then
    is_x11_window || fail "not an X11 window"
  else
    is_x11_window && fail "an X11 window, not a Wayland one"
  fi
  wait_for 10 area_is_window || fail "the panel is not painted (saw '${area:-nothing}')"
  IFS='x+' read -r _ _ x y <<<"$area"
  # The first press after start-up registers no click: one on an empty
  # spot arms the handshake. Then the step-up button of "BG Red": the
  # preview turns (5, 0, 0), or a multiple of it if a click was repeated.
  pixel_is $((x + 400)) $((y + 300)) 'srgb(0,0,0)' || fail "preview not black"
  click $((x + 60)) $((y + 500))
  click_until $((x + 330)) $((y + 580)) red_preview $((x + 400)) $((y + 300)) ||
    fail "the click on BG Red did not reach the program"
  # "Load" opens the chooser; Escape closes it and the program goes on.
  click_until $((x + 740)) $((y + 308)) has_window "Select graphic file to open" ||
    fail "no file chooser"
  # Escape reaches the chooser while it has the keyboard focus. Weston can
  # move the focus away as the chooser maps: a click on its title gives it
  # back.
  local closed=0
  for _ in 1 2 3 4 5; do
    DISPLAY=$outer_display xdotool key Escape
    wait_for 2 lacks_window "Select graphic file to open" && { closed=1; break; }
    click $(title_of "Select graphic file to open")
  done
  ((closed)) || fail "the chooser stays open"
  kill -0 "$app_pid" 2>/dev/null || fail "ended after the chooser"
  click_until $((x + 800 + close_dx)) $((y + close_dy)) eval '! kill -0 $app_pid 2>/dev/null' ||
    fail "still running after the close box"
  wait "$app_pid"
  local status=$?
  app_pid=
  [[ $status -eq 0 ]] || fail "exit status $status"
  grep -q "No plugins found" "$runtime/app.log" && fail "no decoration plugin"
  # The next run must not find this window's last picture.
  wait_for 10 lacks_window Cellreel || fail "the window stays after the end"
  wait_for 10 eval '! area_is_window' || fail "the window's picture stays after the end"
  echo "ok ($mode)"
}

# A Wayland session's environment: SDL 2 picks X11 there, and so runs
# through XWayland; GTK's chooser picks Wayland. Then SDL's own Wayland
# driver, with the window decorations of libdecor's plugin.
run xwayland -14 -14 -u SDL_VIDEODRIVER DISPLAY="$xwayland_display" WAYLAND_DISPLAY=wayland-test
run wayland -16 -12 DISPLAY="$xwayland_display" WAYLAND_DISPLAY=wayland-test \
  SDL_VIDEODRIVER=wayland
