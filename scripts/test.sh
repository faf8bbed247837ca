#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test: the
# native 32-bit suite, then the Windows build's tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

export WINEDEBUG=-all
export WINEPREFIX="$PWD/build/wineprefix"

for preset in linux-i386 windows-i686; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

ctest --preset linux-i386
ctest --preset windows-i686
