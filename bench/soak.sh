#!/usr/bin/env bash
# Soak: a generated lab of COMPUTERS computers scanned on DAYS simulated days in a row
# (the lab advanced one day between scans, the clock set by faketime), JOBS scans at a
# time, into a fresh SQLite inventory and into a PostgreSQL inventory on a cluster of its
# own; then bench/soak_check.py checks every computer's rows against what its scans
# collected from the lab each day (the scanner's snapshot files).
#
#   bench/soak.sh [--computers 200] [--days 10] [--jobs 16] [--backend sqlite|postgres|both]
#   KORVANE_BIN_DIR   the built programs (default build/bin)
#   KORVANE_SOAK_DIR  where lab, inventories, snapshots and logs go (default /tmp/korvane-soak)
#
# Prints the time of every day's scan and the check's findings; exits 1 on any difference.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

computers=200 days=10 jobs=16 backend=both
while (($#)); do
  case "$1" in
    --computers) computers=$2; shift 2 ;;
    --days) days=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --backend) backend=$2; shift 2 ;;
    *) echo "usage: bench/soak.sh [--computers N] [--days D] [--jobs J] [--backend sqlite|postgres|both]" >&2; exit 2 ;;
  esac
done
bin="${KORVANE_BIN_DIR:-$root/build/bin}"
console="$bin/korvane-console"
work="${KORVANE_SOAK_DIR:-/tmp/korvane-soak}"
command -v faketime >/dev/null || { echo "soak: faketime is needed (scripts/setup.sh)" >&2; exit 1; }

# The scanner the console starts: korvane itself, with a snapshot file of its own per
# computer and day (the console passes its environment on).
cat >"$work.scanner" <<SCANNER
#!/usr/bin/env bash
name=\$(printf '%s' "\$*" | cut -d, -f2)
export KORVANE_SNAPSHOT="\$KORVANE_SOAK_SNAPSHOTS/\$name.json"
exec "$bin/korvane" "\$@"
SCANNER
chmod +x "$work.scanner"

soak() {
  local name=$1 source=$2 dir=$3
  echo "== $name: $computers computers, $days days, $jobs at a time"
  rm -rf "$dir/lab" "$dir/snapshots" "$dir/temp"
  mkdir -p "$dir/snapshots" "$dir/temp"
  "$console" lab-create "$dir/lab" --computers "$computers" --seed 11 >"$dir/lab-create.txt"
  local total=0  # milliseconds
  for ((day = 1; day <= days; day++)); do
    if ((day > 1)); then
      "$console" lab-advance "$dir/lab" --days 1 --seed "$day" >"$dir/advance-$day.txt"
    fi
    mkdir -p "$dir/snapshots/day$day"
    cp -r "$dir/lab" "$dir/snapshots/day$day/lab"
    local when start end
    when=$(printf '2026-11-%02d 09:00:00' "$day")
    start=$(date +%s%N)
    KORVANE_SOAK_SNAPSHOTS="$dir/snapshots/day$day" Temp="$dir/temp" faketime "$when" \
      "$console" scan --db "$source" --lab "$dir/lab" --jobs "$jobs" --timeout 300 \
      --scanner "$work.scanner" all >"$dir/scan-$day.txt" 2>&1 || true
    end=$(date +%s%N)
    local ms=$(((end - start) / 1000000))
    total=$((total + ms))
    printf '  day %2d (%s): %4d.%01d s, %s\n' "$day" "${when%% *}" $((ms / 1000)) $((ms % 1000 / 100)) \
      "$(grep -E "^[0-9]+ scans:" "$dir/scan-$day.txt" | tail -n 1)"
  done
  printf '  %d scans in %d.%01d s: %d scans/s\n' "$((computers * days))" $((total / 1000)) \
    $((total % 1000 / 100)) $((computers * days * 1000 / (total > 0 ? total : 1)))
  python3 bench/soak_check.py "$dir" "$days" "${@:4}"
}

status=0
if [ "$backend" = sqlite ] || [ "$backend" = both ]; then
  dir="$work/sqlite"
  rm -rf "$dir"; mkdir -p "$dir"
  "$console" init-db "$dir/inventory" >/dev/null
  soak SQLite "$dir/inventory" "$dir" --sqlite "$dir/inventory/DrevantaAsset.sqlite" || status=1
fi
if [ "$backend" = postgres ] || [ "$backend" = both ]; then
  dir="$work/postgres"
  rm -rf "$dir"; mkdir -p "$dir"
  cluster=/tmp/korvane-pg-soak
  dsn=$(KORVANE_PG_DSN_NAME=KorvanePG_soak bash scripts/postgres-setup.sh "$cluster" 2>"$dir/pg-setup.log" | tail -n 1)
  pgbin="$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)"
  port=$(cat "$cluster/port")
  runuser -u postgres -- "$pgbin/psql" -h 127.0.0.1 -p "$port" -U postgres -d DrevantaAsset -q \
    -c 'TRUNCATE Asset, Software, Services, LastAccess, DriveHistory'
  soak PostgreSQL "$dsn" "$dir" --psql "$pgbin/psql" --port "$port" || status=1
fi
exit $status
