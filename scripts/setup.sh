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
  nlohmann-json3-dev python3 zlib1g-dev
  libsqlite3-dev sqlite3
  unixodbc unixodbc-dev odbcinst odbc-postgresql libsqliteodbc
  postgresql
  faketime iproute2 procps
  samba samba-dev libsmbclient-dev smbclient
)

bash scripts/apt-install.sh setup "${packages[@]}"

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
