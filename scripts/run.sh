#!/usr/bin/env bash
# The loader's main job: the plug-in DLL as it ships, at work inside the
# stand-in game, under Wine. Builds the release zip and the game, unpacks the
# zip into a scratch game folder as a modder would, adds the example mod
# scripts, runs the game, then prints what the plug-in did to the game's code,
# the loader's log and what the scripts changed in the database.
#
#   scripts/run.sh           the zip's plug-in in the stand-in game (Windows build, Wine)
#   scripts/run.sh --vxmod   the quick native path: the same scripts through vxmod
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"

scripts/setup.sh

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if [ "${1:-}" = "--vxmod" ]; then
  cmake --preset linux-i386 >/dev/null
  cmake --build --preset linux-i386 --target vxmod
  vxmod="$repo/build/linux-i386/tools/vxmod/vxmod"
  cp -r examples/AttribMods examples/database.json "$work/"
  cd "$work"
  # The untouched database, dumped by a run over an empty folder.
  mkdir no-scripts
  "$vxmod" run --db database.json --dump before.json no-scripts >/dev/null
  echo "== vxmod run --db database.json --dump after.json"
  status=0
  "$vxmod" run --db database.json --dump after.json || status=$?
  program=vxmod
  log=vxmod.log
else
  export WINEDEBUG=-all
  export WINEPREFIX="$repo/build/wineprefix"
  cmake --preset windows-i686 >/dev/null
  # What the zip holds and the game; CPack then packs them without building
  # the rest of the tree first, as the package target would.
  cmake --build --preset windows-i686 --target vexa_plugin vxmod vexa_vscode_extension sandbox-game
  (cd build/windows-i686 && cpack --config CPackConfig.cmake -B "$work/release" >/dev/null)
  zip="$(echo "$work"/release/VexaAttribLoader-*-win32.zip)"
  echo "== $(basename "$zip")"
  cmake -E tar tvf "$zip"
  echo
  game="$repo/build/windows-i686/tools/sandbox-game/sandbox-game.exe"
  # The game's folder, fresh: the zip unpacked into it, a modder's scripts
  # added beside its example script.
  mkdir "$work/game"
  cd "$work/game"
  cmake -E tar xf "$zip"
  cp -r "$repo/examples/AttribMods/." AttribMods/
  # Started from its folder, as the game's .exe is.
  ln -s "$game" sandbox-game.exe
  database=VexaAttribLoader/database.json
  # The untouched database: the game with the plug-in loaded but no frame played.
  wine sandbox-game.exe --db "$database" --passes 0 --dump before.json >/dev/null 2>&1
  echo "== sandbox-game --db $database --dump after.json"
  echo "   (the stand-in game loads the zip's plug-in, then plays one frame through the patched call)"
  status=0
  wine sandbox-game.exe --db "$database" --dump after.json || status=$?
  program=sandbox-game
  log=VexaAttribLoader.Tormelin.log
fi

if [ "$status" -gt 1 ]; then
  echo "$program could not run (exit status $status)" >&2
  exit "$status"
fi

echo
echo "== $log"
cat "$log"

echo
echo "== what changed in the database"
diff -u --label "before the run" --label "after the run" before.json after.json || true

echo
if [ "$status" -eq 1 ]; then
  echo "$program exited with 1: some lines failed (AttribMods/mistakes.vxmod fails on purpose)."
else
  echo "$program exited with 0: every line succeeded."
fi
