#!/usr/bin/env bash
# The loader's main job, shown without the game: builds vxmod, runs the
# example mod scripts against the example database in a scratch folder, then
# prints the loader's log and what the run changed in the database.
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"

scripts/setup.sh
cmake --preset linux-i386 >/dev/null
cmake --build --preset linux-i386 --target vxmod
vxmod="$repo/build/linux-i386/tools/vxmod/vxmod"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r examples/AttribMods "$work/"
cd "$work"

# The untouched database, dumped by a run over a folder that does not exist.
"$vxmod" run --db "$repo/examples/database.json" --dump before.json no-scripts >/dev/null

echo "== vxmod run --db examples/database.json --dump after.json"
status=0
"$vxmod" run --db "$repo/examples/database.json" --dump after.json || status=$?
if [ "$status" -gt 1 ]; then
  echo "vxmod could not run (exit status $status)" >&2
  exit "$status"
fi

echo
echo "== VexaAttribLoader.Tormelin.log"
cat VexaAttribLoader.Tormelin.log

echo
echo "== what changed in the database"
diff -u --label "before the run" --label "after the run" before.json after.json || true

echo
if [ "$status" -eq 1 ]; then
  echo "vxmod exited with 1: some lines failed (AttribMods/mistakes.vxmod fails on purpose)."
else
  echo "vxmod exited with 0: every line succeeded."
fi
