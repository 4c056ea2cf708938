#!/usr/bin/env bash
# End-to-end tests of korvane.exe under Wine, run by scripts/wine-tests.sh, which sets:
#   KORVANE_WINE_BIN   the cross-built bin directory (korvane.exe, korvane-listbox.exe)
#   KORVANE_WINE_DSN   an ODBC data source of the host's unixODBC (PostgreSQL) holding
#                      the inventory; Wine's odbc32 forwards to it
#   KORVANE_WINE_PG    psql connection options for checking the rows
#   WINEPREFIX & co.   the headless prefix
#
# The scanner scans the Wine computer itself, by its own name. What Wine really does,
# and these tests are written around:
#   - WMI, the registry, the service manager and echo to loopback work on the Wine
#     computer itself; a name that is not the local computer's reaches no registry;
#   - the service manager ignores the computer name (every name lists local services);
#   - the workstation service's logon enumeration is a stub that always fails, so the
#     user comes from WMI only;
#   - an unresolvable name is echoed at 0.0.0.0, which the namespace's loopback answers,
#     so such a name counts as answering and the scan stops at the access check.
set -uo pipefail

bin="$KORVANE_WINE_BIN"
winbin="Z:${bin//\//\\}"
passed=0
failed=0

fail() { echo "FAILED [$current]: $*"; failures=$((failures + 1)); }
expect_eq() { [ "$1" == "$2" ] || fail "$3: expected [$2], got [$1]"; }
expect_match() { [[ "$1" =~ $2 ]] || fail "$3: [$1] does not match /$2/"; }
expect_no_match() { [[ ! "$1" =~ $2 ]] || fail "$3: [$1] matches /$2/"; }

sql() { psql $KORVANE_WINE_PG -d DrevantaAsset -X -q -tA -F'|' -c "$1" 2>&1; }

# Runs one scan through the list-box harness: $lines gets the list box's lines, $rc the
# scanner's exit status, $log the lines the scan appended to the error log.
scan() {
  local before=0
  [ -f "$logfile" ] && before=$(wc -l <"$logfile")
  lines=$(timeout 180 wine "$bin/korvane-listbox.exe" --timeout-ms 150000 "$winbin\\korvane.exe" "$1" 2>/dev/null |
    tr -d '\r')
  rc=${PIPESTATUS[0]}
  log=""
  [ -f "$logfile" ] && log=$(tail -n +$((before + 1)) "$logfile" | tr -d '\r')
}

run_test() {
  current="$1"
  failures=0
  "$1"
  if [ "$failures" -eq 0 ]; then
    passed=$((passed + 1))
    echo "ok   $1"
  else
    failed=$((failed + 1))
    echo "FAIL $1"
    echo "  list box:"; printf '    %s\n' "$lines"
    echo "  log:"; printf '    %s\n' "$log"
  fi
}

forget_computer() {
  sql "DELETE FROM Asset WHERE Computer = '$1'; DELETE FROM Software WHERE SoftComputer = '$1';
       DELETE FROM Services WHERE ServComputer = '$1'; DELETE FROM LastAccess WHERE Computer = '$1';
       DELETE FROM DriveHistory WHERE DiskComputer = '$1'" >/dev/null
}

timestamp='[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}'

