#!/usr/bin/env bash
# End to end against a real server: the korvane and korvane-console executables scan the
# Samba target of target.sh (addressed by its IP address and by a name), and the rows, the
# log file and the progress lines are checked.
#   tests/samba/scan_e2e.sh BIN_DIR
# Exit 0 when every check passes, 1 on the first failure, 77 when the target cannot run.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bin="$(cd "$1" && pwd)"

if [ "${KORVANE_TARGET_INSIDE:-}" != 1 ]; then
  exec bash "$here/target.sh" bash "$0" "$bin"
fi

D="$KORVANE_TARGET_DIR"
work="$(mktemp -d "$TMPDIR/scan.XXXXXX")"
export Temp="$work"
log="$work/DrevantaAssetDB.log"
failures=0
checks=0

check() {  # WHAT EXPECTED ACTUAL
  checks=$((checks + 1))
  if [ "$2" != "$3" ]; then
    failures=$((failures + 1))
    printf 'FAILED: %s\n  expected: %.400s\n  actual:   %.400s\n' "$1" "$2" "$3"
  fi
}
contains() {  # WHAT NEEDLE HAYSTACK
  checks=$((checks + 1))
  case "$3" in *"$2"*) ;; *) failures=$((failures + 1)); printf 'FAILED: %s\n  missing: %s\n  in: %.600s\n' "$1" "$2" "$3" ;; esac
}
row() {  # DB COLUMN [TABLE KEYCOLUMN]
  sqlite3 "$work/$1/DrevantaAsset.sqlite" "select $2 from ${3:-Asset} where ${4:-Computer} = '$computer'"
}
scan() {  # DB AUTHFILE [COMPUTER]
  [ -d "$work/$1" ] || "$bin/korvane-console" init-db "$work/$1" >/dev/null
  KORVANE_CREDENTIALS="$D/$2" "$bin/korvane" "1,${3:-$computer},$work/$1," 2>"$work/stderr"
}

# A logged-on user: the workstation service lists an SMB1 session made over NetBIOS whose
# calling name is the server's own.
mkfifo "$work/session"
smbclient "//127.0.0.1/C\$" -A "$D/user.auth" -p 139 -m NT1 -n KORVTARGET <"$work/session" \
  >"$work/session.out" 2>&1 &
exec 9>"$work/session"
for _ in $(seq 50); do grep -q korvuser <<<"$(smbstatus -b 2>/dev/null)" && break; sleep 0.1; done

expected_software='Korvane Test Archiver§2.1.0§C:\Program Files\Archiver§^Text Editor Grün§10.4§C:\Program Files\Editor§^Plain Tool§§§^Long Location Product§1.0§C:\'"$(printf 'L%.0s' $(seq 30000))"'§'
expected_services='Print Spooler^Net Logon^Remote Registry Service^Windows Internet Name Service (WINS)'

# ---- the administrator's scan, by address --------------------------------------------------
computer=127.0.0.1
progress="$(scan ip admin.auth)"
check "progress of a full fallback scan" \
  "2 4 35 40 60 70 80 90 100 90 100 Complete" "$(cut -d, -f2 <<<"$progress" | tr '\n' ' ' | sed 's/ $//')"
check "log of a full fallback scan" \
  "Unable to access WMI,$computer:The RPC server is unavailable." "$(cut -d, -f2- "$log")"
check "software list" "$expected_software" "$(row ip SoftwareList Software SoftComputer)"
check "service list" "$expected_services" "$(row ip ServiceList Services ServComputer)"
check "operating system" "6.1|6.1.|c:\\Windows||" "$(row ip "OSCaption||'|'||OSVersion||'|'||WindowsDirectory||'|'||CSDVersion||'|'||coalesce(CountryCode,'')")"
# The C$ and e$ shares are file systems of their own, of 64 and 32 MB; there is no d$.
check "drive C:" "C:|64|64" "$(row ip "DriveCCaption||'|'||CAST(DriveCSize AS INT)||'|'||CAST(DriveCFreeSpace AS INT)")"
check "no drive D:, drive E:" "|E:|32" \
  "$(row ip "coalesce(DriveDCaption,'')||'|'||DriveECaption||'|'||CAST(DriveESize AS INT)")"
