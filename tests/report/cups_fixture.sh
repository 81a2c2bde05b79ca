#!/usr/bin/env bash
# Prepares a real CUPS print queue for the end-to-end report test: starts cupsd when it is not
# running, creates the cups-pdf queue "TavrekPDF", makes it the default printer and sends its PDF
# files to OUTDIR. Needs root. Prints nothing on success; exits non-zero with a message otherwise.
#
#   cups_fixture.sh OUTDIR
set -euo pipefail
out=${1:?usage: cups_fixture.sh OUTDIR}
queue=TavrekPDF

if [ "$(id -u)" -ne 0 ]; then
  echo "cups_fixture: root is needed to start cupsd and add a queue" >&2
  exit 2
fi

running() { lpstat -r 2>/dev/null | grep -q 'is running'; }

if ! running; then
  mkdir -p /run/cups /var/spool/cups/tmp /var/cache/cups /var/log/cups
  /usr/sbin/cupsd
  for _ in $(seq 1 100); do running && break; sleep 0.2; done
  running || { echo "cups_fixture: cupsd did not start" >&2; exit 1; }
fi

# cups-pdf writes every job of this machine's users into OUTDIR (the file is read per job).
mkdir -p "$out"
chmod 0777 "$out"
conf=/etc/cups/cups-pdf.conf
if grep -q '^Out ' "$conf"; then
  sed -i "s|^Out .*|Out $out|" "$conf"
else
  echo "Out $out" >>"$conf"
fi
if grep -q '^AnonDirName ' "$conf"; then
  sed -i "s|^AnonDirName .*|AnonDirName $out|" "$conf"
else
  echo "AnonDirName $out" >>"$conf"
fi

ppd=
for candidate in /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd \
                 /usr/share/ppd/cups-pdf/CUPS-PDF.ppd; do
  if [ -f "$candidate" ]; then ppd=$candidate; break; fi
done
[ -n "$ppd" ] || { echo "cups_fixture: no cups-pdf PPD under /usr/share/ppd/cups-pdf" >&2; exit 1; }

# Ghostscript, the default PostScript renderer of the filter chain, turns the TrueType fonts into
# Type 3 fonts whose text cannot be extracted any more; poppler's cairo renderer keeps them.
lpadmin -p "$queue" -E -v cups-pdf:/ -P "$ppd" -o PageSize=A4 -o pdftops-renderer-default=pdftocairo
lpadmin -d "$queue"
cupsenable "$queue"
cupsaccept "$queue"
lpstat -d | grep -q "$queue" || { echo "cups_fixture: $queue is not the default printer" >&2; exit 1; }
