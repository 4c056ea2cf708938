#!/usr/bin/env bash
# The demo: a simulated network of about 50 Windows computers scanned into a fresh
# SQLite inventory on three days in a row, the network changing between the scans, then
# the inventory and one computer's history shown, and the HTML report of it written.
#
#   scripts/demo.sh                 set up, build, run
#   KORVANE_DEMO_NO_SETUP=1 KORVANE_BIN_DIR=/path/to/bin scripts/demo.sh
#                                   use programs already built elsewhere
#   KORVANE_DEMO_COMPUTERS=N        another size of network (default 50)
#
# Everything goes into demo/<date-time>/ in the checkout: the lab, the inventory, the
# scanners' error log and the output of every step.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ -z "${KORVANE_DEMO_NO_SETUP:-}" ]; then
  scripts/setup.sh
fi
bin="${KORVANE_BIN_DIR:-$root/build/bin}"
console="$bin/korvane-console"
if [ ! -x "$console" ] || [ ! -x "$bin/korvane" ]; then
  echo "demo: no korvane-console and korvane in $bin (build first, or set KORVANE_BIN_DIR)" >&2
  exit 1
fi
command -v faketime >/dev/null || { echo "demo: faketime is needed (scripts/setup.sh installs it)" >&2; exit 1; }

demo="$root/demo/$(date +%Y%m%d-%H%M%S)"
lab="$demo/lab"
db="$demo/inventory"
mkdir -p "$demo/temp"
# The scanners' error log goes to $Temp/DrevantaAssetDB.log.
export Temp="$demo/temp"
computers="${KORVANE_DEMO_COMPUTERS:-50}"

step() { printf '\n=== %s\n' "$*"; }
started=$(date +%s)

step "A network of $computers computers in $lab"
"$console" lab-create "$lab" --computers "$computers" --seed 7 | tee "$demo/lab-create.txt"

step "An empty inventory in $db"
"$console" init-db "$db" | tee "$demo/init-db.txt"

# A scan that timed out or died makes the console exit with 1; the demo goes on and
# the summary says which.
scan_day() {
  local day=$1 when=$2
  step "Day $day ($when): scanning every computer"
  faketime "$when" "$console" scan --db "$db" --lab "$lab" --timeout 120 all | tee "$demo/scan-day$day.txt" || true
}

scan_day 1 "2026-12-01 09:00:00"
step "A day passes in the network"
"$console" lab-advance "$lab" --days 1 --seed 2 | tee "$demo/advance-day2.txt"
scan_day 2 "2026-12-02 09:00:00"
step "Another day passes"
"$console" lab-advance "$lab" --days 1 --seed 3 | tee "$demo/advance-day3.txt"
scan_day 3 "2026-12-03 09:00:00"

step "The inventory"
"$console" show --db "$db" | tee "$demo/inventory.txt"

# The computer with the longest history makes the best example.
pick=""
if command -v sqlite3 >/dev/null; then
  pick=$(sqlite3 "$db/DrevantaAsset.sqlite" \
    "SELECT Computer FROM Asset ORDER BY length(History) DESC, Computer LIMIT 1;" 2>/dev/null || true)
fi
if [ -z "$pick" ]; then
  pick=$(awk 'NR > 3 && /^[A-Z]/ {print $1; exit}' "$demo/inventory.txt")
fi
step "One computer: $pick"
"$console" show --db "$db" "$pick" | tee "$demo/computer-$pick.txt"

step "The report"
"$console" report --db "$db" --out "$demo/report" --title "Demo inventory" | tee "$demo/report.txt"

step "Done in $(( $(date +%s) - started )) s. Files:"
echo "  lab:        $lab"
echo "  inventory:  $db/DrevantaAsset.sqlite"
echo "  error log:  $Temp/DrevantaAssetDB.log"
echo "  outputs:    $demo/*.txt"
echo "  report:     $demo/report/index.html"
