#!/usr/bin/env bash
# Writes the seeds of fuzz_office into DIR: the EncryptionInfo of every encrypted test database
# (first byte 0) and every unencrypted .accdb test database (first byte 1, 3, 5, 7: one per scheme).
set -euo pipefail
dir=${1:?usage: office_seeds.sh DIR}
data=$(cd "$(dirname "$0")/../data" && pwd)
mkdir -p "$dir"
for f in "$data"/encrypted/*.accdb; do
  python3 - "$f" "$dir/header-$(basename "$f" .accdb)" <<'PY'
import struct, sys
page = open(sys.argv[1], 'rb').read(4096)
n = struct.unpack_from('<H', page, 0x299)[0]
if n:
    info = page[0x29B:0x29B + n]
    open(sys.argv[2], 'wb').write(b'\0' + info)
    # Agile files spin 100,000 times, more than the target runs; a one-spin copy reaches the
    # verifier at the fuzzer's pace.
    if b'spinCount="100000"' in info:
        open(sys.argv[2] + '-1spin', 'wb').write(b'\0' + info.replace(b'spinCount="100000"', b'spinCount="1"'))
PY
done
for f in "$data"/ace/*.accdb "$data"/encrypted/V2010_no-password.accdb; do
  for mode in 1 3 5 7; do
    { printf "\\x0$mode"; cat "$f"; } > "$dir/pages-$mode-$(basename "$f" .accdb)"
  done
done
