#!/usr/bin/env bash
# One fallback scan of the Samba test target against fetching the same data with Samba's
# own tools, side by side in one run: the registry (net rpc registry), the services (net
# rpc service list), the logons (rpcclient) and the share size (smbclient). Prints the
# mean wall time of each over ROUNDS rounds.
#   bench/samba_scan.sh [BIN_DIR] [ROUNDS]      (root; default build/bin, 5 rounds)
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bin="$(cd "${1:-$here/../build/bin}" && pwd)"
rounds="${2:-5}"
if [ "${KORVANE_TARGET_INSIDE:-}" != 1 ]; then
  exec bash "$here/../tests/samba/target.sh" bash "$0" "$bin" "$rounds"
fi

D="$KORVANE_TARGET_DIR"
work="$(mktemp -d "$TMPDIR/bench.XXXXXX")"
export Temp="$work" KORVANE_CREDENTIALS="$D/admin.auth"
"$bin/korvane-console" init-db "$work/inv" >/dev/null
auth=(-A "$D/admin.auth")
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

now() { date +%s%N; }
tools() {
  net rpc registry enumerate "$uninstall" -S 127.0.0.1 "${auth[@]}" >/dev/null 2>&1
  for key in Archiver Editor NoVersion LongPath Orphan; do
    net rpc registry enumerate "$uninstall\\$key" -S 127.0.0.1 "${auth[@]}" >/dev/null 2>&1
  done
  net rpc registry enumerate 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' -S 127.0.0.1 \
    "${auth[@]}" >/dev/null 2>&1
  net rpc service list -S 127.0.0.1 "${auth[@]}" >/dev/null 2>&1
  rpcclient 127.0.0.1 "${auth[@]}" -c 'wkssvc_enumerateusers 1' >/dev/null 2>&1
  smbclient '//127.0.0.1/C$' "${auth[@]}" -c du >/dev/null 2>&1
}
scan() { "$bin/korvane" "1,127.0.0.1,$work/inv," >/dev/null 2>&1; }

scan  # the first scan creates the rows; the timed ones are rescans
scan_ns=0
tools_ns=0
for _ in $(seq "$rounds"); do
  t0=$(now); scan; t1=$(now); tools; t2=$(now)
  scan_ns=$((scan_ns + t1 - t0))
  tools_ns=$((tools_ns + t2 - t1))
done
printf 'korvane fallback scan     %6d ms\n' $((scan_ns / rounds / 1000000))
printf "Samba's tools, same data  %6d ms\n" $((tools_ns / rounds / 1000000))
