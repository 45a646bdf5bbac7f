#!/usr/bin/env bash
# The program under a Wayland compositor, once as an X11 client of its
# XWayland server and once through SDL's native Wayland driver: it opens its
# window and paints the panel, takes a click, opens the file chooser, and
# ends with status 0 when its close box is clicked.
#
# Weston runs inside the test's Xvfb (weston_session.sh): xdotool clicks and
# screenshots go through the Xvfb, and Weston passes them on as seat input.
set -u
source "$(dirname "$0")/weston_session.sh"
start_weston 1 1024 768
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
