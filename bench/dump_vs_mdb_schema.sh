#!/usr/bin/env bash
# A whole-database `tavrek-dump --json` against `mdb-schema` (mdbtools) on the same file, in one
# hyperfine run (the two commands alternate under the same machine load): mean wall time of each,
# process start included, and their ratio; then the CPU time of each (perf stat task-clock), which
# a busy machine disturbs less than wall time.
# Usage: bench/dump_vs_mdb_schema.sh BUILD_DIR FILE... [-- RUNS]   (default 30 runs)
# Target for a catalogue of thousands of tables: tavrek-dump at most 0.5 x mdb-schema.
set -euo pipefail
build=${1:?usage: dump_vs_mdb_schema.sh BUILD_DIR FILE... [-- RUNS]}
shift
files=()
runs=30
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then runs=${2:?missing RUNS}; break; fi
  files+=("$1")
  shift
done
[ ${#files[@]} -gt 0 ] || { echo "no database file given" >&2; exit 1; }
dump=$build/tools/tavrek-dump
[ -x "$dump" ] || { echo "no $dump: build the tavrek-dump target first" >&2; exit 1; }
for tool in hyperfine mdb-schema; do
  command -v "$tool" >/dev/null || { echo "$tool is needed (Debian packages hyperfine, mdbtools)" >&2; exit 1; }
done
csv=$(mktemp)
trap 'rm -f "$csv"' EXIT

printf '%-44s %12s %12s %7s %12s %12s %7s\n' file "ours ms" "mdb ms" ratio "ours cpu" "mdb cpu" ratio
for f in "${files[@]}"; do
  "$dump" --json "$f" >/dev/null || { echo "tavrek-dump failed on $f" >&2; exit 1; }
  hyperfine -N -w 3 -r "$runs" --export-csv "$csv" \
    "$dump --json $f" "mdb-schema $f" >/dev/null 2>&1
  # Rows: command,mean,stddev,median,user,system,min,max (seconds).
  read -r ours mdb < <(awk -F, 'NR == 2 { o = $2 } NR == 3 { m = $2 } END { print o, m }' "$csv")
  cpu_ours=- cpu_mdb=- cpu_ratio=-
  if command -v perf >/dev/null && perf stat -e task-clock true >/dev/null 2>&1; then
    cpu() { perf stat -x, -r "$runs" -e task-clock "$@" 2>&1 >/dev/null | awk -F, '/task-clock/ { print $1 }'; }
    cpu_ours=$(cpu "$dump" --json "$f")
    cpu_mdb=$(cpu mdb-schema "$f")
    cpu_ratio=$(awk -v a="$cpu_ours" -v b="$cpu_mdb" 'BEGIN { printf "%.2f", a / b }')
    cpu_ours=$(awk -v a="$cpu_ours" 'BEGIN { printf "%.2f", a }')
    cpu_mdb=$(awk -v a="$cpu_mdb" 'BEGIN { printf "%.2f", a }')
  fi
  awk -v f="$(basename "$f")" -v o="$ours" -v m="$mdb" -v co="$cpu_ours" -v cm="$cpu_mdb" -v cr="$cpu_ratio" \
    'BEGIN { printf "%-44s %12.2f %12.2f %7.2f %12s %12s %7s\n", f, o * 1000, m * 1000, o / m, co, cm, cr }'
done
