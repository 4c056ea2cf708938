#!/usr/bin/env bash
# Stops the test server started by scripts/postgres-setup.sh and removes its DSN
# (KORVANE_PG_DSN_SCOPE as there).
#
#   scripts/postgres-stop.sh [DIRECTORY]      (default /tmp/korvane-pg)
#
# Add --remove to delete the cluster directory as well.
set -euo pipefail

dir="${1:-/tmp/korvane-pg}"
dsn="${KORVANE_PG_DSN_NAME:-KorvanePG}"
bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"

if [ -n "$bin" ] && [ -f "$dir/data/PG_VERSION" ]; then
  runuser -u postgres -- "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >&2 || true
fi
rm -f "$dir/port"
scope=-l
[ "${KORVANE_PG_DSN_SCOPE:-system}" = user ] && scope=-h
odbcinst -u -s "$scope" -n "$dsn" >/dev/null 2>&1 || true
if [ "${2:-}" = "--remove" ]; then
  rm -rf "$dir"
fi
