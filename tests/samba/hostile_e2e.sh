#!/usr/bin/env bash
# Servers that answer badly: on the SMB port (hostile_server.py), and with DCE/RPC
# fragments after a good bind (hostile_rpc_server.py, reached straight over TCP through
# KORVANE_TEST_RPC_PORT). Each scan logs its failure and ends with "Complete", within the
# time-outs (60 s to set up a connection, 20 s a call); a reply that never ends is dropped
# at 16 MB. Runs in the Samba target's namespaces, one bad server per address of its loopback.
#   tests/samba/hostile_e2e.sh BIN_DIR
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bin="$(cd "$1" && pwd)"
if [ "${KORVANE_TARGET_INSIDE:-}" != 1 ]; then
  exec bash "$here/target.sh" bash "$0" "$bin"
fi
command -v python3 >/dev/null || { echo "hostile servers: python3 is not installed" >&2; exit 77; }

eval "$KORVANE_TARGET_STOP"
work="$(mktemp -d "$TMPDIR/hostile.XXXXXX")"
export KORVANE_CREDENTIALS="$KORVANE_TARGET_DIR/admin.auth"
"$bin/korvane-console" init-db "$work/inv" >/dev/null
rpc_port=1500
# rpc:elsewhere: a fragment server on an address outside 127.x.x.x, which the variable
# must not send the scan to (it goes over SMB and finds nothing there).
modes=(close garbage endless silent rpc:truncated rpc:oversized rpc:misaligned rpc:endless
  rpc:stalled rpc:elsewhere)
ip addr add 10.99.0.1/32 dev lo
address() { if [ "${modes[$1]}" = rpc:elsewhere ]; then echo 10.99.0.1; else echo "127.0.0.$(($1 + 2))"; fi; }
servers=()
for i in "${!modes[@]}"; do
  case "${modes[$i]}" in
    rpc:elsewhere) python3 "$here/hostile_rpc_server.py" misaligned "$(address "$i")" \
      "$rpc_port" >"$work/server$i" 2>&1 & ;;
    rpc:*) python3 "$here/hostile_rpc_server.py" "${modes[$i]#rpc:}" "$(address "$i")" \
      "$rpc_port" >"$work/server$i" 2>&1 & ;;
    *) python3 "$here/hostile_server.py" "${modes[$i]}" "$(address "$i")" >"$work/server$i" 2>&1 & ;;
  esac
  servers+=($!)
done
for i in "${!modes[@]}"; do
  for _ in $(seq 50); do grep -q listening "$work/server$i" && break; sleep 0.1; done
done
scans=()
for i in "${!modes[@]}"; do
  mkdir -p "$work/temp$i"
  port=""
  case "${modes[$i]}" in rpc:*) port="$rpc_port" ;; esac
  KORVANE_TEST_RPC_PORT="$port" Temp="$work/temp$i" timeout 150 "$bin/korvane" \
    "1,$(address "$i"),$work/inv," >"$work/progress$i" 2>"$work/stderr$i" &
  scans+=($!)
done
failures=0
for i in "${!modes[@]}"; do
  wait "${scans[$i]}"
  status=$?
  computer="$(address "$i")"
  progress="$(cut -d, -f2 "$work/progress$i" | tr '\n' ' ')"
  logged="$(cut -d, -f2- "$work/temp$i/DrevantaAssetDB.log" 2>/dev/null)"
  if [ "$status" -ne 0 ] || [ "$progress" != "2 4 Complete " ] ||
     [ "$logged" != "Insufficient access or error accessing PC ,$computer:" ]; then
    failures=$((failures + 1))
    echo "FAILED: ${modes[$i]} server: exit $status, progress '$progress', log '$logged'"
    cat "$work/stderr$i"
  fi
done
# The fragment servers must have been reached as meant: bound without authentication, and
# the endless reply dropped near the cap rather than gathered to the libraries' own 240 MB.
for i in "${!modes[@]}"; do
  case "${modes[$i]}" in rpc:*) ;; *) continue ;; esac
  said="$(cat "$work/server$i")"
  if [ "${modes[$i]}" = rpc:elsewhere ]; then
    if grep -q bind <<<"$said"; then
      failures=$((failures + 1))
      echo "FAILED: KORVANE_TEST_RPC_PORT took a scan of $(address "$i") off SMB"
    fi
  elif ! grep -qx "bind auth_length 0" <<<"$said"; then
    failures=$((failures + 1))
    echo "FAILED: ${modes[$i]} server was not bound without authentication: $said"
  fi
  sent="$(sed -n 's/^endless sent \([0-9]*\) bytes$/\1/p' <<<"$said" | sort -n | tail -1)"
  if [ "${modes[$i]}" = rpc:endless ] && [ "${sent:-999999999}" -gt $((32 * 1024 * 1024)) ]; then
    failures=$((failures + 1))
    echo "FAILED: ${modes[$i]} server sent ${sent:-endlessly} bytes before the scanner hung up"
  fi
done
kill "${servers[@]}" 2>/dev/null
echo "hostile servers: $((${#modes[@]} - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
