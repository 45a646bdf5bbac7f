# Shared by the tests that run the program under Weston: a private runtime
# folder, Weston with its X11 back end inside the test's Xvfb (that back end
# gives it a seat: the headless one has none, and SDL 2.26 cannot start
# without one) and its XWayland, and helpers that look at the screen and
# click. Weston's output is an X window at the Xvfb's origin, so at scale 1
# Weston's coordinates are screen coordinates; at scale N a logical pixel is
# an N x N block of the screen.
# Source it; it sets bin, runtime, weston_pid, app_pid, xwayland_display and
# outer_display, and cleans up on exit.
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

# start_weston SCALE WIDTH HEIGHT: the output's scale and logical size.
start_weston() {
  weston --backend=x11-backend.so --use-pixman --width="$2" --height="$3" --scale="$1" \
    --socket=wayland-test --idle-time=0 --xwayland --debug >"$runtime/weston.log" 2>&1 &
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
  # The screen's last pixel lies outside Weston's output, which starts at
  # the origin: a pointer parked there has left it.
  read -r park_x park_y < <(xdpyinfo -display "$outer_display" |
    awk '/dimensions:/ { split($2, d, "x"); print d[1] - 1, d[2] - 1; exit }')
}

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
  DISPLAY=$outer_display xdotool mousemove "$park_x" "$park_y" sleep 0.05 \
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
