#!/usr/bin/env bash
# Installs Debian's Chromium (by package name) and a font, which the report tests use to
# open the generated pages headless and to take screenshots of them.
set -euo pipefail
packages=(chromium fonts-dejavu-core)
bash "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/apt-install.sh" browser-setup "${packages[@]}"
command -v chromium >/dev/null
