#!/usr/bin/env bash
# The Windows side of the test suite, in one step: installs the cross compiler and Wine
# (scripts/wine-setup.sh), cross-builds the Windows executables (preset "mingw"), and
# runs under Wine the platform contract checks and the end-to-end scans of the Wine
# computer itself, with the inventory in PostgreSQL reached through ODBC and in a
# directory (the embedded SQLite), and the Windows demo from the release zip
# (scripts/packages.sh zip).
#
# Exits non-zero when a build or a test fails. When Wine itself cannot be set up here
# (packages not to be had, the prefix does not boot), it says why and skips (exit 0),
# so the rest of CI stays usable.
#
# The PostgreSQL data source is $KORVANE_TEST_PG_DSN when set (scripts/test.sh starts
# one); otherwise this script starts its own with scripts/postgres-setup.sh and stops it.
set -uo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
started=$(date +%s)
elapsed() { echo "$(( $(date +%s) - started )) s"; }
skip() {
  echo "wine-tests: SKIPPED, $*"
  exit 0
}

echo "== wine-tests: setup"
prefix=$(bash scripts/wine-setup.sh) || skip "Wine or the MinGW-w64 cross compiler could not be set up (see above)"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d" WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY
echo "prefix $WINEPREFIX ready after $(elapsed)"

echo "== wine-tests: cross-build"
cmake --preset mingw >/tmp/korvane-mingw-configure.log 2>&1 ||
  { cat /tmp/korvane-mingw-configure.log; echo "wine-tests: the cross configure failed"; exit 1; }
targets=(korvane korvane-acp korvane-listbox korvane-ctrl korvane-windows-tests)
if [ -d console/system/win32 ]; then targets+=(korvane-console); fi
cmake --build --preset mingw --target "${targets[@]}" >/tmp/korvane-mingw-build.log 2>&1 ||
  { tail -n 60 /tmp/korvane-mingw-build.log; echo "wine-tests: the cross build failed"; exit 1; }
bin="$repo/build-mingw/bin"
echo "built ${targets[*]} after $(elapsed)"
for exe in "$bin"/*.exe; do
  # Statically linked runtime: only DLLs that every Windows system has.
  if x86_64-w64-mingw32-objdump -p "$exe" | grep -i 'DLL Name' | grep -qiE 'libstdc|libgcc|libwinpthread'; then
    echo "wine-tests: $exe needs a MinGW runtime DLL"; exit 1
  fi
done

echo "== wine-tests: the release zip"
release=$(bash scripts/packages.sh zip) || { echo "wine-tests: the release zip failed its checks"; exit 1; }
# The demo runs from the unpacked zip (tests/wine/end_to_end.sh).
export KORVANE_WINE_RELEASE="$release"
trap 'rm -rf "$(dirname "$release")"' EXIT

timeout 60 wine cmd /c exit >/dev/null 2>&1 || skip "Wine does not start programs in $WINEPREFIX"

echo "== wine-tests: inventory data source"
own_pg=""
pg_dsn="${KORVANE_TEST_PG_DSN:-}"
if [ -z "$pg_dsn" ]; then
  pg_dsn=$(KORVANE_PG_DSN_NAME=KorvaneWine bash scripts/postgres-setup.sh /tmp/korvane-pg-wine 2>/tmp/korvane-pg-wine.log | tail -n 1)
  if [ -z "$pg_dsn" ]; then cat /tmp/korvane-pg-wine.log; echo "wine-tests: PostgreSQL could not be started"; exit 1; fi
  own_pg=/tmp/korvane-pg-wine
fi
# The scans run in a network namespace of their own (below), which has only its own
# loopback; the server is reached through its Unix socket, under a data source of ours.
port=$(odbcinst -q -s -n "$pg_dsn" 2>/dev/null | sed -n 's/^Port=//p' | head -n 1)
driver=$(odbcinst -q -s -n "$pg_dsn" 2>/dev/null | sed -n 's/^Driver=//p' | head -n 1)
socket=$(find /tmp /var/run/postgresql -maxdepth 3 -name ".s.PGSQL.$port" 2>/dev/null | head -n 1)
if [ -z "$port" ] || [ -z "$socket" ]; then
  echo "wine-tests: the data source $pg_dsn has no local socket (port ${port:-?})"; exit 1
fi
socket_dir=$(dirname "$socket")
dsn=KorvaneWineTests
odbcinst -u -s -l -n "$dsn" >/dev/null 2>&1 || true
printf '[%s]\nDescription=Korvane Wine tests\nDriver=%s\nServername=%s\nPort=%s\nDatabase=DrevantaAsset\nUsername=postgres\nPassword=\nSSLmode=disable\n' \
  "$dsn" "$driver" "$socket_dir" "$port" | odbcinst -i -s -l -r >/dev/null 2>&1
export KORVANE_WINE_DSN="$dsn" KORVANE_WINE_PG="-h $socket_dir -p $port -U postgres"
export KORVANE_WINE_BIN="$bin"
echo "data source $dsn: PostgreSQL at $socket_dir, port $port"

# Every Wine program of the tests runs in a network namespace made here with nothing but
# its loopback: echo requests (to the computer's own name, or to 0.0.0.0 for a name that
# does not resolve) and name look-ups can reach nothing outside this machine's sandbox.
in_namespace() { unshare --net bash -c 'ip link set lo up && exec "$@"' in-namespace "$@"; }
if ! in_namespace true >/dev/null 2>&1; then
  skip "no network namespace can be made here (unshare --net), and the scans must not reach any other network"
fi

status=0
echo "== wine-tests: the target contract and the Windows layer under Wine (GoogleTest)"
timeout 30 wineserver -k >/dev/null 2>&1 || true
in_namespace bash -c 'timeout 300 wine "$KORVANE_WINE_BIN/korvane-windows-tests.exe" 2>/dev/null | tr -d "\r"; exit ${PIPESTATUS[0]}' ||
  status=1
echo "== wine-tests: end-to-end scans under Wine"
in_namespace bash tests/wine/end_to_end.sh || status=1

odbcinst -u -s -l -n "$dsn" >/dev/null 2>&1 || true
if [ -n "$own_pg" ]; then KORVANE_PG_DSN_NAME=KorvaneWine bash scripts/postgres-stop.sh "$own_pg" >/dev/null 2>&1 || true; fi
timeout 30 wineserver -k >/dev/null 2>&1 || true
echo "wine-tests: finished in $(elapsed), $([ $status -eq 0 ] && echo passed || echo FAILED)"
exit $status
