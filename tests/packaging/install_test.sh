#!/usr/bin/env bash
# `cmake --install` into a scratch prefix, then checks what a desktop and a packager rely on: the
# programs and the PDF module in their places, a menu entry, AppStream data and MIME package that
# their validators accept, the icon in every size, manual pages that format without warnings,
# --help and --version without a display, and tavrek-dump finding its PDF module from the
# installed layout.
# Usage: install_test.sh BUILD_DIR TEST_DATA_DIR
set -euo pipefail
build=$1
data=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$root/usr" >/dev/null
usr=$root/usr
app=example.brenvalo.Tavrek

for f in bin/tavrek bin/tavrek-dump lib/tavrek/tavrek_pdf.so \
         share/applications/$app.desktop share/metainfo/$app.metainfo.xml \
         share/mime/packages/tavrek.xml share/icons/hicolor/scalable/apps/tavrek.svg \
         share/man/man1/tavrek.1.gz share/man/man1/tavrek-dump.1.gz; do
  [ -f "$usr/$f" ] || fail "not installed: $f"
done
[ -x "$usr/bin/tavrek" ] && [ -x "$usr/bin/tavrek-dump" ] || fail "programs not executable"

# Every PNG size of the theme, rendered at its own size.
for size in 16 22 24 32 48 64 128 256; do
  png=$usr/share/icons/hicolor/${size}x${size}/apps/tavrek.png
  [ -f "$png" ] || fail "icon ${size}x${size} missing"
  file "$png" | grep -q "PNG image data, $size x $size" || fail "icon ${size}x${size}: $(file -b "$png")"
done

desktop-file-validate "$usr/share/applications/$app.desktop" || fail "desktop entry"
grep -qx 'Categories=Office;Database;' "$usr/share/applications/$app.desktop" || fail "categories"
appstreamcli validate --no-net "$usr/share/metainfo/$app.metainfo.xml" || fail "metainfo"

# The MIME package compiles, gives *.accdb and *.mde a type, and every type the menu entry claims
# is known once it is merged with shared-mime-info's own definitions.
mime=$root/mime
mkdir -p "$mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$usr/share/mime/packages/tavrek.xml" "$mime/packages/"
update-mime-database "$mime" || fail "update-mime-database"
grep -q ':application/x-ms-accdb:\*\.accdb$' "$mime/globs2" || fail "*.accdb has no type"
grep -q ':application/vnd.ms-access:\*\.mde$' "$mime/globs2" || fail "*.mde has no type"
grep -q ':application/vnd.ms-access:\*\.mdb$' "$mime/globs2" || fail "*.mdb lost its type"
for type in $(sed -n 's/^MimeType=//p' "$usr/share/applications/$app.desktop" | tr ';' ' '); do
  grep -qx "$type" "$mime/types" || fail "the menu entry claims an unknown type: $type"
done

# Manual pages format without a single warning.
for page in tavrek tavrek-dump; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page: $warnings"
  LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$usr/share/man/man1/$page.1.gz" 2>/dev/null | grep -q "SYNOPSIS" || fail "man $page is empty"
done

# --help and --version need no display at all.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
[ "$("${nodisplay[@]}" "$usr/bin/tavrek" --version)" = "tavrek 2.0.0" ] || fail "tavrek --version"
"${nodisplay[@]}" "$usr/bin/tavrek" --help | grep -q '^Uso: tavrek' || fail "tavrek --help"
[ "$("${nodisplay[@]}" "$usr/bin/tavrek-dump" --version)" = "tavrek-dump 2.0.0" ] || fail "tavrek-dump --version"

# The installed tavrek-dump finds its PDF module in lib/tavrek/ (there is none beside it).
[ ! -e "$usr/bin/tavrek_pdf.so" ] || fail "PDF module beside the program"
QT_QPA_PLATFORM=offscreen "$usr/bin/tavrek-dump" "$data/jet4/testV2000.mdb" --pdf "$root/report.pdf" --table Table1 \
  || fail "tavrek-dump --pdf from the installed layout"
[ "$(head -c 5 "$root/report.pdf")" = "%PDF-" ] || fail "no PDF written"
echo "install: ok"
