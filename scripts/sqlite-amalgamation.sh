#!/usr/bin/env bash
# Prepares the SQLite amalgamation (sqlite3.c and sqlite3.h) that the Windows build
# compiles into korvane.exe and korvane-console.exe, from Debian's own source package of
# SQLite, so that the Windows executables hold the same SQLite as the Linux ones.
#
#   scripts/sqlite-amalgamation.sh DIR      (writes DIR/sqlite3.c, DIR/sqlite3.h, DIR/VERSION)
#
# Fetches the source package with `apt-get source`; when the machine has no source entry
# for Debian's archive, one is added next to the existing entries (nothing is removed or
# changed). Debian's package is SQLite's full source tree, so the amalgamation is
# generated from it (configure, then `make sqlite3.c`, which needs tclsh and the host's C
# compiler). Safe to run again: an existing amalgamation in DIR is kept.
set -euo pipefail

log() { echo "sqlite-amalgamation: $*" >&2; }
out="${1:?usage: sqlite-amalgamation.sh DIR}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
if [ -s "$out/sqlite3.c" ] && [ -s "$out/sqlite3.h" ]; then
  echo "$out"
  exit 0
fi

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

needed=(dpkg-dev tcl gcc make)
missing=()
for package in "${needed[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done

# A source entry for every binary entry of Debian's archive that lacks one, in a file of
# our own.
source_list=/etc/apt/sources.list.d/korvane-deb-src.sources
list_file=/etc/apt/sources.list.d/korvane-deb-src.list
added_sources=no
if ! apt-cache showsrc sqlite3 2>/dev/null | grep -q '^Package: sqlite3'; then
  entries=""
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] && [ "$file" != "$source_list" ] || continue
    # deb822 stanzas: copy each "Types: deb" stanza of a Debian archive as "Types: deb-src".
    entries+=$(awk 'BEGIN { RS = ""; ORS = "\n\n" }
      /(^|\n)Types:[^\n]*deb([ \t\n]|$)/ && /debian/ && !/(^|\n)Types:[^\n]*deb-src/ {
        sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$file")
    entries+=$'\n'
  done
  # One-line entries ("deb URI SUITE COMPONENTS") become "deb-src" lines.
  lines=""
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] && [ "$file" != "$list_file" ] || continue
    lines+=$(sed -n 's/^[[:space:]]*deb\([[:space:]].*debian.*\)$/deb-src\1/p' "$file")$'\n'
  done
  if [ -z "$(tr -d '[:space:]' <<<"$entries$lines")" ]; then
    log "no Debian archive entry found in /etc/apt to add a source entry for"
    exit 1
  fi
  log "adding source entries for Debian's archive in /etc/apt/sources.list.d/korvane-deb-src.*"
  [ -z "$(tr -d '[:space:]' <<<"$entries")" ] || printf '%s\n' "$entries" | as_root tee "$source_list" >/dev/null
  [ -z "$lines" ] || printf '%s\n' "$lines" | as_root tee "$list_file" >/dev/null
  added_sources=yes
fi

if [ "${#missing[@]}" -gt 0 ] || [ "$added_sources" = yes ]; then
  log "updating the package lists${missing[*]:+ and installing ${missing[*]}}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq >&2
  if [ "${#missing[@]}" -gt 0 ]; then
    as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
  fi
fi

work="$out/source"
rm -rf "$work"
mkdir -p "$work"
log "fetching Debian's source package sqlite3"
(cd "$work" && apt-get source -qq sqlite3 >&2 2>"$work/apt-source.log") ||
  { cat "$work/apt-source.log" >&2; log "apt-get source sqlite3 failed"; exit 1; }
tree=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
version=$(cd "$tree" && dpkg-parsechangelog -S Version)

if [ -s "$tree/sqlite3.c" ] && [ -s "$tree/sqlite3.h" ]; then
  log "the source package ships an amalgamation"
else
  log "generating the amalgamation of $version"
  mkdir -p "$work/build"
  (cd "$work/build" && "$tree/configure" --disable-tcl >"$work/configure.log" 2>&1 &&
    make -j2 sqlite3.c >"$work/make.log" 2>&1) ||
    { tail -n 40 "$work/configure.log" "$work/make.log" >&2 2>/dev/null; log "generating sqlite3.c failed"; exit 1; }
  tree="$work/build"
fi
cp "$tree/sqlite3.c" "$tree/sqlite3.h" "$out/"
echo "Debian source package sqlite3 $version" >"$out/VERSION"
rm -rf "$work"
log "amalgamation of SQLite $(sed -n 's/^#define SQLITE_VERSION[[:space:]]*"\(.*\)"/\1/p' "$out/sqlite3.h") in $out"
echo "$out"
