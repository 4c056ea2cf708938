#!/usr/bin/env bash
# Builds the release packages with CPack and checks them.
#
#   scripts/packages.sh deb   the Debian package from the default preset's build (build/):
#                             lintian without errors, installed with apt-get (as root, or
#                             with sudo), the demo run from the installed programs, the
#                             scheduled scan's units checked with systemd-analyze verify
#                             and their commands run once against a lab; then removed
#   scripts/packages.sh zip   the Windows zip from the mingw preset's build (build-mingw/):
#                             both executables stripped and at most 5 MB each; prints the
#                             folder it was unpacked into (the Wine tests run the demo
#                             from there)
#
# Either builds its preset first when needed. Exits non-zero when a check fails.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
umask 022
log() { echo "packages: $*" >&2; }
fail() { log "FAILED: $*"; exit 1; }

deb() {
  bash scripts/apt-install.sh packages lintian dpkg-dev systemd >&2
  cmake --preset default >/dev/null
  cmake --build --preset default -j "$(nproc)" --target korvane korvane-console korvane_changelog >&2
  rm -rf build/packages
  (cd build && cpack -G DEB >/dev/null) || fail "cpack -G DEB"
  local package
  package=$(ls build/packages/korvane_*.deb)
  log "built $package ($(du -k "$package" | cut -f1) KB)"
  # lintian warns that it runs as root; only errors fail.
  lintian --fail-on error "$package" 2>/dev/null | sed 's/^/  lintian: /' >&2 || fail "lintian reports errors"

  local sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "./$package" >/dev/null ||
    fail "apt-get install ./$package"
  local work status=0
  work=$(mktemp -d)
  check_installed "$work" || status=1
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get purge -y -qq korvane >/dev/null || status=1
  rm -rf "$work"
  [ "$status" -eq 0 ] || fail "the installed package"
  log "the Debian package installs, runs the demo and carries valid units"
}

check_installed() {
  local work="$1"
  /usr/bin/korvane-console --version | grep -qE '^korvane-console [0-9.]+ \(commit ' || { log "--version"; return 1; }
  /usr/bin/korvane --version | grep -qE '^korvane [0-9.]+ \(commit ' || { log "korvane --version"; return 1; }
  [ -f /usr/share/korvane/schema/sqlserver.sql ] && [ -f /usr/share/doc/korvane/windows.md ] ||
    { log "schemas or docs missing"; return 1; }
  local out
  out=$(cd "$work" && /usr/bin/korvane-console demo "$work/demo" --computers 6 2>&1) || { echo "$out" >&2; log "demo"; return 1; }
  [ "$(grep -c '^6 scans:' <<<"$out")" -eq 3 ] || { echo "$out" >&2; log "the demo's three days of scans"; return 1; }

  local units=(/lib/systemd/system/korvane-scan.service /lib/systemd/system/korvane-scan.timer)
  out=$(systemd-analyze verify "${units[@]}" 2>&1) && [ -z "$out" ] ||
    { echo "$out" >&2; log "systemd-analyze verify"; return 1; }
  # The service's own commands, with its settings file, once: a lab stands in for the
  # network and a list of ours for /etc/korvane/targets.
  /usr/bin/korvane-console lab-create "$work/lab" --computers 3 >/dev/null
  ls "$work/lab" | sed -n 's/\.json$//p' >"$work/targets"
  (
    set -a
    # shellcheck disable=SC1091
    . /etc/korvane/scan.conf
    set +a
    KORVANE_INVENTORY="$work/inventory"
    KORVANE_SCAN_OPTIONS="$KORVANE_SCAN_OPTIONS --lab $work/lab"
    sed -n 's/^ExecStart\(Pre\)\?=//p' /lib/systemd/system/korvane-scan.service | grep '^/usr/bin/korvane-console' |
      sed "s|@/etc/korvane/targets|@$work/targets|" >"$work/commands"
    while read -r command; do
      eval "$command" >"$work/run.txt" 2>&1 || { cat "$work/run.txt" >&2; exit 1; }
    done <"$work/commands"
    grep -q '^3 scans:' "$work/run.txt"
  ) || { log "the service's commands"; return 1; }
}

zip() {
  bash scripts/apt-install.sh packages unzip >&2
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw --target korvane korvane-console >&2
  rm -rf build-mingw/packages
  (cd build-mingw && cpack -G ZIP >/dev/null) || fail "cpack -G ZIP"
  local package dir
  package=$(ls build-mingw/packages/korvane-*-win64.zip)
  dir=$(mktemp -d /tmp/korvane-release-XXXXXX)
  unzip -q "$package" -d "$dir"
  local root
  root=$(ls -d "$dir"/korvane-*-win64)
  local exe size
  for exe in korvane.exe korvane-console.exe; do
    [ -f "$root/$exe" ] || fail "$exe missing from $package"
    size=$(stat -c %s "$root/$exe")
    [ "$size" -le $((5 * 1024 * 1024)) ] || fail "$exe is $size bytes, more than 5 MB"
    if x86_64-w64-mingw32-objdump -h "$root/$exe" | grep -q '\.debug_'; then fail "$exe is not stripped"; fi
    log "$exe: $((size / 1024)) KB, stripped"
  done
  for file in README.txt docs/windows.md docs/console.md schema/sqlserver.sql; do
    [ -f "$root/$file" ] || fail "$file missing from $package"
  done
  log "built $package"
  echo "$root"
}

case "${1:-}" in
  deb) deb ;;
  zip) zip ;;
  *) echo "usage: scripts/packages.sh deb|zip" >&2; exit 2 ;;
esac
