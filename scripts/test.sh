#!/usr/bin/env bash
# Every test, from a fresh machine: installs what is missing, then
#   1. the native 32-bit build, its test suite and a short run of the
#      micro-benchmarks,
#   2. the same suite under AddressSanitizer and UBSan,
#   3. the Windows build, its tests and the plug-in in the stand-in game run
#      under Wine,
#   4. a short libFuzzer run of every fuzz target.
# First of all, the layout of every source file as .clang-format has it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

echo "== clang-format"
git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

export WINEDEBUG=-all
export WINEPREFIX="$PWD/build/wineprefix"
fuzz_seconds="${VEXA_FUZZ_SECONDS:-20}"

build() {
  local preset="$1"
  shift
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" "$@"
}

build linux-i386
ctest --preset linux-i386
# The micro-benchmarks must build and run; a few milliseconds each give no
# figures worth reading (benchmarks/whole-run.sh and the README have those).
echo "== micro-benchmarks (smoke run)"
build/linux-i386/benchmarks/vexa_benchmarks --benchmark_min_time=0.005
build/linux-i386/benchmarks/snapshot_benchmark --benchmark_filter=/1000 --benchmark_min_time=0.005

build linux-i386-asan
ctest --preset linux-i386-asan

# The plug-in in the stand-in game is compared with the native vxmod built above.
cmake --preset windows-i686 -DVEXA_NATIVE_VXMOD="$PWD/build/linux-i386/tools/vxmod/vxmod" >/dev/null
build windows-i686
ctest --preset windows-i686

# Each fuzz target starts from its seeds in fuzz/corpus (copied: libFuzzer adds
# the inputs it finds to the first corpus folder) with its dictionary, and
# runs for a bounded time. Its line shows the inputs it ran and the coverage
# it reached: edges of the project's own code, out of all instrumented.
fuzzers=(script value description hashlist)
build linux-i386-fuzz --target "${fuzzers[@]/%/_fuzzer}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Blocks the library hands to the host are the host's: not leaks.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
artifacts="$PWD/build/fuzz-artifacts/"
mkdir -p "$artifacts"
for target in "${fuzzers[@]}"; do
  name="${target}_fuzzer"
  corpus="$work/$target"
  mkdir -p "$corpus"
  cp -R "fuzz/corpus/$target/." "$corpus/"
  if [ "$target" = description ]; then
    cp examples/database.json fuzz/every-field.json "$corpus/"
    cp examples/snapshot/before.json "$corpus/snapshot-before.json"
  fi
  log="$work/$name.log"
  echo "== $name (${fuzz_seconds}s)"
  if ! "build/linux-i386-fuzz/fuzz/$name" -max_total_time="$fuzz_seconds" -timeout=10 \
       -dict="fuzz/dictionaries/$target.dict" -print_final_stats=1 \
       -artifact_prefix="$artifacts" "$corpus" >"$log" 2>&1; then
    cat "$log"
    echo "$name found a failing input; it is kept in $artifacts"
    exit 1
  fi
  edges="$(sed -n 's/^INFO: Loaded 1 modules *(\([0-9]*\) inline 8-bit counters).*/\1/p' "$log")"
  status="$(grep -aE '^#[0-9]+' "$log" | tail -n 1)"
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")"
  cov="$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$status")"
  ft="$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$status")"
  corp="$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$status")"
  echo "$name: $runs inputs ($rate a second), coverage $cov of $edges edges, $ft features, corpus $corp inputs"
done
echo "== all tests passed"
