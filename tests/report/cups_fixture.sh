#!/usr/bin/env bash
# A private CUPS server for the printing tests: its own configuration, spool, logs and Unix socket
# in FOLDER, a cups-pdf queue "TavrekPDF" (its default printer) writing its PDF files into
# FOLDER/out. The system's CUPS, its /etc/cups and its default printer are left alone: cupsd runs
# in a mount namespace of its own, where cups-pdf's configuration file (whose path the backend
# fixes) is FOLDER's. Needs root (cupsd, the namespace). Clients reach the server through
# CUPS_SERVER=FOLDER/cups.sock and CUPS_SERVERROOT=FOLDER/etc.
#
#   cups_fixture.sh start FOLDER   starts the server and adds the queue
#   cups_fixture.sh queue FOLDER   adds the queue again (after a test removed it)
#   cups_fixture.sh stop FOLDER    stops the server
set -euo pipefail
action=${1:?usage: cups_fixture.sh start|queue|stop FOLDER}
dir=${2:?usage: cups_fixture.sh start|queue|stop FOLDER}
queue=TavrekPDF
export CUPS_SERVER=$dir/cups.sock CUPS_SERVERROOT=$dir/etc

if [ "$(id -u)" -ne 0 ]; then
  echo "cups_fixture: root is needed to start cupsd" >&2
  exit 2
fi

add_queue() {
  local ppd=
  for candidate in /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd \
                   /usr/share/ppd/cups-pdf/CUPS-PDF.ppd; do
    if [ -f "$candidate" ]; then ppd=$candidate; break; fi
  done
  [ -n "$ppd" ] || { echo "cups_fixture: no cups-pdf PPD under /usr/share/ppd/cups-pdf" >&2; exit 1; }
  # Ghostscript, the default PostScript renderer of the filter chain, turns the TrueType fonts
  # into Type 3 fonts whose text cannot be extracted any more; poppler's cairo renderer keeps them.
  lpadmin -p "$queue" -E -v cups-pdf:/ -P "$ppd" -o PageSize=A4 -o pdftops-renderer-default=pdftocairo
  lpadmin -d "$queue"
  cupsenable "$queue"
  cupsaccept "$queue"
  lpstat -d | grep -q "$queue" || { echo "cups_fixture: $queue is not the default printer" >&2; exit 1; }
}

running() { lpstat -r 2>/dev/null | grep -q 'is running'; }

case $action in
start)
  # The filters run as lp: they must reach the spool.
  chmod 0755 "$dir"
  mkdir -p "$dir/etc/ppd" "$dir/spool/tmp" "$dir/cache" "$dir/state" "$dir/log" "$dir/out" "$dir/pdf-spool"
  chmod 0777 "$dir/out"
  cat >"$dir/etc/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel warn
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
  cat >"$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
User lp
Group lp
SystemGroup root
CONF
  printf 'ServerName %s\n' "$dir/cups.sock" >"$dir/etc/client.conf"
  cat >"$dir/cups-pdf.conf" <<CONF
Out $dir/out
AnonDirName $dir/out
Spool $dir/pdf-spool
Log $dir/log
CONF
  # In the foreground of its own session, its process id kept for stop.
  setsid unshare -m sh -c 'mount --bind "$1/cups-pdf.conf" /etc/cups/cups-pdf.conf &&
    exec /usr/sbin/cupsd -f -c "$1/etc/cupsd.conf" -s "$1/etc/cups-files.conf"' \
    cupsd "$dir" </dev/null >"$dir/log/cupsd.out" 2>&1 &
  echo $! >"$dir/cupsd.pid"
  for _ in $(seq 1 100); do running && break; sleep 0.1; done
  running || { echo "cups_fixture: cupsd did not start" >&2; cat "$dir/log/error_log" >&2 2>/dev/null || true; exit 1; }
  add_queue
  ;;
queue)
  add_queue
  ;;
stop)
  if [ -f "$dir/cupsd.pid" ]; then
    pid=$(cat "$dir/cupsd.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  ;;
*)
  echo "usage: cups_fixture.sh start|queue|stop FOLDER" >&2
  exit 2
  ;;
esac
