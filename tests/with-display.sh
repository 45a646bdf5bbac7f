#!/usr/bin/env bash
# Runs a command against a private Xvfb (1280 x 800, 24-bit) that it starts
# on a free display number and stops afterwards. Mesa's software OpenGL
# serves the GL context; GTK keeps its settings in memory. The server does
# not reset when its last client leaves: a program started just then would
# find no display.
set -u
if ! command -v Xvfb >/dev/null; then
  echo "with-display: Xvfb is not installed (run scripts/install-deps)" >&2
  exit 1
fi
tmp=$(mktemp -d)
exec 3>"$tmp/display"
Xvfb -displayfd 3 -screen 0 "${CELLREEL_XVFB_SCREEN:-1280x800x24}" -nolisten tcp -noreset +extension GLX >"$tmp/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
  [[ -s "$tmp/display" ]] && break
  sleep 0.05
done
if [[ ! -s "$tmp/display" ]]; then
  echo "with-display: Xvfb did not start" >&2
  cat "$tmp/xvfb.log" >&2
  kill "$xvfb_pid" 2>/dev/null
  rm -rf "$tmp"
  exit 1
fi
export DISPLAY=":$(head -n1 "$tmp/display")"
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 LIBGL_ALWAYS_SOFTWARE=1
unset WAYLAND_DISPLAY
"$@"
status=$?
kill "$xvfb_pid" 2>/dev/null
wait "$xvfb_pid" 2>/dev/null
rm -rf "$tmp"
exit $status
