#!/usr/bin/env bash
# The whole-process benchmark. Generates mod packs in the mix large packs
# have (benchmarks/Workload.h) against a described database of a few thousand
# collections: the mix at three sizes, and at 1,000,000 lines a mixed pack
# with 3.4% failing lines spread through it and a failing pack whose lines all
# fail, in every way a line can. It runs on each, in alternation:
#   - the loader as the game runs it (benchmarks/RunPack.cpp: the library's
#     script runner against the sandbox database, the code vxmod run drives),
#   - `vxmod run` as a modder runs it (the same, plus vxmod's review of every
#     line: notes, warnings, conflicts between scripts),
#   - a bare read-and-split of the same script (benchmarks/read_split.c).
# For each pack it prints the medians, the ratio of the loader's to the
# read-and-split's and of vxmod's to the loader's, lines per second, time per
# line and peak memory per line, and what a failing line costs beside a
# succeeding one; then `vxmod run --conflicts` on a modder's 1,000,000 lines
# in ten scripts that set many of the same values differently, and what
# loading a hash list of 1,000,000 names costs.
#
#   benchmarks/whole-run.sh        (VEXA_BENCH_PAIRS=N: N rounds per size, default 5)
#
# Figures, not pass/fail: the machines are shared, so compare within one run.
set -euo pipefail
cd "$(dirname "$0")/.."

rounds="${VEXA_BENCH_PAIRS:-5}"
# A pack's name is its lines, and "-mixed" or "-failing" for the packs with
# failing lines (their share per thousand below).
packs=(100000 300000 1000000 1000000-mixed 1000000-failing)
declare -A failing_per_thousand=([plain]=0 [mixed]=34 [failing]=1000)
hash_names=1000000

scripts/setup.sh
cmake --preset linux-i386 >/dev/null
cmake --build --preset linux-i386 --target vxmod make_workload read_split run_measured run_pack \
  hash_list_load >/dev/null

bin="$PWD/build/linux-i386"
measured="$bin/benchmarks/run_measured"
work="$bin/benchmarks/whole-run"
rm -rf "$work"
mkdir -p "$work"

