#!/usr/bin/env bash
# A throw-away Samba server to scan: smbd inside new network, mount and PID namespaces,
# listening only on that namespace's loopback, with all its state in a temporary folder.
# It runs COMMAND inside the same namespaces once the server answers; when the command
# ends, the namespace's first process ends and takes smbd and everything else with it.
#   tests/samba/target.sh COMMAND [ARG...]
# Exit status: the command's; 77 (skipped) with the reason on standard error where the
# target cannot run (not root, no namespaces, no smbd).
#
# Inside, the command finds:
#   KORVANE_TARGET_IP=127.0.0.1, KORVANE_TARGET_NAME=korvtarget (in /etc/hosts, with
#     korvtarget01 to korvtarget32 for as many computers at once)
#   TMPDIR: a folder for the command's own files, gone with the namespace
#   KORVANE_TARGET_DIR: the server's folder; $KORVANE_TARGET_DIR/admin.auth and
#     user.auth (smbclient authentication files of the administrator and of a plain
#     user), $KORVANE_TARGET_DIR/c and e: the folders behind \\target\C$ and e$ (file
#     systems of 64 and 32 MB; there is no d$)
#   KORVANE_TARGET_STOP: a command that stops smbd
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

if [ "${KORVANE_TARGET_INSIDE:-}" != 1 ]; then
  if [ "$(id -u)" -ne 0 ]; then echo "samba target: needs root for its namespaces" >&2; exit 77; fi
  for tool in smbd smbpasswd net unshare ip; do
    command -v "$tool" >/dev/null || { echo "samba target: $tool is not installed" >&2; exit 77; }
  done
  if ! unshare --net --mount --pid --fork true 2>/dev/null; then
    echo "samba target: cannot create network, mount and PID namespaces here" >&2; exit 77
  fi
  # An empty folder on the host; inside the namespace a file system of its own is mounted
  # on it, which goes with the namespace, whatever happens.
  base="$(mktemp -d "${TMPDIR:-/tmp}/korvane-samba.XXXXXX")"
  KORVANE_TARGET_INSIDE=1 KORVANE_TARGET_BASE="$base" \
    unshare --net --mount --pid --fork --mount-proc --propagation private -- "$0" "$@"
  status=$?
  rmdir "$base" 2>/dev/null
  exit "$status"
fi

ip link set lo up
mount -t tmpfs -o size=64m tmpfs "$KORVANE_TARGET_BASE"
mkdir "$KORVANE_TARGET_BASE/tmp"
export TMPDIR="$KORVANE_TARGET_BASE/tmp"
dir="$(mktemp -d "$TMPDIR/target.XXXXXX")"
# The server's helpers work as the connected user and must reach their databases.
chmod 755 "$dir"
mkdir -p "$dir"/{c,etc,lib,run,cache,log,private}
mount -t tmpfs -o size=64m tmpfs "$dir/c"
mkdir -p "$dir/e"
mount -t tmpfs -o size=32m tmpfs "$dir/e"
echo "seeded file" >"$dir/c/readme.txt"
export KORVANE_TARGET_DIR="$dir" KORVANE_TARGET_IP=127.0.0.1 KORVANE_TARGET_NAME=korvtarget

# Accounts of this namespace only: the files are bound over the system's inside it.
cp /etc/passwd /etc/group "$dir/etc/"
cat >>"$dir/etc/group" <<'G'
korvadmins:x:4100:
korvusers:x:4101:
G
cat >>"$dir/etc/passwd" <<'P'
korvadmin:x:4100:4100:Korvane scanner:/nonexistent:/usr/sbin/nologin
korvuser:x:4101:4101:Plain user:/nonexistent:/usr/sbin/nologin
P
{
  printf '127.0.0.1 localhost %s\n127.0.0.1 korvtarget\n' "$(cat /proc/sys/kernel/hostname)"
  for i in $(seq -w 1 32); do printf '127.0.0.1 korvtarget%s\n' "$i"; done
} >"$dir/etc/hosts"
for f in passwd group hosts; do mount --bind "$dir/etc/$f" "/etc/$f"; done
mkdir -p /etc/samba /var/lib/samba /run/samba /var/cache/samba /var/log/samba
mount --bind "$dir/lib" /var/lib/samba
mount --bind "$dir/run" /run/samba
mount --bind "$dir/cache" /var/cache/samba
mount --bind "$dir/log" /var/log/samba

cat >"$dir/etc/smb.conf" <<C
[global]
  netbios name = KORVTARGET
  workgroup = KORVLAB
  server role = standalone server
  interfaces = lo
  bind interfaces only = yes
  smb ports = 445 139
  private dir = $dir/private
  lock directory = $dir/lib
  state directory = $dir/lib
  cache directory = $dir/cache
  pid directory = $dir/run
  log file = $dir/log/smbd.log
  log level = ${KORVANE_TARGET_LOG_LEVEL:-1}
  passdb backend = tdbsam:$dir/private/passdb.tdb
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes
  server min protocol = NT1
  client min protocol = NT1
  ntlm auth = ntlmv2-only

[C\$]
  path = $dir/c
  read only = yes

[e\$]
  path = $dir/e
  read only = yes
C
# The server, its tools and the scanner's client libraries all read this one.
[ -e /etc/samba/smb.conf ] || { echo "samba target: /etc/samba/smb.conf is missing" >&2; exit 77; }
mount --bind "$dir/etc/smb.conf" /etc/samba/smb.conf

printf 'Adm1n-pass\nAdm1n-pass\n' | smbpasswd -s -a korvadmin >/dev/null 2>&1
printf 'Us3r-pass\nUs3r-pass\n' | smbpasswd -s -a korvuser >/dev/null 2>&1
# The administrator's Unix group stands for BUILTIN\Administrators.
net groupmap add sid=S-1-5-32-544 unixgroup=korvadmins type=builtin \
  ntgroup=Administrators >/dev/null
umask 077
printf 'username = korvadmin\npassword = Adm1n-pass\ndomain = KORVTARGET\n' >"$dir/admin.auth"
printf 'username = korvuser\npassword = Us3r-pass\ndomain = KORVTARGET\n' >"$dir/user.auth"
printf 'username = korvadmin\npassword = wrong-pass\ndomain = KORVTARGET\n' >"$dir/wrong.auth"
umask 022

bash "$here/seed-registry.sh"

setsid smbd --foreground --no-process-group --debug-stdout </dev/null >"$dir/log/smbd.out" 2>&1 &
smbd_pid=$!
echo "$smbd_pid" >"$dir/run/smbd.pid"
export KORVANE_TARGET_STOP="kill $smbd_pid; while kill -0 $smbd_pid 2>/dev/null; do sleep 0.1; done"
for _ in $(seq 100); do
  if (exec 3<>/dev/tcp/127.0.0.1/445) 2>/dev/null; then break; fi
  sleep 0.1
done
if ! (exec 3<>/dev/tcp/127.0.0.1/445) 2>/dev/null; then
  echo "samba target: smbd did not start" >&2; cat "$dir/log/smbd.out" >&2; exit 1
fi

set +e
"$@"
status=$?
kill "$smbd_pid" 2>/dev/null
exit "$status"