check "logged-on user" 'KORVLAB\korvuser' "$(row ip UserName)"
check "address" "127.0.0.1" "$(row ip IPAddress)"
check "no credentials in the output" "" "$(grep -l 'Adm1n-pass' "$log" "$work/stderr" <<<"$progress" 2>/dev/null)"

# A rescan finds the same computer and records nothing new.
history="$(row ip History)"
: >"$log"
scan ip admin.auth >/dev/null
check "rescan history" "$history" "$(row ip History)"
check "rescan software" "$expected_software" "$(row ip SoftwareList Software SoftComputer)"
check "rescan log" "Unable to access WMI,$computer:The RPC server is unavailable." "$(cut -d, -f2- "$log")"

# ---- by name --------------------------------------------------------------------------------
computer=korvtarget
scan name admin.auth >/dev/null
check "by name: address" "127.0.0.1" "$(row name IPAddress)"
check "by name: software" "$expected_software" "$(row name SoftwareList Software SoftComputer)"
check "by name: drive C:" "64" "$(row name "CAST(DriveCSize AS INT)")"

# ---- no access --------------------------------------------------------------------------------
for account in user.auth wrong.auth; do
  : >"$log"
  progress="$(scan "$account" "$account")"
  check "$account: progress" "2 4 Complete" "$(cut -d, -f2 <<<"$progress" | tr '\n' ' ' | sed 's/ $//')"
  check "$account: log" "Insufficient access or error accessing PC ,$computer:" "$(cut -d, -f2- "$log")"
  check "$account: nothing collected" "" "$(row "$account" "coalesce(OSCaption,'')")"
done

# An authentication file others may read is refused, and says why without its contents.
chmod 644 "$D/admin.auth"
: >"$log"
progress="$(scan open admin.auth)"
chmod 600 "$D/admin.auth"
check "open credentials: progress" "2 4 Complete" "$(cut -d, -f2 <<<"$progress" | tr '\n' ' ' | sed 's/ $//')"
contains "open credentials: reason" "is open to its group or others" "$(cat "$work/stderr")"
check "open credentials: log" "Insufficient access or error accessing PC ,$computer:" "$(cut -d, -f2- "$log")"

# ---- the console, without a lab ------------------------------------------------------------------
export KORVANE_CREDENTIALS="$D/admin.auth"
"$bin/korvane-console" init-db "$work/console" >/dev/null
"$bin/korvane-console" scan --db "$work/console" korvtarget >"$work/console.out" 2>&1
check "console scan status" "0" "$?"
check "console: software" "$expected_software" "$(row console SoftwareList Software SoftComputer)"
shown="$("$bin/korvane-console" show --db "$work/console" korvtarget 2>&1)"
contains "console show" "Long Location Product" "$shown"
contains "console show: user" 'KORVLAB\korvuser' "$shown"
"$bin/korvane-console" report --db "$work/console" --out "$work/report" >/dev/null 2>&1
check "console report status" "0" "$?"

# 32 computers at once (32 names of the one server), each with its own scanner.
names=()
for i in $(seq -w 1 32); do names+=("korvtarget$i"); done
"$bin/korvane-console" init-db "$work/many" >/dev/null
"$bin/korvane-console" scan --db "$work/many" "${names[@]}" >"$work/many.out" 2>&1
check "32 at once: console status" "0" "$?"
check "32 at once: every software list" "32" \
  "$(sqlite3 "$work/many/DrevantaAsset.sqlite" "select count(*) from Software where SoftwareList = '$(sed "s/'/''/g" <<<"$expected_software")'")"
check "32 at once: every drive C:" "32" \
  "$(sqlite3 "$work/many/DrevantaAsset.sqlite" "select count(*) from Asset where CAST(DriveCSize AS INT) = 64")"
unset KORVANE_CREDENTIALS

# ---- a server that has stopped: the computer answers the echo, its services do not ------------
eval "$KORVANE_TARGET_STOP"
: >"$log"
computer=127.0.0.1
progress="$(scan stopped admin.auth)"
check "stopped server: progress" "2 4 Complete" "$(cut -d, -f2 <<<"$progress" | tr '\n' ' ' | sed 's/ $//')"
check "stopped server: log" "Insufficient access or error accessing PC ,$computer:" "$(cut -d, -f2- "$log")"

exec 9>&-
echo "samba scan: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
