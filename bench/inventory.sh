#!/usr/bin/env bash
# The folder inventory on a generated tree: COUNT copies (default 10,000) of the test databases
# under 300 KiB, spread over 100 folders of a temporary tree, documented by
# `tavrek-dump --inventory` with 1 and 2 workers, against a shell loop running mdb-schema on every
# file. Prints files per second for each; the tree is removed at the end.
# Usage: bench/inventory.sh [BUILD_DIR] [COUNT]   (default build-tooling, 10000)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-tooling}
count=${2:-10000}
dump=$build/tools/tavrek-dump
[ -x "$dump" ] || { echo "no $dump: build the tavrek-dump target first" >&2; exit 1; }
command -v mdb-schema >/dev/null || { echo "mdb-schema (Debian mdbtools) is needed" >&2; exit 1; }

tree=$(mktemp -d /tmp/tavrek-inventory-bench.XXXXXX)
trap 'rm -rf "$tree"' EXIT

sources=()
while IFS= read -r f; do sources+=("$f"); done < <(
  find "$here/tests/data" \( -name '*.mdb' -o -name '*.accdb' \) -size -300k | sort)
echo "tree: $count copies of ${#sources[@]} test databases in $tree"
for ((i = 0; i < count; i++)); do
  src=${sources[i % ${#sources[@]}]}
  dir=$tree/d$((i % 100))
  [ -d "$dir" ] || mkdir "$dir"
  cp "$src" "$dir/f$i.${src##*.}"
done
sync
du -sh "$tree" | cut -f1 | sed 's/^/size: /'

rate() {  # label, seconds (as a decimal)
  awk -v n="$count" -v s="$2" -v l="$1" 'BEGIN { printf "%-32s %8.2f s %10.0f files/s\n", l, s, n / s }'
}
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (b - a) / 1e9 }'; }

# Warm the page cache once so that every run reads from memory.
cat "$tree"/d*/* >/dev/null

for jobs in 1 2; do
  t0=$(date +%s%N)
  "$dump" --inventory "$tree" --jobs "$jobs" >"$tree.jsonl"
  t1=$(date +%s%N)
  rate "tavrek-dump --jobs $jobs" "$(seconds "$t0" "$t1")"
  tail -n 1 "$tree.jsonl"
done
rm -f "$tree.jsonl"

t0=$(date +%s%N)
find "$tree" -type f -print0 | while IFS= read -r -d '' f; do mdb-schema "$f" >/dev/null 2>&1 || true; done
t1=$(date +%s%N)
rate "shell loop over mdb-schema" "$(seconds "$t0" "$t1")"
