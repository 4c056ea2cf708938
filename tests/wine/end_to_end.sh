#!/usr/bin/env bash
# End-to-end tests of korvane.exe under Wine, run by scripts/wine-tests.sh, which sets:
#   KORVANE_WINE_BIN   the cross-built bin directory (korvane.exe, korvane-listbox.exe)
#   KORVANE_WINE_DSN   an ODBC data source of the host's unixODBC (PostgreSQL) holding
#                      the inventory; Wine's odbc32 forwards to it
#   KORVANE_WINE_PG    psql connection options for checking the rows
#   KORVANE_WINE_RELEASE  the unpacked release zip's folder, where the demo runs from
#                      (the bin directory when unset)
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
# The Windows name of a host path, through the Z: drive every prefix maps to /. Spelled
# here rather than asked of winepath, which under a loaded machine can outlast its
# time-out and leave a test with an empty path.
windows_path() { echo "Z:${1//\//\\}"; }
passed=0
failed=0

fail() { echo "FAILED [$current]: $*"; failures=$((failures + 1)); }
expect_eq() { [ "$1" == "$2" ] || fail "$3: expected [$2], got [$1]"; }
expect_match() { [[ "$1" =~ $2 ]] || fail "$3: [$1] does not match /$2/"; }
expect_line() { grep -qxF -- "$1" <<<"$lines" || fail "$2: no line [$1] among the list box's lines"; }
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
  # KORVANE_WINE_ONLY="name name" runs only those tests (while working on them).
  if [ -n "${KORVANE_WINE_ONLY:-}" ] && [[ " $KORVANE_WINE_ONLY " != *" $1 "* ]]; then return; fi
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
# A log line starts with the user's general date and time (the locale's own form, e.g.
# "12/5/2026 7:58:11 PM" or "05.12.2026 19:58:11"), never with a comma inside.
logstamp='[0-9][^,]*[0-9]( [AP]M)?'

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
  expect_match "$log" "^$logstamp,Insufficient access or error accessing PC ,$name:$" "the one log line"
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
  expect_match "$log" "^$logstamp,Korvane\\.Form_Load,[0-9]+,PC01,SQLSRV:Invalid procedure call or argument$" \
    "the start-up log line"
  scan "x{hwnd},PC01,SQLSRV,"
  expect_eq "$lines" "" "no line reaches a list box"
  expect_match "$log" "^$logstamp,Korvane\\.Form_Load,x[0-9]+,PC01,SQLSRV,:Type mismatch$" "the start-up log line"
}

