#!/usr/bin/env bash
# Start-up time of Tavrek: from starting the process to the main window's first paint, measured
# under Xvfb (a real X server, no window manager) and under Qt's offscreen platform.
#
#   bash bench/startup.sh [BINARY] [RUNS]
#
# BINARY defaults to build/app/tavrek (build it first: cmake --build build --target tavrek).
# The program reports its first paint itself when TAVREK_STARTUP_PROBE=1 is set, then exits.
# Each platform is measured RUNS times (default 20) without a file and with the sample database;
# the figures are milliseconds: median, minimum and maximum.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$here/build/app/tavrek}
runs=${2:-20}
sample=$here/app/sample/sample.mdb
[ -x "$bin" ] || { echo "no executable at $bin" >&2; exit 1; }

export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"

# One run: prints the milliseconds from start to first paint.
measure() {
  local start paint
  start=$(date +%s%N)
  paint=$(TAVREK_STARTUP_PROBE=1 timeout 20 "$bin" "$@" 2>/dev/null | sed -n 's/^first-paint //p')
  [ -n "$paint" ] || { echo "no first paint reported" >&2; return 1; }
  echo $(( (paint - start) / 1000 ))  # microseconds
}

summary() {  # microsecond figures on stdin -> "median min max" in ms
  sort -n | awk '{ v[NR] = $1 } END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2;
    printf "median %6.1f ms   min %6.1f ms   max %6.1f ms   (%d runs)\n", m / 1000, v[1] / 1000, v[NR] / 1000, NR }'
}

series() {  # label, then the program's arguments
  local label=$1; shift
  measure "$@" >/dev/null  # warm the file cache
  for _ in $(seq "$runs"); do measure "$@"; done | summary | sed "s/^/$label  /"
}

echo "Tavrek start-up to first paint ($bin)"

display=:$(( 90 + RANDOM % 100 ))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done

QT_QPA_PLATFORM=xcb DISPLAY=$display series "xcb (Xvfb), no file    "
QT_QPA_PLATFORM=xcb DISPLAY=$display series "xcb (Xvfb), sample.mdb " "$sample"
QT_QPA_PLATFORM=offscreen series "offscreen,  no file    "
QT_QPA_PLATFORM=offscreen series "offscreen,  sample.mdb " "$sample"
