#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: the optimised build against SQLite
# and a real PostgreSQL server (through ODBC), the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, a bounded run of the fuzz targets, the release packages
# (scripts/packages.sh), and the Windows build under Wine.
set -uo pipefail
cd "$(dirname "$0")/.."

fail=0
step() { echo; echo "==== $* ===="; }

step "set up and build (default preset)"
bash scripts/setup.sh default || exit 1

step "a browser for the report tests"
bash scripts/browser-setup.sh || fail=1
export KORVANE_REQUIRE_CHROMIUM=1

step "start PostgreSQL for the database tests"
if pg_dsn=$(bash scripts/postgres-setup.sh 2>/tmp/korvane-pg-setup.log | tail -n 1) && [ -n "$pg_dsn" ]; then
  export KORVANE_TEST_PG_DSN="$pg_dsn"
  echo "PostgreSQL data source: $KORVANE_TEST_PG_DSN"
else
  echo "PostgreSQL could not be started:"; cat /tmp/korvane-pg-setup.log
  fail=1
fi

step "start a second PostgreSQL (max_connections 150) for the tests of many scanners at once"
if scale_dsn=$(KORVANE_PG_DSN_NAME=KorvanePGScale KORVANE_PG_MAX_CONNECTIONS=150 \
    bash scripts/postgres-setup.sh /tmp/korvane-pg-scale 2>/tmp/korvane-pg-scale-setup.log | tail -n 1) &&
    [ -n "$scale_dsn" ]; then
  export KORVANE_TEST_PG_SCALE_DSN="$scale_dsn"
  echo "PostgreSQL data source for the scale tests: $KORVANE_TEST_PG_SCALE_DSN"
else
  echo "The scale PostgreSQL could not be started:"; cat /tmp/korvane-pg-scale-setup.log
  fail=1
fi

step "tests (default preset)"
ctest --preset default || fail=1

step "the Debian release package: lintian, installed, the demo and the scheduled scan's units"
bash scripts/packages.sh deb || fail=1

step "build and test under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset sanitize >/dev/null && cmake --build --preset sanitize -j "$(nproc)" || fail=1
ctest --preset sanitize || fail=1

step "fuzz the parsers of outside input (libFuzzer, bounded time)"
bash scripts/fuzz.sh || fail=1

if [ -f scripts/wine-tests.sh ]; then
  step "Windows build under Wine"
  bash scripts/wine-tests.sh || fail=1
fi

if [ -f scripts/postgres-stop.sh ]; then
  bash scripts/postgres-stop.sh >/dev/null 2>&1 || true
  KORVANE_PG_DSN_NAME=KorvanePGScale bash scripts/postgres-stop.sh /tmp/korvane-pg-scale >/dev/null 2>&1 || true
fi

echo
if [ "$fail" -ne 0 ]; then echo "SOME TESTS FAILED"; exit 1; fi
echo "ALL TESTS PASSED"
