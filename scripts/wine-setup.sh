#!/usr/bin/env bash
# Prepares this Linux machine to build the Windows executables and run them under Wine:
# installs the MinGW-w64 cross compiler, Wine (64-bit only, no i386 multiarch) and the
# host's ODBC pieces that Wine's odbc32 forwards to, prepares the SQLite amalgamation
# (scripts/sqlite-amalgamation.sh), then creates a headless Wine prefix.
#
#   scripts/wine-setup.sh            (prefix: $KORVANE_WINEPREFIX, default /tmp/korvane-wine/prefix)
#
# Headless means: no display (graphics driver "null"), no Mono/Gecko installers
# (WINEDLLOVERRIDES), no crash debugger, no Wine debug output. Every Wine run is bounded
# by `timeout`. Prints the prefix on standard output; everything else goes to stderr.
# Safe to run again: an existing prefix is reused.
set -euo pipefail

log() { echo "wine-setup: $*" >&2; }
prefix="${KORVANE_WINEPREFIX:-/tmp/korvane-wine/prefix}"

packages=(g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 libz-mingw-w64-dev wine wine64 cmake ninja-build iproute2
  unixodbc odbcinst odbc-postgresql sqlite3 locales googletest nlohmann-json3-dev)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    log "missing packages (${missing[*]}) and not root to install them"
    exit 1
  fi
  log "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >&2
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

# The locale tests run Wine under German, US English, Hungarian and Korean settings (Wine
# follows LC_ALL); the last two write dates with a separator that holds a blank.
for wanted in de_DE en_US hu_HU ko_KR; do
  if ! locale -a 2>/dev/null | grep -qix "$wanted\.utf-\?8"; then
    if [ "$(id -u)" -ne 0 ]; then log "locale $wanted.UTF-8 missing and not root to generate it"; exit 1; fi
    grep -q "^$wanted.UTF-8 UTF-8" /etc/locale.gen 2>/dev/null || echo "$wanted.UTF-8 UTF-8" >>/etc/locale.gen
    regenerate=yes
  fi
done
if [ "${regenerate:-}" = yes ]; then
  log "generating the locales of the locale tests"
  locale-gen >&2
fi

# SQLite is compiled into the Windows executables from Debian's own source package; the
# amalgamation made from it is kept in the cross build's directory (preset "mingw").
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$repo/scripts/sqlite-amalgamation.sh" "$repo/build-mingw/sqlite-amalgamation" >/dev/null

# The environment every Wine run of the tests uses (also exported by wine-tests.sh).
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY

if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  log "creating the Wine prefix $prefix ($(wine --version))"
  start=$(date +%s)
  timeout 300 wineboot --init >&2 2>/dev/null || { log "wineboot failed or timed out"; exit 1; }
  timeout 120 wineserver --wait || true
  log "cold wineboot took $(( $(date +%s) - start )) s"
fi

reg() { timeout 60 wine reg "$@" >/dev/null 2>&1; }
# No window system: Wine's null graphics driver keeps windows (the list box) working.
reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
# A crashing program must end, not wait in a debugger or a crash dialog.
reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 0 /f
reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f || true
reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f

echo "$prefix"
