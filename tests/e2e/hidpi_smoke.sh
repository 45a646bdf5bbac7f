#!/usr/bin/env bash
# The program on SDL's native Wayland driver on an output of scale N (the
# argument; 1 or 2): the canvas fills the window at the output's resolution,
# each logical pixel an exact N x N block; the pointer's logical position
# meets what is drawn under it; a click acts; the close box ends the program
# with status 0. Needs a screen of at least 1800 x 1400 at scale 2.
set -u
n=${1:?scale}
source "$(dirname "$0")/weston_session.sh"
start_weston "$n" 900 700
mode="native Wayland, scale $n"
face=DCDCDC

area_is_window() { area=$(client_area) && [[ $area == $((800 * n))x$((600 * n))+* ]]; }
shot() { import -display "$outer_display" -window root "$runtime/shot.png" 2>/dev/null; }
# crop LX LY LW LH: that logical rectangle of the client area, as an image.
crop() {
  convert "$runtime/shot.png" -crop $(($3 * n))x$(($4 * n))+$((x + $1 * n))+$((y + $2 * n)) \
    +repage "$runtime/crop.png"
}
# The colours of the cropped picture, one a line, as RRGGBB.
colours() { convert "$runtime/crop.png" -unique-colors txt:- | sed -n 's/.*#\([0-9A-F]\{6\}\).*/\1/p'; }
hex_at() { shot && convert "$runtime/shot.png" -format "%[hex:p{$1,$2}]" info:; }
# Every N x N block of the cropped picture is one colour: sampling one pixel
# a block and blowing it up again gives the same picture.
blocks_exact() {
  [[ $(convert "$runtime/crop.png" \( +clone -sample $((100 / n))% -sample $((100 * n))% \) \
       -metric AE -compare -format '%[distortion]' info: 2>/dev/null) == 0 ]]
}
caption_sum() { shot && crop 20 55 80 16 && md5sum <"$runtime/crop.png"; }
caption_changed() { [[ $(caption_sum) != "$pause_sum" ]]; }

env -u DISPLAY WAYLAND_DISPLAY=wayland-test SDL_VIDEODRIVER=wayland "$bin" \
  >"$runtime/app.log" 2>&1 &
app_pid=$!
wait_for 20 has_window Cellreel || fail "no window"
wait_for 10 area_is_window || fail "the panel does not fill the window (saw '${area:-nothing}')"
IFS='x+' read -r _ _ x y <<<"$area"
sleep 1.2  # the window settles

# Around "Quit": exact blocks; the face, its light and dark edges, the
# caption and the panel all there.
shot && crop 670 530 130 70
blocks_exact || fail "the picture around Quit is not made of exact ${n}x$n blocks"
found=$(colours | tr '\n' ' ')
for want in "$face" 7878AA 000000 F5F5F5 969696; do
  [[ " $found " == *" $want "* ]] || fail "no $want around Quit (saw $found)"
done

# The pointer at logical (740, 308) is over "Load": its face darkens where
# the face begins.
[[ $(hex_at $((x + 700 * n + 1)) $((y + 296 * n + 1))) == "$face" ]] || fail "Load's face"
DISPLAY=$outer_display xdotool mousemove "$park_x" "$park_y" sleep 0.05 \
  mousemove $((x + 740 * n)) $((y + 308 * n))
wait_for 5 eval '[[ $(hex_at $((x + 700 * n + 1)) $((y + 296 * n + 1))) != "$face" ]]' ||
  fail "the pointer over Load does not darken it"

# The first press only arms the click handshake; then "Pause" turns "Run".
pause_sum=$(caption_sum)
click $((x + 60 * n)) $((y + 500 * n))
click_until $((x + 60 * n)) $((y + 62 * n)) caption_changed || fail "the click on Pause did nothing"

click_until $((x + 800 * n - 16 * n)) $((y - 12 * n)) eval '! kill -0 $app_pid 2>/dev/null' ||
  fail "still running after the close box"
wait "$app_pid"
status=$?
app_pid=
[[ $status -eq 0 ]] || fail "exit status $status"
echo "ok ($mode)"
