#!/usr/bin/env bash
# Checks of the Debian package and of the files it is made from.
# Usage: deb_checks.sh CHECK; the paths come from the environment:
#   DEB (the .deb), SOURCE_DIR, BUILD_DIR, PKG_DIR (generated packaging files),
#   VERSION, APP_ID (the AppStream component id), X11_CLOSE (tool that sends a window the close request).
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
  # No error and no warning, as lintian's own validation asks; informational
  # and pedantic notes are shown.
  metainfo=$PKG_DIR/$APP_ID.metainfo.xml
  out=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1)
  echo "$out"
  while read -r level tag; do
    case $level in
      E:) fail "appstreamcli error $tag" ;;
      W:) fail "appstreamcli warning $tag" ;;
    esac
  done < <(awk '/^[EWIP]: /{print $1, $3}' <<<"$out")
  grep -q "<id>$APP_ID</id>" "$metainfo" || fail "metainfo does not name the id $APP_ID"
  grep -q "<launchable type=\"desktop-id\">$APP_ID.desktop</launchable>" "$metainfo" ||
    fail "metainfo does not launch $APP_ID.desktop"
  grep -q "<release version=\"$VERSION\"" "$metainfo" ||
    fail "metainfo does not name release $VERSION"
  ;;

contents)
  [[ $(basename "$DEB") == cellreel_${VERSION}_$(dpkg --print-architecture).deb ]] ||
    fail "package file is named $(basename "$DEB")"
  list=$(dpkg-deb -c "$DEB" | awk '{print $6}') || fail "dpkg-deb -c $DEB"
  for f in usr/bin/cellreel usr/share/applications/$APP_ID.desktop \
           usr/share/metainfo/$APP_ID.metainfo.xml usr/share/man/man1/cellreel.1.gz \
           usr/share/doc/cellreel/copyright usr/share/doc/cellreel/changelog.gz \
           usr/share/icons/hicolor/{32x32,48x48,64x64,128x128,256x256}/apps/cellreel.png; do
    grep -qx "\./$f" <<<"$list" || fail "$f is not in the package"
  done
  [[ $(dpkg-deb -f "$DEB" Version) == "$VERSION" ]] || fail "package version is not $VERSION"
  depends=$(dpkg-deb -f "$DEB" Depends)
  echo "Depends: $depends"
  # libgl1 and libegl1: SDL and libepoxy load GL at run time.
  for lib in libsdl2 libgtk-3 libpng16 libjpeg62-turbo libepoxy libgl1 libegl1; do
    grep -q "\b$lib" <<<"$depends" || fail "Depends does not name $lib"
  done
  # GTK is loaded at the first dialog, not linked, so dpkg-shlibdeps does
  # not see it: Depends names it at a version that has every GDK and GTK
  # call the dialogs resolve (the newest, by libgtk-3-0's symbols file).
  symbols=$(ls /var/lib/dpkg/info/libgtk-3-0*.symbols 2>/dev/null | head -n1)
  if [[ -n $symbols ]]; then
    need=$(grep -o 'X(g[dt]k_[a-z0-9_]*)' "$SOURCE_DIR/platform/window/gtk_library.h" |
      sed 's/^X(\(.*\))$/ \1@Base /' | grep -F -f - "$symbols" | awk '{print $2}' | sort -V | tail -n1)
    have=$(sed -n 's/.*libgtk-3-0 (>= \([^)]*\)).*/\1/p' <<<"$depends")
    [[ -n $need && -n $have ]] || fail "no GTK version in Depends ($have) or in $symbols ($need)"
    dpkg --compare-versions "$have" ge "$need" ||
      fail "Depends names libgtk-3-0 >= $have; the dialogs' calls need $need"
  fi
  [[ $(dpkg-deb -f "$DEB" Recommends) == *libdecor-0-plugin-1-cairo* ]] ||
    fail "Recommends does not name the decoration plugin"
  root=$(mktemp -d)
  trap 'rm -rf "$root"' EXIT
  dpkg-deb -x "$DEB" "$root"
  # Linked, GTK and the libraries beneath it would load before the window.
  ! readelf -d "$root/usr/bin/cellreel" | grep -q 'NEEDED.*libg[dt]k' ||
    fail "the program links GTK instead of loading it at the first dialog"
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
  cmp -s "$root/usr/share/doc/cellreel/copyright" "$SOURCE_DIR/packaging/copyright" ||
    fail "the packaged copyright file is not packaging/copyright"
  zcat "$root/usr/share/man/man1/cellreel.1.gz" |
    grep -q "^\.TH CELLREEL 1 .*\"Cellreel $VERSION\"" ||
    fail "the manual page does not name version $VERSION"
  ;;

