#!/usr/bin/env bash
# The decoder tests against a missing and against an incomplete data folder:
# they must fail (exit status 1, not a signal) and name the folder.
set -u
bin=$1 data=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0

expect() {  # expect NAME OUTPUT STATUS PATTERN
  if [[ $3 -ne 1 ]]; then echo "$1: exit status $3, expected 1"; fail=1; fi
  if ! grep -q -- "$4" <<<"$2"; then echo "$1: no line matching '$4'"; fail=1; fi
}

out=$(CELLREEL_TESTDATA="$tmp/none" "$bin" 2>&1)
expect missing "$out" $? "test data folder $tmp/none is missing"

cp -r "$data" "$tmp/part"
rm "$tmp/part/tga/p_8.tga"
out=$(CELLREEL_TESTDATA="$tmp/part" "$bin" 2>&1)
expect incomplete "$out" $? "test data folder $tmp/part/tga is incomplete: tga/p_8.tga is missing"
# The other suites are whole: their tests still pass.
grep -q '^\[       OK \] PngSuite.EveryValidPictureMatchesAnIndependentDecode' <<<"$out" ||
  { echo "incomplete: the PNG tests did not pass"; fail=1; }
exit $fail
