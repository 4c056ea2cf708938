#!/usr/bin/env bash
# The Linux scanner uses only the public face of Samba's client libraries: every symbol
# it takes from them carries a public version tag (none tagged with Samba's own release,
# as its private libraries' are), every library it links directly is a public one, and
# only samba_glue.c includes their headers.
#   tests/samba/public_imports.sh KORVANE_EXECUTABLE SOURCE_DIR
set -uo pipefail
exe="$1"
src="$2"
failures=0
checks=6  # private tags, three public tags seen, direct libraries, header includes
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

command -v objdump >/dev/null || { echo "public imports: objdump is not installed" >&2; exit 77; }
# Read whole before matching: a grep that stops early would break the pipe.
headers="$(objdump -p "$exe")"
if ! grep -q 'NEEDED *libdcerpc' <<<"$headers"; then
  echo "public imports: $exe is built without Samba's client libraries" >&2; exit 77
fi

tags="$(objdump -T "$exe" | grep -o '([A-Za-z0-9_.+-]*)' | tr -d '()' | sort -u)"
for tag in $tags; do
  case "$tag" in
    *PRIVATE* | SAMBA_[0-9]*) fail "symbol version $tag is private to one Samba release" ;;
  esac
done
for wanted in DCERPC_BINDING_0.0.1 NDR_STANDARD_0.0.1 SMBCLIENT_0.1.0; do
  grep -qx "$wanted" <<<"$tags" || fail "no symbol tagged $wanted: the check looks at the wrong binary"
done

for lib in $(awk '/NEEDED/ {print $2}' <<<"$headers"); do
  path="$(ldconfig -p | awk -v l="$lib" '$1 == l {print $NF; exit}')"
  case "$path" in */samba/*) fail "links $lib directly from Samba's private folder ($path)" ;; esac
done

includers="$(grep -rlE --include='*.c' --include='*.cpp' --include='*.h' \
  --exclude-dir='build*' --exclude-dir=.git \
  '#include <(talloc|tevent|dcerpc|credentials|libsmbclient|param|ndr)\.h>' "$src" 2>/dev/null |
  sed "s#^$src/##" | sort)"
[ "$includers" = "platform/smb/samba_glue.c" ] ||
  fail "Samba's headers are included by: $(tr '\n' ' ' <<<"$includers")"

passed=$((checks - failures))
echo "public imports: $((passed < 0 ? 0 : passed)) passed, $failures failed"
[ "$failures" -eq 0 ]
