#!/usr/bin/env bash
# Writes the seeds of fuzz_compound_file into DIR: the compound file each Access 2000 test
# database keeps in MSysAccessObjects. Every row of that table fills a data page of its own
# (a 2-byte column count, the 3992 bytes of Data, the 4-byte ID); the rows are joined in ID
# order from the one that starts with the compound file signature.
set -euo pipefail
dir=${1:?usage: compound_seeds.sh DIR}
data=$(cd "$(dirname "$0")/../data" && pwd)
mkdir -p "$dir"
for f in "$data"/app/*.mdb "$data"/jet4/*.mdb; do
  python3 - "$f" "$dir/$(basename "$f" .mdb)" <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb').read()
page = 4096
rows = {}
for p in range(1, len(d) // page):
    pg = d[p * page:(p + 1) * page]
    if pg[0] != 1 or struct.unpack_from('<H', pg, 12)[0] != 1:
        continue
    start = struct.unpack_from('<H', pg, 14)[0] & 0x1FFF
    row = pg[start:]
    if len(row) == 4005 and row[0:2] == b'\x02\x00':
        rows[struct.unpack_from('<I', row, 3994)[0]] = row[2:3994]
ids = sorted(rows)
first = next((i for i in ids if rows[i].startswith(b'\xd0\xcf\x11\xe0')), None)
if first is not None:
    open(sys.argv[2], 'wb').write(b''.join(rows[i] for i in ids if i >= first))
PY
done
ls "$dir"