median() {
  sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# Column $2 of a results file ("seconds peak_kib exit cpu_seconds"), as a median.
median_of() { awk -v c="$2" '{ print $c }' "$1" | median; }

# In the workload's folder, as the game and a modder run them; their messages
# are not part of the measure.
run_loader() { (cd "$1" && "$measured" "$2" "$bin/benchmarks/run_pack" database.json >/dev/null 2>&1); }
run_vxmod() {
  (cd "$1" && "$measured" "$2" "$bin/tools/vxmod/vxmod" run --db database.json >/dev/null 2>&1)
}
run_conflicts() {
  (cd "$1" && "$measured" "$2" "$bin/tools/vxmod/vxmod" run --db database.json --conflicts \
    >/dev/null 2>&1)
}
run_split() { "$measured" "$2" "$bin/benchmarks/read_split" "$1/AttribMods/pack.vxmod" >/dev/null; }

lines_of() { echo "${1%%-*}"; }

echo "== generating workloads in $work"
"$bin/benchmarks/make_workload" "$work/empty" 0
for pack in "${packs[@]}"; do
  kind="${pack#*-}"
  [ "$kind" = "$pack" ] && kind=plain
  "$bin/benchmarks/make_workload" "$work/$pack" "$(lines_of "$pack")" \
    --failing "${failing_per_thousand[$kind]}"
done

"$bin/benchmarks/make_workload" "$work/ten-scripts" 1000000 --scripts 10

echo "== $rounds alternating rounds per pack"
for ((i = 0; i < rounds; ++i)); do
  run_loader "$work/empty" "$work/empty.loader"
  run_vxmod "$work/empty" "$work/empty.vxmod"
  for pack in "${packs[@]}"; do
    run_loader "$work/$pack" "$work/$pack.loader"
    run_split "$work/$pack" "$work/$pack.split"
    run_vxmod "$work/$pack" "$work/$pack.vxmod"
  done
  run_conflicts "$work/ten-scripts" "$work/ten-scripts.conflicts"
done

if awk '$3 > 1 { bad = 1 } END { exit !bad }' "$work"/*.loader "$work"/*.vxmod \
  "$work"/*.conflicts; then
  echo "a run did not reach its end (exit status above 1):" >&2
  tail -n +1 "$work"/*.loader "$work"/*.vxmod "$work"/*.conflicts >&2
  exit 1
fi

echo
echo "$(date -u +%F), $(nproc) cores (load $(cut -d' ' -f1-3 /proc/loadavg)), $(uname -m)," \
  "32-bit build; medians of $rounds runs"
for program in loader vxmod; do
  echo "$program with the database and an empty script: $(median_of "$work/empty.$program" 1) s" \
    "($(median_of "$work/empty.$program" 4) s processor), $(($(median_of "$work/empty.$program" 2) / 1024)) MiB peak"
done

echo
echo "the loader (as the game runs it) against the bare read-and-split:"
printf '%16s %9s %9s %7s %10s %10s %7s %10s %8s\n' pack "loader s" "split s" ratio "loader cpu" \
  "split cpu" ratio "lines/s" "ns/line"
for pack in "${packs[@]}"; do
  awk -v pack="$pack" -v n="$(lines_of "$pack")" -v run="$(median_of "$work/$pack.loader" 1)" \
    -v floor="$(median_of "$work/$pack.split" 1)" \
    -v cpu="$(median_of "$work/$pack.loader" 4)" -v floorcpu="$(median_of "$work/$pack.split" 4)" \
    -v empty="$(median_of "$work/empty.loader" 4)" 'BEGIN {
      printf "%16s %9.3f %9.3f %7.2f %10.3f %10.3f %7.2f %10.0f %8.0f\n", pack, run, floor,
        run / floor, cpu, floorcpu, cpu / floorcpu, n / run, (cpu - empty) * 1e9 / n }'
done

# A failing line beside a succeeding one: processor time per line beyond the
# run with an empty script, in the failing pack and in the mix of the same size.
echo
awk -v n=1000000 -v good="$(median_of "$work/1000000.loader" 4)" \
  -v bad="$(median_of "$work/1000000-failing.loader" 4)" \
  -v empty="$(median_of "$work/empty.loader" 4)" 'BEGIN {
    g = (good - empty) * 1e9 / n; b = (bad - empty) * 1e9 / n
    printf "a failing line costs the loader %.0f ns, a succeeding one %.0f ns: %.2f times\n",
      b, g, b / g }'

echo
echo "peak memory of the loader:"
printf '%16s %10s %10s %8s %8s\n' pack "script MB" "peak MiB" "B/line" "B/line+"
for pack in "${packs[@]}"; do
  awk -v pack="$pack" -v n="$(lines_of "$pack")" \
    -v bytes="$(stat -c %s "$work/$pack/AttribMods/pack.vxmod")" \
    -v kib="$(median_of "$work/$pack.loader" 2)" -v empty="$(median_of "$work/empty.loader" 2)" 'BEGIN {
      printf "%16s %10.1f %10.1f %8.1f %8.1f\n", pack, bytes / 1e6, kib / 1024,
        (kib * 1024 - bytes) / n, ((kib - empty) * 1024 - bytes) / n }'
done

echo
echo "vxmod run (the loader and vxmod's review of every line):"
printf '%16s %9s %7s %7s %9s %7s %10s %8s %10s %8s %8s\n' pack "vxmod s" ratio /loader \
  "vxmod cpu" /loader "lines/s" "ns/line" "peak MiB" "B/line" "B/line+"
for pack in "${packs[@]}"; do
  awk -v pack="$pack" -v n="$(lines_of "$pack")" -v run="$(median_of "$work/$pack.vxmod" 1)" \
    -v cpu="$(median_of "$work/$pack.vxmod" 4)" -v floor="$(median_of "$work/$pack.split" 1)" \
    -v loader="$(median_of "$work/$pack.loader" 1)" \
    -v loadercpu="$(median_of "$work/$pack.loader" 4)" \
    -v empty="$(median_of "$work/empty.vxmod" 4)" -v kib="$(median_of "$work/$pack.vxmod" 2)" \
    -v emptykib="$(median_of "$work/empty.vxmod" 2)" \
    -v bytes="$(stat -c %s "$work/$pack/AttribMods/pack.vxmod")" 'BEGIN {
      printf "%16s %9.3f %7.2f %7.2f %9.3f %7.2f %10.0f %8.0f %10.1f %8.1f %8.1f\n", pack, run,
        run / floor, run / loader, cpu, cpu / loadercpu, n / run, (cpu - empty) * 1e9 / n,
        kib / 1024, (kib * 1024 - bytes) / n, ((kib - emptykib) * 1024 - bytes) / n }'
done
cat <<'EOF'
  ratio:   the median over the read-and-split's median on the same script, in wall-clock
           time and (for the loader) in processor time (user and system; less disturbed by
           other work)
  /loader: vxmod's median over the loader's median on the same pack, in wall-clock and in
           processor time: what vxmod's review adds to the loader's own run
  ns/line: processor time beyond the run with an empty script, per line
  B/line:  peak memory less the script's size, per line
  B/line+: the same, less also the peak of the run with an empty script
EOF

echo
# The values set differently, as the list names them: one line each.
conflicts="$(cd "$work/ten-scripts" && "$bin/tools/vxmod/vxmod" run --db database.json --conflicts \
  2>/dev/null | grep -c "^  '" || true)"
awk -v run="$(median_of "$work/ten-scripts.conflicts" 1)" \
  -v cpu="$(median_of "$work/ten-scripts.conflicts" 4)" \
  -v kib="$(median_of "$work/ten-scripts.conflicts" 2)" -v conflicts="$conflicts" 'BEGIN {
    printf "vxmod run --conflicts on ten scripts of 100,000 lines that set %d values differently:\n", conflicts
    printf "  %.3f s (%.3f s processor), %.1f MiB peak\n", run, cpu, kib / 1024 }'

echo
echo "== a hash list of $hash_names names"
"$bin/benchmarks/make_workload" "$work/list" 0 --hash-names "$hash_names"
list_bytes="$(stat -c %s "$work/list/Qzr/VLTHashes.txt")"
(cd "$work/list" && mv Qzr Qzr.off)
for ((i = 0; i < rounds; ++i)); do
  (cd "$work/list" && mv Qzr.off Qzr)
  (cd "$work/list" && "$measured" "$work/list.with" "$bin/benchmarks/hash_list_load" >/dev/null)
  (cd "$work/list" && mv Qzr Qzr.off)
  (cd "$work/list" && "$measured" "$work/list.without" "$bin/benchmarks/hash_list_load" >/dev/null)
done
awk -v with_s="$(median_of "$work/list.with" 1)" -v without_s="$(median_of "$work/list.without" 1)" \
  -v with_kib="$(median_of "$work/list.with" 2)" -v without_kib="$(median_of "$work/list.without" 2)" \
  -v bytes="$list_bytes" -v names="$hash_names" 'BEGIN {
    printf "%d names, %.1f MB file: loaded in %.3f s, held in %.1f MiB (%.1f bytes a name)\n",
      names, bytes / 1e6, with_s - without_s, (with_kib - without_kib) / 1024,
      (with_kib - without_kib) * 1024 / names }'
echo "  (the library with a host hash that keeps no names, as in the game; a process without the list subtracted)"
