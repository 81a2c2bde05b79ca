#!/usr/bin/env bash
# The cost of `tavrek-dump --json` on every test database: wall time (median and best of RUNS
# runs, process start included) and peak resident memory (GNU time's maximum RSS).
# Usage: bench/dump_cost.sh [BUILD_DIR] [RUNS]   (default build-tooling, 21 runs)
# Targets: at most 10 ms wall and 15 MiB peak per file.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-tooling}
runs=${2:-21}
dump=$build/tools/tavrek-dump
[ -x "$dump" ] || { echo "no $dump: build the tavrek-dump target first" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "GNU time (/usr/bin/time, Debian package 'time') is needed" >&2; exit 1; }

password_of() { case "$1" in *with-password*) echo password ;; esac; }

printf '%-40s %10s %10s %12s  %s\n' file "median ms" "best ms" "peak MiB" verdict
worst_ms=0 worst_mib=0
for f in "$here"/tests/data/{jet3,jet4,ace}/*.{mdb,accdb}; do
  [ -e "$f" ] || continue
  args=(--json)
  pw=$(password_of "$f")
  [ -n "$pw" ] && args+=(--password "$pw")
  "$dump" "${args[@]}" "$f" >/dev/null || { echo "tavrek-dump failed on $f" >&2; exit 1; }
  times=()
  for ((i = 0; i < runs; i++)); do
    t0=$(date +%s%N)
    "$dump" "${args[@]}" "$f" >/dev/null
    t1=$(date +%s%N)
    times+=($(( (t1 - t0) / 1000 )))
  done
  sorted=($(printf '%s\n' "${times[@]}" | sort -n))
  median_us=${sorted[$((runs / 2))]}
  best_us=${sorted[0]}
  rss_kib=$(/usr/bin/time -f '%M' "$dump" "${args[@]}" "$f" 2>&1 >/dev/null | tail -1)
  median_ms=$(awk -v u="$median_us" 'BEGIN { printf "%.2f", u / 1000 }')
  best_ms=$(awk -v u="$best_us" 'BEGIN { printf "%.2f", u / 1000 }')
  mib=$(awk -v k="$rss_kib" 'BEGIN { printf "%.1f", k / 1024 }')
  verdict=ok
  awk -v m="$median_ms" -v r="$mib" 'BEGIN { exit !(m > 10 || r > 15) }' && verdict=OVER
  printf '%-40s %10s %10s %12s  %s\n' "${f#"$here"/tests/data/}" "$median_ms" "$best_ms" "$mib" "$verdict"
  worst_ms=$(awk -v a="$worst_ms" -v b="$median_ms" 'BEGIN { print (b > a ? b : a) }')
  worst_mib=$(awk -v a="$worst_mib" -v b="$mib" 'BEGIN { print (b > a ? b : a) }')
done
echo "worst median: $worst_ms ms; worst peak: $worst_mib MiB (targets 10 ms, 15 MiB)"
