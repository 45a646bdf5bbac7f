#!/usr/bin/env bash
# Checks of the Debian package and of the files it is made from.
# Usage: deb_checks.sh CHECK; the paths come from the environment:
#   DEB (the .deb), SOURCE_DIR, PKG_DIR (generated packaging files),
#   VERSION, X11_CLOSE (tool that sends a window the close request).
set -u
check=$1
fail() { echo "FAIL: $*"; exit 1; }

case $check in
desktop-entry)
  out=$(desktop-file-validate "$SOURCE_DIR/packaging/cellreel.desktop" 2>&1) ||
    fail "desktop-file-validate: $out"
  [[ -z $out ]] || echo "$out"
  ;;

metainfo)
  # Warnings that stay: the component id is not reverse-DNS because the
  # project has no domain of its own to base one on.
  allowed='cid-desktopapp-is-not-rdns'
  out=$(appstreamcli validate --no-net --pedantic "$PKG_DIR/cellreel.metainfo.xml" 2>&1)
  echo "$out"
  while read -r level tag; do
    case $level in
      E:) fail "appstreamcli error $tag" ;;
      W:) [[ " $allowed " == *" $tag "* ]] || fail "appstreamcli warning $tag" ;;
    esac
  done < <(awk '/^[EWIP]: /{print $1, $3}' <<<"$out")
  grep -q "<release version=\"$VERSION\"" "$PKG_DIR/cellreel.metainfo.xml" ||
    fail "metainfo does not name release $VERSION"
  ;;

contents)
  [[ $(basename "$DEB") == cellreel_${VERSION}_$(dpkg --print-architecture).deb ]] ||
    fail "package file is named $(basename "$DEB")"
  list=$(dpkg-deb -c "$DEB" | awk '{print $6}') || fail "dpkg-deb -c $DEB"
  for f in usr/bin/cellreel usr/share/applications/cellreel.desktop \
           usr/share/metainfo/cellreel.metainfo.xml usr/share/man/man1/cellreel.1.gz \
           usr/share/doc/cellreel/copyright usr/share/doc/cellreel/changelog.gz \
           usr/share/icons/hicolor/{32x32,48x48,64x64,128x128,256x256}/apps/cellreel.png; do
    grep -qx "\./$f" <<<"$list" || fail "$f is not in the package"
  done
  [[ $(dpkg-deb -f "$DEB" Version) == "$VERSION" ]] || fail "package version is not $VERSION"
  depends=$(dpkg-deb -f "$DEB" Depends)
  echo "Depends: $depends"
  for lib in libsdl2 libgtk-3 libpng16 libjpeg62-turbo libepoxy; do
    grep -q "\b$lib" <<<"$depends" || fail "Depends does not name $lib"
  done
  [[ $(dpkg-deb -f "$DEB" Recommends) == *libdecor-0-plugin-1-cairo* ]] ||
    fail "Recommends does not name the decoration plugin"
  root=$(mktemp -d)
  trap 'rm -rf "$root"' EXIT
  dpkg-deb -x "$DEB" "$root"
  for size in 32 48 64 128 256; do
    icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/cellreel.png
    got=$(identify -format '%wx%h' "$icon")
    [[ $got == "${size}x${size}" ]] || fail "the ${size}x${size} icon is $got"
  done
  # Enlarged icons are the logo with each pixel repeated, centred.
  logo=$SOURCE_DIR/Images/quillmark.png
  for geometry in 128:1:4:14 256:2:8:28; do
    IFS=: read -r size k left top <<<"$geometry"
    icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/cellreel.png
    convert "$logo" -sample "$((k * 100))%" "$root/want.png"
    convert "$icon" -crop "$((120 * k))x$((100 * k))+$left+$top" +repage "$root/got.png"
    diff=$(compare -metric AE "$root/want.png" "$root/got.png" null: 2>&1)
    [[ $diff == 0 ]] || fail "the ${size}x${size} icon differs from the logo in $diff pixels"
  done
  zcat "$root/usr/share/man/man1/cellreel.1.gz" |
    grep -q "^\.TH CELLREEL 1 .*\"Cellreel $VERSION\"" ||
    fail "the manual page does not name version $VERSION"
  ;;

starts)
  # The packaged program, unpacked into a throw-away root, opens its window
  # and draws its panel, and ends with status 0 on the close request.
  root=$(mktemp -d)
  pid=
  trap '[[ -n $pid ]] && kill "$pid" 2>/dev/null; rm -rf "$root"' EXIT
  dpkg-deb -x "$DEB" "$root"
  "$root/usr/bin/cellreel" &
  pid=$!
  win=$(timeout 30 xdotool search --sync --onlyvisible --pid "$pid" --name '^Cellreel$' | head -n1)
  [[ -n $win ]] || fail "no window appeared"
  drawn=0
  for _ in $(seq 100); do
    # The panel's grey buttons and white labels lift the window's mean
    # above the black of a cleared, unpainted canvas.
    mean=$(import -window "$win" png:- 2>/dev/null | convert - -format '%[fx:mean>0.05]' info:)
    [[ $mean == 1 ]] && { drawn=1; break; }
    sleep 0.1
  done
  ((drawn)) || fail "the window stays blank"
  "$X11_CLOSE" "$win"
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "still running after the close request"
  wait "$pid"
  status=$?
  pid=
  [[ $status -eq 0 ]] || fail "exit status $status"
  ;;

lintian)
  # Root is what CI runs as; lintian only notes it.
  lintian --fail-on error --display-level '>=warning' "$DEB" 2>&1 |
    grep -v "^running with root privileges"
  status=${PIPESTATUS[0]}
  [[ $status -eq 0 ]] || fail "lintian reports errors (status $status)"
  ;;

*) fail "unknown check $check" ;;
esac
