#!/usr/bin/env bash
# The Debian package: `cpack -G DEB` from the build, its dependencies as dpkg-shlibdeps found them,
# its contents, and the installed programs run from a scratch root unpacked with dpkg -x.
# Usage: deb_test.sh BUILD_DIR TEST_DATA_DIR
set -euo pipefail
build=$1
data=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$out"/*.deb)
[ "$(echo "$deb" | wc -l)" = 1 ] || fail "expected one package: $deb"

info=$(dpkg-deb -I "$deb")
echo "$info"
grep -q '^ Package: tavrek$' <<<"$info" || fail "package name"
grep -q '^ Version: 2.0.0' <<<"$info" || fail "version"
depends=$(sed -n 's/^ Depends: //p' <<<"$info")
# Computed from the binaries, not written by hand: the C library and Qt's widgets and printing.
for lib in libc6 libstdc++6 libqt6widgets6 libqt6printsupport6 libqt6svg6; do
  grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
# Loaded at run time (encrypted files, diagrams, Qt's Italian texts), so named by hand.
for lib in libssl3 libgvc6 qt6-translations-l10n; do
  grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

echo "--- contents"
dpkg-deb -c "$deb" | tee "$out/contents"
for f in ./usr/bin/tavrek ./usr/bin/tavrek-dump ./usr/lib/tavrek/tavrek_pdf.so \
         ./usr/share/applications/example.brenvalo.Tavrek.desktop \
         ./usr/share/metainfo/example.brenvalo.Tavrek.metainfo.xml \
         ./usr/share/mime/packages/tavrek.xml ./usr/share/icons/hicolor/48x48/apps/tavrek.png \
         ./usr/share/icons/hicolor/scalable/apps/tavrek.svg ./usr/share/man/man1/tavrek.1.gz \
         ./usr/share/man/man1/tavrek-dump.1.gz; do
  grep -q " $f\$" "$out/contents" || fail "not in the package: $f"
done

dpkg -x "$deb" "$out/root"
[ "$("$out/root/usr/bin/tavrek-dump" --version)" = "tavrek-dump 2.0.0" ] || fail "installed tavrek-dump --version"
"$out/root/usr/bin/tavrek-dump" --json "$data/jet4/testV2000.mdb" >"$out/dump.json" || fail "installed tavrek-dump --json"
python3 - "$out/dump.json" <<'PY' || fail "JSON of the installed tavrek-dump"
import json, sys
doc = json.load(open(sys.argv[1]))
fields = {t["name"]: len(t["fields"]) for t in doc["tables"]}
assert fields.get("Table2") == 89, fields
PY
echo "deb: ok"
