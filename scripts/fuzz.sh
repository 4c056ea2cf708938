#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang, AddressSanitizer, UBSan) and runs
# each one for a bounded time on its committed seed corpus (fuzz/corpus/<name>/). New
# inputs found go to a scratch corpus, never into the repository. A crash, a sanitizer
# report or a broken property fails the run; the input is kept in build-fuzz/artifacts/
# and belongs in a regression test.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET]        (default 8)
#   scripts/fuzz.sh SECONDS NAME...             only these targets (command_line, ...)
set -uo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-8}"
shift || true

# Debian's clang with its runtime libraries (libFuzzer, the sanitizers).
bash scripts/apt-install.sh fuzz clang libclang-rt-dev || exit 1

cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz -j "$(nproc)" || exit 1

names=("$@")
if ((${#names[@]} == 0)); then
  for dir in fuzz/corpus/*/; do names+=("$(basename "$dir")"); done
fi

# The lab and target-list targets write a file per input: memory is faster than disk.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

artifacts="build-fuzz/artifacts"
scratch=$(mktemp -d /tmp/korvane-fuzz-corpus.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$artifacts"
failed=()
for name in "${names[@]}"; do
  mkdir -p "$scratch/$name"
  printf 'fuzz: %-14s ' "$name"
  if build-fuzz/bin/fuzz_"$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=8192 -print_final_stats=1 -artifact_prefix="$artifacts/$name-" \
      "$scratch/$name" "fuzz/corpus/$name" >"$artifacts/$name.log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$artifacts/$name.log")
    echo "ok, ${runs:-?} inputs in ${seconds} s"
  else
    echo "FAILED (see $artifacts/$name.log)"
    grep -E 'ERROR|property broken|SUMMARY|Test unit written' "$artifacts/$name.log" | head -n 8
    failed+=("$name")
  fi
done

if ((${#failed[@]})); then
  echo "fuzz: ${#failed[@]} target(s) failed: ${failed[*]}"
  exit 1
fi
echo "fuzz: ${#names[@]} targets passed"