# A full scan, started with the name in lower case: WMI reports the name in upper case,
# and from its computer-system pass on every line and row uses the reported name.
full_scan_of_the_wine_computer() {
  local lower="${computer,,}"
  forget_computer "$computer"
  scan "{hwnd},$lower,$KORVANE_WINE_DSN,"
  expect_eq "$rc" 0 "exit status"
  local -a got
  mapfile -t got <<<"$lines"
  expect_eq "${got[*]:0:9}" "$lower,2 $lower,4 $lower,6 $computer,20 $computer,27 $computer,29 $computer,33 $computer,35 $computer,40" \
    "progress up to the software stage"
  local n=${#got[@]}
  expect_eq "${got[*]:n-3:3}" "$computer,90 $computer,100 $computer,Complete" "the last lines"
  local running
  for running in "${got[@]:9:n-12}"; do
    expect_match "$running" "^$computer,(5[0-9]|[6-8][0-9]|90)(\\.[0-9]+)?$" "running software progress"
  done

  local asset
  asset=$(sql "SELECT Manufacturer, Model, IPAddress, DriveCCaption, WindowsDirectory, OSCaption, History
               FROM Asset WHERE Computer = '$computer'")
  expect_match "$asset" "^The Wine Project\\|Wine\\|127\\.0\\.0\\.1\\|C:\\|C:\\\\windows\\|[^|]+\\|$timestamp~New Record Created\\^$" \
    "the asset row"
  expect_match "$(sql "SELECT LastAccessTime FROM LastAccess WHERE Computer = '$computer'")" "^$timestamp$" \
    "the last-access time"
  local services
  services=$(sql "SELECT ServiceList FROM Services WHERE ServComputer = '$computer'")
  expect_match "$services" '^[^^]+(\^[^^]+)+$' "the service list: names joined by ^, none empty"
  expect_eq "$(sql "SELECT count(*) FROM Software WHERE SoftComputer = '$computer'")" 1 "one software row"
  expect_no_match "$log" "Unable to access WMI|Error updating database|Korvane\\.|Error listing services" \
    "no WMI, database or terminal failure logged"

  # A second scan finds the rows: no second row, no second "New Record Created".
  scan "{hwnd},$computer,$KORVANE_WINE_DSN,"
  expect_eq "$rc" 0 "exit status of the second scan"
  expect_eq "$(sql "SELECT count(*) FROM Asset WHERE Computer = '$computer'")" 1 "still one asset row"
  expect_eq "$(sql "SELECT (length(History) - length(replace(History, 'New Record Created', ''))) / 18
                    FROM Asset WHERE Computer = '$computer'")" 1 "one New Record Created entry"
}

# "-u" refreshes the user and the scan time only: the computer-system pass, then the
# database, with no software stage and no 90.
user_only_refresh() {
  sql "UPDATE Asset SET LastScan = 'before', UserName = 'nobody' WHERE Computer = '$computer'" >/dev/null
  scan "{hwnd},$computer,$KORVANE_WINE_DSN,-u"
  expect_eq "$rc" 0 "exit status"
  expect_eq "$(echo $lines)" "$computer,2 $computer,4 $computer,6 $computer,100 $computer,Complete" "progress"
  expect_match "$(sql "SELECT LastScan FROM Asset WHERE Computer = '$computer'")" "^$timestamp$" "LastScan rewritten"
  expect_match "$(sql "SELECT UserName FROM Asset WHERE Computer = '$computer'")" '^[^\]+\\.+$' \
    "the user from WMI (the workstation service fails under Wine)"
}

# A name that is nobody's (in Greek, so the text also crosses the ANSI calls): the
# attempt is recorded, the registry cannot be read, the scan gives up.
unknown_computer_gets_no_access() {
  local name='κόμβος-7'
  forget_computer "$name"
  scan "{hwnd},$name,$KORVANE_WINE_DSN,"
  expect_eq "$rc" 0 "exit status"
  expect_eq "$(echo $lines)" "$name,2 $name,4 $name,Complete" "progress"
  expect_match "$log" "^$timestamp,Insufficient access or error accessing PC ,$name:$" "the one log line"
  expect_match "$(sql "SELECT LastAccessTime FROM LastAccess WHERE Computer = '$name'")" "^$timestamp$" \
    "the attempt is recorded under the UTF-8 name"
  expect_eq "$(sql "SELECT count(*) FROM Asset WHERE Computer = '$name'")" 0 "no asset row"
}

# Two commas only: start-up fails after reading the handle, so ",Complete" reaches the
# list box. A handle that is no number reaches none.
malformed_command_lines() {
  scan "{hwnd},PC01,SQLSRV"
  expect_eq "$rc" 0 "exit status"
  expect_eq "$lines" ",Complete" "the one line: a comma and Complete"
  expect_match "$log" "^$timestamp,Korvane\\.Form_Load,[0-9]+,PC01,SQLSRV:Invalid procedure call or argument$" \
    "the start-up log line"
  scan "x{hwnd},PC01,SQLSRV,"
  expect_eq "$lines" "" "no line reaches a list box"
  expect_match "$log" "^$timestamp,Korvane\\.Form_Load,x[0-9]+,PC01,SQLSRV,:Type mismatch$" "the start-up log line"
}

# A database server that does not exist: the last-access record fails, which ends the
# scan after its log line.
database_that_cannot_be_reached() {
  scan "{hwnd},$computer,korvane-no-such-server,"
  expect_eq "$(echo $lines)" "$computer,2 $computer,4 $computer,Complete" "progress"
  expect_match "$log" "^$timestamp,Error updating last access database,$computer:.+" "the log line"
}

# The console's Windows side: one list box and one job object per scan. Two scans at
# once reach their own rows; the summary counts them by outcome.
console_scans_two_computers() {
  forget_computer "$computer"
  forget_computer 'κόμβος-7'
  lines=$(timeout 180 wine "$bin/korvane-console.exe" scan --db "$KORVANE_WINE_DSN" --timeout 120 \
    "$computer" 'κόμβος-7' 2>/dev/null | tr -d '\r')
  rc=$?
  log=""
  expect_eq "$rc" 0 "exit status"
  expect_match "$lines" "2 scans: 1 complete, 1 no access" "the summary"
  expect_match "$(sql "SELECT History FROM Asset WHERE Computer = '$computer'")" "~New Record Created\\^$" \
    "the computer's row written through the console"
  expect_eq "$(sql "SELECT count(*) FROM LastAccess WHERE Computer IN ('$computer', 'κόμβος-7')")" 2 \
    "both attempts recorded"
}

# A scan that outlives its time-out is ended with everything in its job: no scanner is
# left running afterwards. A scan of the real Wine computer can finish within any short
# time-out, so the slow target is a lab computer whose echo takes 30 s to answer.
console_time_out_ends_the_scan() {
  local labdir winlab
  labdir=$(mktemp -d)
  echo '{"latencyMs": {"echo": 30000}}' > "$labdir/SLOWPC.json"
  winlab=$(timeout 60 winepath -w "$labdir" 2>/dev/null | tr -d '\r')
  lines=$(timeout 180 wine "$bin/korvane-console.exe" scan --db "$KORVANE_WINE_DSN" --timeout 2 \
    --lab "$winlab" SLOWPC 2>/dev/null | tr -d '\r')
  rc=$?
  log=""
  rm -rf "$labdir"
  expect_eq "$rc" 1 "exit status of a timed-out batch"
  expect_match "$lines" "1 scan: 1 timed out" "the summary"
  sleep 2
  expect_eq "$(ps -eo stat=,args= | grep -v '^Z' | grep -c 'korvane\.exe [0-9-]*,')" 0 "no scanner left running"
}

computer=$(timeout 60 wine cmd /c 'echo %COMPUTERNAME%' 2>/dev/null | tr -d '\r\n ')
logfile=$(timeout 60 winepath -u "$(timeout 60 wine cmd /c 'echo %TEMP%' 2>/dev/null | tr -d '\r\n')" 2>/dev/null)/DrevantaAssetDB.log
if [ -z "$computer" ]; then
  echo "FAILED: the Wine computer's name could not be read"
  echo "0 passed, 1 failed"
  exit 1
fi
echo "Wine computer $computer, error log $logfile, data source $KORVANE_WINE_DSN"

run_test full_scan_of_the_wine_computer
run_test user_only_refresh
run_test unknown_computer_gets_no_access
run_test malformed_command_lines
run_test database_that_cannot_be_reached
if [ -f "$bin/korvane-console.exe" ]; then
  run_test console_scans_two_computers
  run_test console_time_out_ends_the_scan
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