starts)
  # The packaged program, unpacked into a throw-away root (or the command
  # PROGRAM, an installed copy), opens its window and draws its panel, and
  # ends with status 0 on the close request.
  root=$(mktemp -d)
  pid=
  trap '[[ -n $pid ]] && kill "$pid" 2>/dev/null; rm -rf "$root"' EXIT
  if [[ -n ${PROGRAM:-} ]]; then
    read -ra program <<<"$PROGRAM"
  else
    dpkg-deb -x "$DEB" "$root"
    program=("$root/usr/bin/cellreel")
  fi
  "${program[@]}" 2>"$root/stderr" &
  pid=$!
  win=$(timeout 30 xdotool search --sync --all --onlyvisible --pid "$pid" --name '^Cellreel$' | head -n1)
  [[ -n $win ]] || fail "no window appeared: $(cat "$root/stderr")"
  # The main window, not the message box a failed start shows under the
  # same title.
  size=$(xwininfo -id "$win" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
  [[ $size == 800x600 ]] || fail "the window is $size, not 800x600: $(cat "$root/stderr")"
  drawn=0
  for _ in $(seq 100); do
    # The panel's colour beside the buttons, where a cleared, unpainted
    # canvas is black.
    colour=$(import -window "$win" -crop 1x1+5+300 -depth 8 txt:- 2>/dev/null |
      sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1,\2,\3/p')
    [[ $colour == 120,120,170 ]] && { drawn=1; break; }
    sleep 0.1
  done
  ((drawn)) || fail "the panel is not drawn (${colour:-nothing} at 5,300): $(cat "$root/stderr")"
  "$X11_CLOSE" "$win"
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "still running after the close request"
  wait "$pid"
  status=$?
  pid=
  [[ $status -eq 0 ]] || fail "exit status $status"
  ;;

lintian)
  # Root is what CI runs as; lintian only notes it. Informational and
  # pedantic tags are shown, but only hardening ones fail.
  out=$(lintian --pedantic --display-info --fail-on error,warning "$DEB" 2>&1)
  status=$?
  grep -v "^running with root privileges" <<<"$out"
  [[ $status -eq 0 ]] || fail "lintian reports errors or warnings (status $status)"
  ! grep -q ' hardening-' <<<"$out" || fail "lintian reports missing hardening"
  ;;

hardening)
  # The packaged (stripped) program, as installed. Control-flow protection
  # is marked on a program only when every object linked into it carries
  # the mark, and Debian 12's C start files (Scrt1.o, crti.o, crtn.o) do
  # not: no program linked there can pass that line, so it is checked on
  # the program's own objects instead. "Stack clash protection: unknown"
  # is no failure: no function has a frame large enough to need probes.
  root=$(mktemp -d)
  trap 'rm -rf "$root"' EXIT
  dpkg-deb -x "$DEB" "$root"
  # Branch protection (BTI and pointer authentication) is arm64's; newer
  # hardening-checks look for it on every architecture.
  skip=(--nocfprotection)
  if [[ $(dpkg --print-architecture) != arm64 ]] && hardening-check --help 2>&1 | grep -q -- --nobranchprotection; then
    skip+=(--nobranchprotection)
  fi
  out=$(hardening-check "${skip[@]}" "$root/usr/bin/cellreel" 2>&1)
  status=$?
  echo "$out"
  [[ $status -eq 0 ]] || fail "hardening-check finds the program unhardened"
  if [[ $(dpkg --print-architecture) == amd64 ]]; then
    for obj in "$BUILD_DIR"/libcellreel_*.a "$BUILD_DIR"/CMakeFiles/cellreel.dir/app/main.cpp.o; do
      notes=$(readelf -n "$obj") || fail "readelf $obj"
      objects=$(grep -c '^File: ' <<<"$notes")
      marked=$(grep -c 'x86 feature: IBT, SHSTK' <<<"$notes")
      ((marked >= 1 && marked >= objects)) ||
        fail "$(basename "$obj"): $marked of $((objects > 0 ? objects : 1)) objects have control-flow protection"
    done
  fi
  ;;