# A database server that does not exist: the last-access record fails, which ends the
# scan after its log line.
database_that_cannot_be_reached() {
  scan "{hwnd},$computer,korvane-no-such-server,"
  expect_eq "$(echo $lines)" "$computer,2 $computer,4 $computer,Complete" "progress"
  expect_match "$log" "^$logstamp,Error updating last access database,$computer:.+" "the log line"
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
  winlab=$(windows_path "$labdir")
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

# Stopping the console stops its scans. Ctrl-C: the running scans are ended, the summary
# says what finished and what was interrupted, and the console exits with 130. Closing
# the window: Wine's console ends every process attached to it at once, without the
# close event that Windows sends first, so what this shows is the part that does not
# depend on the handler: the scans, in the console's job objects, end with it.
scanners_left() { ps -eo stat=,args= | grep -v '^Z' | grep -c 'korvane\.exe [0-9-]*,'; }
console_interrupted() {
  local labdir winlab dir="$WINEPREFIX/drive_c/KorvaneInterrupt" slow
  labdir=$(mktemp -d)
  echo '{}' > "$labdir/PCOK.json"
  for slow in SLOW1 SLOW2 SLOW3 SLOW4; do echo '{"latencyMs": {"echo": 60000}}' > "$labdir/$slow.json"; done
  winlab=$(windows_path "$labdir")
  local console
  console=$(windows_path "$bin/korvane-console.exe")
  local event expected_rc
  for event in c close; do
    rm -rf "$dir"
    timeout 120 wine "$bin/korvane-console.exe" init-db 'C:\KorvaneInterrupt' >/dev/null 2>&1
    timeout 180 wine "$bin/korvane-ctrl.exe" "$event" 'C:\KorvaneInterrupt\console.txt' 'SLOW3: started' \
      "$console" scan --db 'C:\KorvaneInterrupt' --lab "$winlab" --jobs 3 PCOK SLOW1 SLOW2 SLOW3 SLOW4 \
      >/dev/null 2>"$dir/harness.txt"
    rc=$?
    lines=$(tr -d '\r' <"$dir/console.txt")
    log=$(cat "$dir/harness.txt")
    sleep 2
    expect_eq "$(scanners_left)" 0 "$event: no scanner left running"
    expect_eq "$(sqlite3 -batch -noheader "$dir/DrevantaAsset.sqlite" "SELECT count(*) FROM LastAccess WHERE Computer = 'PCOK'")" 1 \
      "$event: the scan that finished before is in the inventory"
    if [ "$event" == c ]; then
      expect_eq "$rc" 130 "exit status after Ctrl-C"
      expect_match "$lines" "4 scans: 1 no access, 3 interrupted" "the summary after Ctrl-C"
      expect_match "$lines" "Interrupted: 3 running scans stopped, 1 not started" "the last line after Ctrl-C"
      expect_match "$lines" $'\nSLOW1 +interrupted after [0-9]+%' "a stopped scan in the table"
    else
      expect_no_match "$rc" '^(3|124)$' "the window was closed and the console ended"
    fi
  done
  rm -rf "$labdir"
}

# The embedded inventory: a directory as the Data Source, created with init-db at a
# Windows path, scanned through the console, the rows read back with the host's sqlite3.
directory_inventory() {
  local dir="$WINEPREFIX/drive_c/KorvaneInventory"
  rm -rf "$dir"
  lines=$(timeout 120 wine "$bin/korvane-console.exe" init-db 'C:\KorvaneInventory' 2>&1 | tr -d '\r')
  expect_eq "$?" 0 "init-db exit status"
  local file="$dir/DrevantaAsset.sqlite"
  [ -f "$file" ] || fail "init-db made no $file"
  lines=$(timeout 180 wine "$bin/korvane-console.exe" scan --db 'C:\KorvaneInventory' --timeout 150 \
    "$computer" 'κόμβος-7' 2>/dev/null | tr -d '\r')
  rc=$?
  expect_eq "$rc" 0 "scan exit status"
  expect_match "$lines" "2 scans: 1 complete, 1 no access" "the summary"
  local lite=(sqlite3 -batch -noheader -separator '|' "$file")
  expect_eq "$("${lite[@]}" 'PRAGMA journal_mode')" wal "the file runs in WAL mode"
  expect_match "$("${lite[@]}" "SELECT Manufacturer, History FROM Asset WHERE Computer = '$computer'")" \
    "^The Wine Project\\|$timestamp~New Record Created\\^$" "the asset row"
  expect_eq "$("${lite[@]}" "SELECT count(*) FROM Software WHERE SoftComputer = '$computer'")" 1 "one software row"
  expect_match "$("${lite[@]}" "SELECT DiskHistory FROM DriveHistory WHERE DiskComputer = '$computer~C'")" \
    '^\^[0-9]{4}/[0-9]{2}/[0-9]{2},[0-9]+$' "today's free space of C:"
  expect_match "$("${lite[@]}" "SELECT LastAccessTime FROM LastAccess WHERE Computer = 'κόμβος-7'")" "^$timestamp$" \
    "the unreachable computer's attempt, under its UTF-8 name"
  # The scanner alone, started by the harness with the directory as its server.
  scan "{hwnd},$computer,C:\\KorvaneInventory,-u"
  expect_eq "$(echo $lines)" "$computer,2 $computer,4 $computer,6 $computer,100 $computer,Complete" \
    "a user-only refresh into the directory"
  expect_no_match "$log" "SQL|database" "no database failure logged"
}

# The Windows demo: the main job in one command, three pinned days into a new directory
# inventory. A small network keeps it short. It runs from the unpacked release zip, as an
# administrator would run it, and the programs there name their release and commit.
windows_demo() {
  local dir="$WINEPREFIX/drive_c/KorvaneDemo" release="${KORVANE_WINE_RELEASE:-$bin}"
  rm -rf "$dir"
  expect_match "$(timeout 60 wine "$release/korvane-console.exe" --version 2>/dev/null | tr -d '\r')" \
    '^korvane-console [0-9.]+ \(commit [^)]+\)$' "the console's --version"
  expect_match "$(timeout 60 wine "$release/korvane.exe" --version 2>/dev/null | tr -d '\r')" \
    '^korvane [0-9.]+ \(commit [^)]+\)$' "the scanner's --version"
  lines=$(timeout 600 wine "$release/korvane-console.exe" demo 'C:\KorvaneDemo' --computers 8 2>&1 | tr -d '\r')
  rc=$?
  log=""
  expect_eq "$rc" 0 "exit status"
  expect_eq "$(grep -c '^=== Day [123] (2026-12-0[123] 09:00:00)' <<<"$lines")" 3 "three scan days"
  expect_eq "$(grep -c '^8 scans:' <<<"$lines")" 3 "three summaries of 8 scans"
  expect_match "$lines" "=== One computer: " "one computer shown"
  local lite=(sqlite3 -batch -noheader "$dir/inventory/DrevantaAsset.sqlite")
  expect_eq "$("${lite[@]}" "SELECT count(*) FROM LastAccess")" 8 "every computer's attempt recorded"
  expect_eq "$("${lite[@]}" "SELECT count(*) FROM LastAccess
                             WHERE LastAccessTime NOT LIKE '2026/12/0_ 09:%'")" 0 "only pinned days stored"
  expect_match "$("${lite[@]}" "SELECT count(*) FROM LastAccess WHERE LastAccessTime LIKE '2026/12/03 %'")" \
    '^[1-8]$' "computers seen on the third day"
  expect_match "$("${lite[@]}" "SELECT DiskHistory FROM DriveHistory ORDER BY length(DiskHistory) DESC LIMIT 1")" \
    '^\^2026/12/01,[0-9]+\^2026/12/02,[0-9]+\^2026/12/03,[0-9]+$' "a drive with one entry for each day"
}

# Software names, versions, locations and product IDs with characters beyond ASCII,
# written into the Wine registry, read back whole: by the scanner with the UTF-8
# manifest (every character intact), and by the same scanner without it, whose ANSI
# calls use code page 1252 (characters 1252 has arrive whole, the others as "?"). The
# stored Software list is compared byte for byte.
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
add_uninstall_entries() {
  local i
  for i in 1 2 3 4; do
    timeout 60 wine reg add "$uninstall\\KorvaneLocale$i" /v DisplayName /d "Locale test $i" /f >/dev/null 2>&1
    timeout 60 wine reg add "$uninstall\\KorvaneLocale$i" /v UninstallString /d 'C:\u.exe' /f >/dev/null 2>&1
  done
}
remove_uninstall_entries() {
  local i
  for i in 1 2 3 4; do timeout 60 wine reg delete "$uninstall\\KorvaneLocale$i" /f >/dev/null 2>&1; done
}
software_item() {
  "${lite[@]}" "SELECT SoftwareList FROM Software WHERE SoftComputer = '$computer'" | tr '^' '\n' |
    grep -F "$1" || true
}
software_text_in_the_code_page() {
  local name='Müßig Café Grün 漢' version='1.0 ½ Straße' location='C:\Programme\Grün 漢' product='PID-ÄÖÜ-€'
  local add=(timeout 60 env LC_ALL=en_US.UTF-8 wine reg add "$uninstall\KorvaneCodePage")
  "${add[@]}" /v DisplayName /d "$name" /f >/dev/null 2>&1
  "${add[@]}" /v DisplayVersion /d "$version" /f >/dev/null 2>&1
  "${add[@]}" /v InstallLocation /d "$location" /f >/dev/null 2>&1
  "${add[@]}" /v ProductID /d "$product" /f >/dev/null 2>&1
  "${add[@]}" /v UninstallString /d 'C:\uninstall.exe' /f >/dev/null 2>&1
  add_uninstall_entries
  local dir="$WINEPREFIX/drive_c/KorvaneCodePage"
  rm -rf "$dir"
  timeout 120 wine "$bin/korvane-console.exe" init-db 'C:\KorvaneCodePage' >/dev/null 2>&1
  local lite=(sqlite3 -batch -noheader "$dir/DrevantaAsset.sqlite")

  scan "{hwnd},$computer,C:\\KorvaneCodePage,"
  expect_eq "$rc" 0 "exit status with the manifest"
  expect_eq "$(software_item 'Müßig')" "$name§$version§$location§$product" "the item read through UTF-8"

  local ansi
  ansi=$(timeout 180 env LC_ALL=en_US.UTF-8 wine "$bin/korvane-listbox.exe" --timeout-ms 150000 \
    "$winbin\\korvane-acp.exe" "{hwnd},$computer,C:\\KorvaneCodePage," 2>/dev/null | tr -d '\r')
  expect_match "$ansi" "$computer,Complete" "the scan without the manifest completes"
  expect_eq "$(software_item 'Müßig')" "Müßig Café Grün ?§1.0 ½ Straße§C:\\Programme\\Grün ?§PID-ÄÖÜ-€" \
    "the item read through code page 1252, whole"
  timeout 60 wine reg delete "$uninstall\KorvaneCodePage" /f >/dev/null 2>&1
  remove_uninstall_entries
}

# A 64-bit Windows lists its 32-bit programs in a registry view of their own: a program
# written there (reg.exe's /reg:32) follows the 64-bit view's programs in the stored list.
thirty_two_bit_program() {
  local key="$uninstall\\KorvaneWow32" dir="$WINEPREFIX/drive_c/KorvaneWow"
  timeout 60 wine reg add "$key" /v DisplayName /d 'Korvane 32-bit program' /f /reg:32 >/dev/null 2>&1
  timeout 60 wine reg add "$key" /v DisplayVersion /d '3.2' /f /reg:32 >/dev/null 2>&1
  timeout 60 wine reg add "$key" /v UninstallString /d 'C:\u32.exe' /f /reg:32 >/dev/null 2>&1
  add_uninstall_entries
  rm -rf "$dir"
  timeout 120 wine "$bin/korvane-console.exe" init-db 'C:\KorvaneWow' >/dev/null 2>&1
  scan "{hwnd},$computer,C:\\KorvaneWow,"
  expect_eq "$rc" 0 "exit status"
  local items
  items=$(sqlite3 -batch -noheader "$dir/DrevantaAsset.sqlite" \
    "SELECT SoftwareList FROM Software WHERE SoftComputer = '$computer'" | tr '^' '\n')
  expect_eq "$(grep -c '^Korvane 32-bit program§3.2§§$' <<<"$items")" 1 "the 32-bit program, once"
  expect_eq "$(grep -n -e '^Locale test' -e '^Korvane 32-bit' <<<"$items" | tail -n 1 | cut -d: -f2-)" \
    "Korvane 32-bit program§3.2§§" "after the 64-bit view's programs"
  timeout 60 wine reg delete "$key" /f /reg:32 >/dev/null 2>&1
  remove_uninstall_entries
}

# The user's locale: Wine takes it from LC_ALL. Under German settings the stored times
# use "." between the date's parts, the log line has the short date and long time, and
# the running progress value a decimal comma; under US English "/", a 12-hour log time
# and a decimal point. Four uninstall entries make the running value fractional
# (50 + 40/3). A drive's entry of today is recognised whichever locale wrote it.
in_locale() {
  timeout 30 wineserver -k >/dev/null 2>&1
  LC_ALL="$1" scan "{hwnd},$2,C:\\KorvaneLocale,"
}
user_locale() {
  local dir="$WINEPREFIX/drive_c/KorvaneLocale"
  rm -rf "$dir"
  timeout 120 wine "$bin/korvane-console.exe" init-db 'C:\KorvaneLocale' >/dev/null 2>&1
  local lite=(sqlite3 -batch -noheader "$dir/DrevantaAsset.sqlite")
  add_uninstall_entries
  local today german_today
  today=$(date +%Y/%m/%d)
  german_today=$(date +%Y\\.%m\\.%d)

  in_locale de_DE.UTF-8 "$computer"
  expect_line "$computer,63,3333333333333" "the running value with a decimal comma"
  expect_match "$("${lite[@]}" "SELECT LastAccessTime FROM LastAccess WHERE Computer = '$computer'")" \
    "^$german_today [0-9]{2}:[0-9]{2}:[0-9]{2}$" "the last-access time with the German separators"
  expect_match "$("${lite[@]}" "SELECT History FROM Asset WHERE Computer = '$computer'")" \
    "^$german_today [0-9]{2}:[0-9]{2}:[0-9]{2}~New Record Created\\^$" "the history entry's time"
  local drive
  drive=$("${lite[@]}" "SELECT DiskHistory FROM DriveHistory WHERE DiskComputer = '$computer~C'")
  expect_match "$drive" "^\\^$german_today,[0-9]+$" "the drive's entry with the German date"
  in_locale de_DE.UTF-8 'κόμβος-7'
  expect_match "$log" "^[0-9]{1,2}\\.[0-9]{1,2}\\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2},Insufficient access" \
    "the log line's German general date"

  in_locale en_US.UTF-8 "$computer"
  expect_line "$computer,63.3333333333333" "the running value with a decimal point"
  expect_match "$("${lite[@]}" "SELECT LastAccessTime FROM LastAccess WHERE Computer = '$computer'")" \
    "^$today [0-9]{2}:[0-9]{2}:[0-9]{2}$" "the last-access time with the US separators"
  expect_eq "$("${lite[@]}" "SELECT DiskHistory FROM DriveHistory WHERE DiskComputer = '$computer~C'")" "$drive" \
    "today's entry, written under German settings, is recognised: no second entry"
  in_locale en_US.UTF-8 'κόμβος-7'
  expect_match "$log" "^[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{2}:[0-9]{2} [AP]M,Insufficient access" \
    "the log line's US general date"
  remove_uninstall_entries
  timeout 30 wineserver -k >/dev/null 2>&1
}

# Short dates whose separator holds a blank: Hungarian "yyyy. MM. dd." and Korean
# "yyyy. M. d." both report ". ". The drive's entry of today, written under either, is
# read back by a second scan of the day under the same settings and under US English:
# one entry, never a second.
blank_date_separators() {
  local dir="$WINEPREFIX/drive_c/KorvaneLocale"
  local lite=(sqlite3 -batch -noheader "$dir/DrevantaAsset.sqlite")
  local spaced_today locale drive
  spaced_today=$(date '+%Y\. %m\. %d')
  for locale in hu_HU.UTF-8 ko_KR.UTF-8; do
    rm -rf "$dir"
    timeout 120 wine "$bin/korvane-console.exe" init-db 'C:\KorvaneLocale' >/dev/null 2>&1
    in_locale "$locale" "$computer"
    drive=$("${lite[@]}" "SELECT DiskHistory FROM DriveHistory WHERE DiskComputer = '$computer~C'")
    expect_match "$drive" "^\\^$spaced_today,[0-9]+$" "$locale: the drive's entry with the date's blanks"
    expect_match "$("${lite[@]}" "SELECT LastAccessTime FROM LastAccess WHERE Computer = '$computer'")" \
      "^$spaced_today [0-9]{2}:[0-9]{2}:[0-9]{2}$" "$locale: the last-access time"
    in_locale "$locale" "$computer"
    expect_eq "$("${lite[@]}" "SELECT DiskHistory FROM DriveHistory WHERE DiskComputer = '$computer~C'")" "$drive" \
      "$locale: a second scan of the day reads today's entry back"
    in_locale en_US.UTF-8 "$computer"
    expect_eq "$("${lite[@]}" "SELECT DiskHistory FROM DriveHistory WHERE DiskComputer = '$computer~C'")" "$drive" \
      "$locale: read back under US English settings too"
  done
  timeout 30 wineserver -k >/dev/null 2>&1
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
run_test software_text_in_the_code_page
run_test thirty_two_bit_program
run_test user_locale
run_test blank_date_separators
if [ -f "$bin/korvane-console.exe" ]; then
  run_test console_scans_two_computers
  run_test console_time_out_ends_the_scan
  run_test console_interrupted
  run_test directory_inventory
  run_test windows_demo
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
