#!/usr/bin/env bash
# Starts a PostgreSQL server for the inventory tests on this machine's loopback only and
# registers an ODBC data source for it. Runs as root; safe to run again (an already
# running cluster in the same directory is reused).
#
#   scripts/postgres-setup.sh [DIRECTORY]     (default /tmp/korvane-pg)
#
# KORVANE_PG_MAX_CONNECTIONS sets the server's max_connections (default 200) when the
# cluster starts. KORVANE_PG_DSN_SCOPE=user registers the DSN as a user data source (in
# the file named by ODBCINI, else ~/.odbc.ini) instead of a system one: registering
# rewrites the whole file, so a test that starts a server of its own while other tests
# read /etc/odbc.ini sets ODBCINI to a file of its own and uses this.
#
# Installs postgresql, odbc-postgresql, unixodbc and unixodbc-dev with apt-get when they
# are missing, creates a cluster under DIRECTORY, starts it on 127.0.0.1 on a free port
# as the postgres OS user, creates the database DrevantaAsset with the inventory schema
# (schema/postgresql.sql), and registers the system DSN (KORVANE_PG_DSN_NAME, default
# KorvanePG). The DSN name is the one line this script prints on standard output; the
# tests find it in KORVANE_TEST_PG_DSN.
set -euo pipefail

dir="${1:-/tmp/korvane-pg}"
dsn="${KORVANE_PG_DSN_NAME:-KorvanePG}"
max_connections="${KORVANE_PG_MAX_CONNECTIONS:-200}"
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
log() { echo "postgres-setup: $*" >&2; }

if [ "$(id -u)" -ne 0 ]; then
  log "must run as root"
  exit 1
fi

missing=()
for package in postgresql odbc-postgresql unixodbc unixodbc-dev; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
  log "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >&2
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
if [ -z "$bin" ]; then
  log "no PostgreSQL server binaries found under /usr/lib/postgresql"
  exit 1
fi
as_postgres() { runuser -u postgres -- "$@"; }

mkdir -p "$dir"
chown postgres:postgres "$dir"
data="$dir/data"
socket="$dir/socket"

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

if [ -f "$dir/port" ] && as_postgres "$bin/pg_ctl" -D "$data" status >/dev/null 2>&1; then
  port="$(cat "$dir/port")"
  log "reusing the server on 127.0.0.1:$port"
else
  if [ ! -f "$data/PG_VERSION" ]; then
    as_postgres "$bin/initdb" -D "$data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 >&2
  fi
  as_postgres mkdir -p "$socket"
  # A port nobody listens on can still be taken: a client's outgoing connection may hold
  # it, and then the server cannot bind it. So the next port is tried when the start fails.
  port=""
  for candidate in $(seq 54329 54429); do
    port_in_use "$candidate" && continue
    if as_postgres "$bin/pg_ctl" -D "$data" -l "$dir/server.log" -w -t 60 \
        -o "-c listen_addresses=127.0.0.1 -p $candidate -k $socket -c max_connections=$max_connections -c fsync=off" \
        start >&2; then
      port="$candidate"
      break
    fi
    if ! tail -n 5 "$dir/server.log" 2>/dev/null | grep -q "could not create any TCP/IP sockets"; then
      log "the server did not start (see $dir/server.log)"
      exit 1
    fi
    log "port $candidate is taken; trying the next one"
  done
  if [ -z "$port" ]; then
    log "could not start the server on any port between 54329 and 54429 (see $dir/server.log)"
    exit 1
  fi
  echo "$port" >"$dir/port"
fi

psql_as() { as_postgres "$bin/psql" -h 127.0.0.1 -p "$port" -U postgres -v ON_ERROR_STOP=1 -q "$@"; }
if ! psql_as -d postgres -tAc "SELECT 1 FROM pg_database WHERE datname = 'DrevantaAsset'" | grep -q 1; then
  psql_as -d postgres -c 'CREATE DATABASE "DrevantaAsset"' >&2
fi
psql_as -d DrevantaAsset -f - <"$repo/schema/postgresql.sql" >&2

driver="$(odbcinst -q -d 2>/dev/null | tr -d '[]' | grep -i 'postgresql unicode' | head -n 1 || true)"
if [ -z "$driver" ]; then
  # A driver package that did not register itself: register the Unicode driver by path.
  library="$(find /usr/lib -name psqlodbcw.so 2>/dev/null | head -n 1)"
  if [ -z "$library" ]; then
    log "psqlODBC (psqlodbcw.so) not found"
    exit 1
  fi
  printf '[PostgreSQL Unicode]\nDescription=PostgreSQL ODBC driver (Unicode)\nDriver=%s\n' "$library" |
    odbcinst -i -d -r >&2
  driver="PostgreSQL Unicode"
fi

# Debian registers psqlODBC with its communication log on (CommLog=1), with which the
# driver writes a file /tmp/psqlodbc_<program>_<user><pid>.log each time a program
# closes its last connection: one for every scanned computer. The log is a debugging
# aid, so it is turned off for every psqlODBC driver registered.
drivers_ini="$(odbcinst -j 2>/dev/null | sed -n 's/^DRIVERS\.*: *//p')"
if [ -n "$drivers_ini" ] && [ -f "$drivers_ini" ]; then
  quiet="$(mktemp)"
  awk 'FNR == NR { if ($0 ~ /^\[/) section = $0
                   if (tolower($0) ~ /^driver *=.*psqlodbc/) psql[section] = 1
                   next }
       { if ($0 ~ /^\[/) section = $0
         if (psql[section] && $0 ~ /^CommLog *= *[1-9]/) $0 = "CommLog=0"
         print }' "$drivers_ini" "$drivers_ini" >"$quiet"
  if ! cmp -s "$quiet" "$drivers_ini"; then
    cat "$quiet" >"$drivers_ini"
    log "turned psqlODBC's communication log off in $drivers_ini"
  fi
  rm -f "$quiet"
fi

scope=-l
[ "${KORVANE_PG_DSN_SCOPE:-system}" = user ] && scope=-h
odbcinst -u -s "$scope" -n "$dsn" >/dev/null 2>&1 || true
printf '[%s]\nDescription=Korvane inventory tests\nDriver=%s\nServername=127.0.0.1\nPort=%s\nDatabase=DrevantaAsset\nUsername=postgres\nPassword=\nSSLmode=disable\n' \
  "$dsn" "$driver" "$port" | odbcinst -i -s "$scope" -r >&2
log "PostgreSQL on 127.0.0.1:$port, database DrevantaAsset, DSN $dsn"
echo "$dsn"
