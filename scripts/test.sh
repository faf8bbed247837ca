#!/usr/bin/env bash
# Every test, from a fresh machine: installs what is missing, then
#   1. the native 32-bit build and its test suite,
#   2. the same suite under AddressSanitizer and UBSan,
#   3. the Windows build, its tests and the plug-in in the stand-in game run
#      under Wine,
#   4. a short libFuzzer run over the script and description parsers.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

export WINEDEBUG=-all
export WINEPREFIX="$PWD/build/wineprefix"
fuzz_seconds="${VEXA_FUZZ_SECONDS:-30}"

build() {
  local preset="$1"
  shift
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" "$@"
}

build linux-i386
ctest --preset linux-i386

build linux-i386-asan
ctest --preset linux-i386-asan

# The plug-in in the stand-in game is compared with the native vxmod built above.
cmake --preset windows-i686 -DVEXA_NATIVE_VXMOD="$PWD/build/linux-i386/tools/vxmod/vxmod" >/dev/null
build windows-i686
ctest --preset windows-i686

build linux-i386-fuzz --target script_fuzzer description_fuzzer
corpus="$(mktemp -d)"
trap 'rm -rf "$corpus"' EXIT
mkdir -p "$corpus/scripts" "$corpus/descriptions"
find examples/AttribMods -type f -exec cp {} "$corpus/scripts/" \;
cp examples/database.json "$corpus/descriptions/"
# Blocks the library hands to the host are the host's: not leaks.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
artifacts="$PWD/build/fuzz-artifacts/"
mkdir -p "$artifacts"
for target in script:scripts description:descriptions; do
  name="${target%%:*}_fuzzer"
  log="$corpus/$name.log"
  echo "== $name (${fuzz_seconds}s)"
  if ! "build/linux-i386-fuzz/fuzz/$name" -max_total_time="$fuzz_seconds" \
       -artifact_prefix="$artifacts" "$corpus/${target##*:}" >"$log" 2>&1; then
    cat "$log"
    echo "$name found a failing input; it is kept in $artifacts"
    exit 1
  fi
  grep -E "^Done [0-9]+ runs" "$log" || tail -n 1 "$log"
done
echo "== all tests passed"