symbols)
  # What only tests and benchmarks use stays out of the program: no probe,
  # no counter of presentations or draw calls, no clock of a test's own,
  # nothing of the testing library.
  syms=$(nm -C "$BUILD_DIR/cellreel") || fail "nm $BUILD_DIR/cellreel"
  [[ $(wc -l <<<"$syms") -gt 100 ]] || fail "the program has no symbol table to check"
  hooks=$(grep -iE 'probe|testing|test_clock|draw_calls|DrawCallCount|PresentCount|GLErrorCount|Offscreen|SetHost' <<<"$syms")
  [[ -z $hooks ]] || fail "test hooks in the program: $hooks"
  ;;

licence)
  # LICENSE, the copyright file, the AppStream metadata and the manual name
  # one licence (MIT is SPDX's name for the Expat text) and one holder.
  license=$SOURCE_DIR/LICENSE
  copyright=$SOURCE_DIR/packaging/copyright
  holder='2026 The Cellreel developers'
  [[ $(sed -n 1p "$license") == 'MIT License' ]] || fail "LICENSE is not headed MIT License"
  grep -qx "Copyright (c) $holder" "$license" || fail "LICENSE does not name $holder"
  [[ $(sed -n 1p "$copyright") == 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ]] ||
    fail "packaging/copyright is not machine-readable"
  # The paragraph for every file not named in a later one.
  main=$(awk -v RS= '/^Files: \*\n/' "$copyright")
  grep -qx "Copyright: $holder" <<<"$main" || fail "copyright: Files: * does not name $holder"
  grep -qx 'License: Expat' <<<"$main" || fail "copyright: Files: * is not under Expat"
  # The Expat text in the copyright file, unfolded, is LICENSE's.
  diff <(awk -v RS= '/^License: Expat\n/' "$copyright" | tail -n +2 | sed 's/^ //; s/^\.$//') \
       <(sed -n '/^Permission is hereby granted/,$p' "$license") ||
    fail "the Expat text of packaging/copyright differs from LICENSE"
  grep -q '<project_license>MIT</project_license>' "$PKG_DIR/$APP_ID.metainfo.xml" ||
    fail "metainfo does not name MIT as the project licence"
  manual=$(MANWIDTH=1000 man -l "$PKG_DIR/cellreel.1" 2>/dev/null | col -b | tr -s ' ')
  grep -qF "Copyright © $holder." <<<"$manual" || fail "the manual page does not name $holder"
  grep -qF "MIT licence (the Expat text)" <<<"$manual" || fail "the manual page does not name MIT"
  ;;

manual)
  # The figures of the manual's rules, read from the sources that decide
  # them: a change to the program that leaves the manual behind fails here.
  manual=$(MANWIDTH=1000 man -l "$PKG_DIR/cellreel.1" 2>/dev/null | col -b | tr -s ' ')
  grep -q '^USING CELLREEL$' <<<"$manual" || fail "the manual page has no USING CELLREEL"
  range() {  # max min step of a spinner of app/panel.cpp
    sed -n "s/.*Spinner($1, .*{\([0-9]*\), \([0-9]*\), \([0-9]*\),.*/\1 \2 \3/p" \
      "$SOURCE_DIR/app/panel.cpp"
  }
  says() { grep -qF -- "$1" <<<"$manual" || fail "the manual page does not say \"$1\""; }
  for spinner in objTileWidth objTileHeight; do
    read -r max min step <<<"$(range $spinner)"
    [[ -n $max && $step == 2 && $((min % 2)) == 0 ]] || fail "$spinner is not stepped in even numbers"
    says "take even numbers from $min to $max pixels"
  done
  read -r max min _ <<<"$(range objFrameSpeed)"
  says "frame delay, from $min to $max milliseconds"
  rate=$(sed -n 's/.*CreateTimer(\([0-9]*\)\.0.*/\1/p' "$SOURCE_DIR/app/startup.cpp")
  [[ -n $rate ]] || fail "no timer rate in app/startup.cpp"
  says "redrawn $rate times a second"
  says "rounded up to the next 1/$rate s"
  filter=$(sed -n 's/.*strFileFilter = "[^:]*:\([a-z,]*\)";.*/\1/p' "$SOURCE_DIR/app/startup.cpp")
  IFS=, read -r a b c rest <<<"$filter"
  [[ -n $c && -z $rest ]] || fail "the filter \"$filter\" is not three extensions"
  says "names end in .$a, .$b or .$c, in any letter case"
  ;;

*) fail "unknown check $check" ;;
esac
