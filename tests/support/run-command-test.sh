#!/bin/bash
# The run command end to end as a script or CI runs it, without a terminal: a
# message box is answered by itself, and the manual dialog is shown among the
# trace lines, pictured, and answered with Re-enable Keys. Then its trace
# viewer at Ctrl+C. Argument: the build folder, already built.
set -euo pipefail
cd "$(dirname "$0")/../.."
export BUILD_DIR="$1" RUN_BUILD=0 RUN_BOX_SECONDS=1 RUN_TIMEOUT=30
out=$(mktemp)
trap 'rm -f "$out"' EXIT
fail() {
  echo "FAILED: $1"
  cat "$out"
  exit 1
}
hex() { od -An -tx1 "$@" | tr -d ' \n'; }

SECONDS=0
scripts/run --version </dev/null >"$out" 2>&1 || fail "--version ended with $?"
[ "$SECONDS" -le 20 ] || fail "--version took $SECONDS s"
version=$(sed -n 's/^#define HUSHPAD_VERSION_TEXT "\(.*\)"$/\1/p' res/version.h)
diff <(head -n2 "$out") <(printf '%s\n' '[message box] Hushpad (information)' "    Hushpad $version") ||
  fail "the version box"
grep -qx '\[message box\] Hushpad: pressed OK after 1 s' "$out" || fail "the version box's answer"

scripts/run --manual </dev/null >"$out" 2>&1 || fail "--manual ended with $?"
diff <(grep -E '^(Hushpad|\[manual dialog\] Hushpad)' "$out") <(printf '%s\n' \
  'Hushpad: Disabled the Windows key.' 'Hushpad: Disabled the accessibility keys.' \
  '[manual dialog] Hushpad' '[manual dialog] Hushpad: pressed Re-enable Keys after 1 s' \
  'Hushpad: Re-enabled the accessibility keys.' 'Hushpad: Re-enabled the Windows key.' \
  'Hushpad: Exited.') || fail "the manual run"
picture=$(sed -n 's/^    picture: //p' "$out")
[ -f "$picture" ] || fail "no picture"
[ "$(hex -N8 "$picture")" = 89504e470d0a1a0a ] || fail "not a PNG signature"
[ "$(tail -c12 "$picture" | hex)" = 0000000049454e44ae426082 ] || fail "no PNG end"
width=$((16#$(hex -j16 -N4 "$picture"))) height=$((16#$(hex -j20 -N4 "$picture")))
[ "$width" -ge 150 ] && [ "$width" -le 800 ] && [ "$height" -ge 60 ] && [ "$height" -le 400 ] ||
  fail "a picture of ${width}x$height"
# The test run's own display and wineserver outlive the run command's session.
xdotool getdisplaygeometry >/dev/null && ! wineserver -p </dev/null >/dev/null 2>&1 ||
  fail "the test session was stopped"

# Ctrl+C at the trace viewer's console, which Wine delivers as SIGINT, here to
# the viewer alone: it detaches, says so and exits with STATUS_CONTROL_C_EXIT
# (0xC000013A; a Unix exit status keeps its low byte); Hushpad runs on until
# its program ends.
child="$1/tests/app/HushpadProbe.exe /sleep:8000 run-command-test-$$"
running() { pgrep -f "Hushpad\.exe .*run-command-test-$$" >/dev/null; }
ended() {
  for _ in $(seq 150); do running && sleep 0.2 || return 0; done
  return 1
}
# Whatever fails, no Hushpad of this test is left for the next one to meet.
trap 'ended || true; rm -f "$out"' EXIT
timeout 60 wine "$1/tools/trace/HushpadTrace.exe" "$1/app/Hushpad.exe" $child </dev/null >"$out" 2>&1 &
viewer=$!
for _ in $(seq 150); do grep -q '^Hushpad: Launching' "$out" && break || sleep 0.2; done
kill -INT "$(pgrep -P "$viewer")" || fail "no viewer to interrupt"
status=0
wait "$viewer" || status=$?
[ "$status" -eq $((0x3A)) ] || fail "the viewer ended with $status at Ctrl+C"
[ "$(tail -n1 "$out")" = 'HushpadTrace: detached; Hushpad carries on without the viewer.' ] ||
  fail "no line about the detach"
running || fail "Hushpad ended with the viewer"
ended || fail "Hushpad outlived its program"
