#!/usr/bin/env bash
# The registry of the Samba target: the uninstall entries a scan must find, one with a
# value longer than one RPC fragment.
#   tests/samba/seed-registry.sh      (inside the target's namespaces)
set -euo pipefail
base='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
reg() { net registry "$@" >/dev/null; }
product() {  # KEY NAME VERSION LOCATION
  reg createkey "$base\\$1"
  reg setvalue "$base\\$1" DisplayName sz "$2"
  [ -n "$3" ] && reg setvalue "$base\\$1" DisplayVersion sz "$3"
  [ -n "$4" ] && reg setvalue "$base\\$1" InstallLocation sz "$4"
  reg setvalue "$base\\$1" UninstallString sz "C:\\Uninstall\\$1.exe"
}
reg createkey "$base"
product Archiver "Korvane Test Archiver" "2.1.0" 'C:\Program Files\Archiver'
product Editor "Text Editor Grün" "10.4" 'C:\Program Files\Editor'
product NoVersion "Plain Tool" "" ""
# 30,000 characters: 60 KB of UTF-16, several fragments of a reply.
long="$(printf 'L%.0s' $(seq 30000))"
product LongPath "Long Location Product" "1.0" "C:\\$long"
# No uninstall command: left out by the scan.
reg createkey "$base\\Orphan"
reg setvalue "$base\\Orphan" DisplayName sz "Orphan Entry"
