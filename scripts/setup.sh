#!/usr/bin/env bash
# Installs the packages the project builds and tests with (Debian, by name), then
# configures and builds the given CMake preset (default: "default").
#   scripts/setup.sh [PRESET]
set -euo pipefail
cd "$(dirname "$0")/.."

preset="${1:-default}"

packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev zlib1g-dev python3
  libsqlite3-dev sqlite3
  unixodbc unixodbc-dev odbcinst odbc-postgresql libsqliteodbc
  postgresql
  faketime iproute2 procps
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
