#!/usr/bin/env bash
# Private PostgreSQL and MariaDB servers for the DDL tests: each in a fresh temporary folder,
# listening only on a Unix socket there (no TCP port), owned by an unprivileged user when run as
# root (neither server runs as root). The folder's path is written to STATEFILE; `stop` shuts both
# down and removes the folder.
#
#   sql_servers.sh start STATEFILE   -> STATEFILE holds the folder; sockets:
#                                       FOLDER/pg (PostgreSQL, user postgres, trust)
#                                       FOLDER/my.sock (MariaDB, user root, no password)
#   sql_servers.sh stop STATEFILE
set -euo pipefail
cmd=${1:?usage: sql_servers.sh start|stop STATEFILE}
state=${2:?usage: sql_servers.sh start|stop STATEFILE}

pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}

stop() {
  [ -f "$state" ] || return 0
  dir=$(cat "$state")
  if [ -n "$dir" ] && [ -d "$dir" ]; then
    if [ -f "$dir/pgdata/postmaster.pid" ] && [ -n "$pgbin" ]; then
      as_owner "$pgbin/pg_ctl" -D "$dir/pgdata" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    if [ -f "$dir/my.pid" ]; then
      pid=$(cat "$dir/my.pid")
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -9 "$pid" 2>/dev/null || true
    fi
    rm -rf "$dir"
  fi
  rm -f "$state"
}

start() {
  stop
  [ -n "$pgbin" ] || { echo "sql_servers: PostgreSQL is not installed" >&2; exit 1; }
  command -v mariadbd >/dev/null || [ -x /usr/sbin/mariadbd ] ||
    { echo "sql_servers: MariaDB is not installed" >&2; exit 1; }
  # In memory where there is a tmpfs: the servers sync every schema change to disk.
  base=/tmp
  [ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
  dir=$(mktemp -d "$base/tavrek-sql.XXXXXX")
  echo "$dir" >"$state"
  chmod 0755 "$dir"
  mkdir -p "$dir/pg" "$dir/pgdata" "$dir/mydata"
  if [ "$(id -u)" -eq 0 ]; then chown nobody "$dir/pg" "$dir/pgdata" "$dir/mydata" "$dir"; fi

  # PostgreSQL: no TCP, the socket in $dir/pg.
  as_owner "$pgbin/initdb" -D "$dir/pgdata" -U postgres -A trust -E UTF8 --locale=C.UTF-8 \
    --no-sync >"$dir/pg-init.log" 2>&1 ||
    { cat "$dir/pg-init.log" >&2; echo "sql_servers: initdb failed" >&2; exit 1; }
  as_owner "$pgbin/pg_ctl" -D "$dir/pgdata" -l "$dir/pg.log" -w -t 60 \
    -o "-c listen_addresses='' -k $dir/pg -c fsync=off -c full_page_writes=off" start >/dev/null ||
    { cat "$dir/pg.log" >&2; echo "sql_servers: PostgreSQL did not start" >&2; exit 1; }

  # MariaDB: no networking, the socket in $dir.
  user=$(id -un)
  [ "$(id -u)" -eq 0 ] && user=nobody
  mariadb-install-db --no-defaults --datadir="$dir/mydata" --user="$user" \
    --auth-root-authentication-method=normal --skip-test-db >"$dir/my-init.log" 2>&1 ||
    { cat "$dir/my-init.log" >&2; echo "sql_servers: mariadb-install-db failed" >&2; exit 1; }
  mariadbd=$(command -v mariadbd || echo /usr/sbin/mariadbd)
  "$mariadbd" --no-defaults --datadir="$dir/mydata" --socket="$dir/my.sock" --skip-networking \
    --pid-file="$dir/my.pid" --user="$user" --innodb-flush-log-at-trx-commit=0 \
    --innodb-flush-method=nosync --innodb-doublewrite=0 \
    --log-error="$dir/my.log" >/dev/null 2>&1 &
  for _ in $(seq 1 300); do
    mariadb --no-defaults -S "$dir/my.sock" -u root -e 'SELECT 1' >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  cat "$dir/my.log" >&2 || true
  echo "sql_servers: MariaDB did not start" >&2
  exit 1
}

case "$cmd" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: sql_servers.sh start|stop STATEFILE" >&2; exit 2 ;;
esac
