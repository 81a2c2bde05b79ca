#!/usr/bin/env bash
# `tavrek-dump --csv DIR --table T FILE` against `mdb-export FILE T` in one hyperfine run (the two
# commands alternate under the same machine load), then the peak memory of each export on the big
# table and on a small one: the row reader's memory does not grow with the table.
# Usage: bench/csv_vs_mdb_export.sh BUILD_DIR FILE BIG_TABLE SMALL_TABLE [RUNS]
# Target: tavrek-dump at most 0.3 x mdb-export's time; peak heap independent of the table's size.
set -euo pipefail
build=${1:?usage: csv_vs_mdb_export.sh BUILD_DIR FILE BIG_TABLE SMALL_TABLE [RUNS]}
file=${2:?missing FILE}
big=${3:?missing BIG_TABLE}
small=${4:?missing SMALL_TABLE}
runs=${5:-10}
dump=$build/tools/tavrek-dump
[ -x "$dump" ] || { echo "no $dump: build the tavrek-dump target first" >&2; exit 1; }
for tool in hyperfine mdb-export valgrind; do
  command -v "$tool" >/dev/null || { echo "$tool is needed (Debian packages hyperfine, mdbtools, valgrind)" >&2; exit 1; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
hyperfine -w 1 -r "$runs" \
  "$dump --csv $out/csv --table $big $file" \
  "mdb-export $file $big > $out/mdb.csv"
# Resident memory counts the pages of the mapped file that were touched (shared and clean); the
# heap (valgrind massif, peak) is what the reader itself holds.
for t in "$big" "$small"; do
  rss=$(/usr/bin/time -f %M "$dump" --csv "$out/csv" --table "$t" "$file" 2>&1 >/dev/null | tail -1)
  valgrind --tool=massif --massif-out-file="$out/massif" "$dump" --csv "$out/csv" --table "$t" "$file" \
    >/dev/null 2>&1
  heap=$(grep mem_heap_B "$out/massif" | sed 's/mem_heap_B=//' | sort -n | tail -1)
  mdb=$(/usr/bin/time -f %M sh -c "mdb-export '$file' '$t' >/dev/null" 2>&1 | tail -1)
  printf '%-12s tavrek-dump: peak RSS %6s KiB, peak heap %8s B   mdb-export: peak RSS %6s KiB\n' \
    "$t" "$rss" "$heap" "$mdb"
done
