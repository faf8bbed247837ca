#!/usr/bin/env bash
# The plug-in inside the stand-in game under Wine, checked from outside: the
# DLL file, what it does to the game's code, every frame, the log, the boxes
# and the database; and the release zip, unpacked as a modder does. Every
# case is one start of the game (each costs a second).
#
#   PluginInGameTest.sh in-game       GAME DLL NM OBJDUMP EXAMPLES VERSION
#   PluginInGameTest.sh matches-vxmod GAME DLL NM OBJDUMP EXAMPLES VERSION NATIVE_VXMOD
#   PluginInGameTest.sh hostile       GAME DLL NM OBJDUMP EXAMPLES VERSION DATABASE
#   PluginInGameTest.sh field         GAME DLL NM OBJDUMP EXAMPLES VERSION SHARED_LIBGCC
#   PluginInGameTest.sh release-zip   GAME DLL NM OBJDUMP EXAMPLES VERSION CPACK_CONFIG CPACK
#                                     CMAKE WINDRES
#   PluginInGameTest.sh snapshot      GAME DLL NM OBJDUMP EXAMPLES VERSION DATABASE NATIVE_VXMOD
#
# matches-vxmod and snapshot exit with 77 (skipped) when no native vxmod is given.
set -uo pipefail

suite="$1" game="$(realpath "$2")" dll="$(realpath "$3")" nm="$4" objdump="$5"
examples="$(realpath "$6")" version="$7"
# The eighth: the native vxmod (matches-vxmod), the database (hostile) or
# another mod's shared libgcc (field).
extra="${8:+$(realpath "$8")}"
vxmod="$extra" database="$extra" shared_libgcc="$extra"
cpack_config="${8:-}" cpack="${9:-}" cmake="${10:-}" windres="${11:-}"
[ "$suite" = snapshot ] && vxmod="${9:+$(realpath "$9")}"
export WINEDEBUG="${WINEDEBUG:--all}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

check() {  # description, then a command that must succeed
    if "${@:2}"; then
        echo "ok   $1"
    else
        echo "FAIL $1"
        failures=$((failures + 1))
    fi
}
has_line() { grep -qxF -- "$2" "$1"; }
has_text() { grep -qF -- "$2" "$1"; }
count_lines() { grep -cE -- "$2" "$1"; }
equal() { [ "$1" = "$2" ] || { echo "     '$1' is not '$2'"; false; }; }

# A game folder holding the plug-in and a script folder.
game_folder() {
    local folder="$work/$1"
    mkdir -p "$folder/AttribMods"
    cp "$dll" "$folder/"
    echo "$folder"
}

# Starts the game in a folder: report.txt, boxes.txt (standard error), status.
# The game's .exe lies in its folder, as a link, as the plug-in expects.
play() {
    local folder="$1"
    shift
    ln -sf "$game" "$folder/sandbox-game.exe"
    (cd "$folder" && wine sandbox-game.exe "$@" >report.txt 2>boxes.txt)
    echo $? >"$folder/status"
}

# A folder as the game sees it under Wine: Z:\tmp\...
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# The log without its timestamps and line-end CRs: the game's, or with a
# second argument another (vxmod's own, vxmod.log).
log_lines() { sed -e 's/\r$//' -e 's/^\[[^]]*\] //' "$1/${2:-VexaAttribLoader.Tormelin.log}"; }
# The same after the start-up line, which names the game's folder.
lines_after_start() { log_lines "$1" | tail -n +2; }

# The log's first line when the DLL has patched the game that runs in a
# folder: it names the scripts folder and the log in full.
patched_line() {
    local in
    in="$(windows_path "$1")"
    echo "[VexaAttribLoader.Tormelin] [info] Vexa Attrib Loader $version: The game's code is patched; the mod scripts below $in\\AttribMods run each time the game has built its attribute database. This log is $in\\VexaAttribLoader.Tormelin.log."
}

# The little-endian bytes of a 32-bit number, as the report writes them.
le_bytes() { printf '%02X %02X %02X %02X' $(($1 & 255)) $((($1 >> 8) & 255)) \
    $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }

# A file that ships without its debug information, which names the file that
# holds it, with the checksum a debugger compares: the standard CRC-32 (as
# gzip's trailer has it), the last word of objdump's hex columns.
check_debug_information_beside() {
    local file="$1" debug="$2" name link_crc
    name="$(basename "$file")"
    check "$name carries no debug information" \
        equal "$("$objdump" -h "$file" | awk '$2 ~ /^\.debug/ { print $2 }' | tr '\n' ' ')" ""
    check "$name names $(basename "$debug") for a debugger" \
        grep -qxF "$(basename "$debug")" <(tr -c '[:print:]' '\n' <"$file")
    link_crc="$("$objdump" -s -j .gnu_debuglink "$file" | awk '/^ [0-9a-f]+ / {
        n = split(substr($0, length($1) + 3, 35), words, " "); last = words[n] } END { print last }')"
    check "$name names the very $(basename "$debug") of its build (same checksum)" \
        equal "$link_crc" "$(gzip -1 -c "$debug" | tail -c 8 | head -c 4 | od -An -tx1 | tr -d ' \n')"
}

test_dll_file() {
    local imports exports
    imports="$("$objdump" -p "$dll" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' |
        sort | tr '\n' ' ')"
    check "the DLL imports from Windows' own DLLs only" \
        equal "$imports" "kernel32.dll msvcrt.dll user32.dll "
    exports="$("$objdump" -p "$dll" | awk '/Number in:/ { getline; print $NF }')"
    check "the DLL exports nothing" equal "${exports:-00000000}" "00000000"
    check_debug_information_beside "$dll" "$dll.debug"
}

test_patches_and_frames() {
    local folder hook_rva image_base base target
    folder="$(game_folder patched)"
    printf 'add_node car default tuned\nadd_node truck default x\n' >"$folder/AttribMods/a.vxmod"
    play "$folder" --occupy-preferred-base --passes 2 --entry-reasons --free-library
    local report="$folder/report.txt"

    check "a failed line makes the exit status 1" equal "$(cat "$folder/status")" 1
    check "the game's call before loading" has_line "$report" "0x6660C0 before: E8 BB E6 FF FF"
    check "the six bytes before loading" has_line "$report" "0x50264A before: 0F 85 1D 01 00 00"
    check "nothing calls the game while the DLL loads" \
        has_line "$report" "database calls while loading: 0"

    # The call must reach ApplyModsHook wherever Windows put the DLL: its
    # place in the image from the DLL's symbols, its base from the report.
    image_base=$((0x$("$objdump" -p "$dll" | awk '/^ImageBase/ { print $2 }')))
    hook_rva=$((0x$("$nm" "$dll.debug" | awk '/ T ApplyModsHook$/ { print $1 }') - image_base))
    base=$(($(sed -n 's/^plug-in .* loaded at \(0x[0-9A-F]*\);.*/\1/p' "$report")))
    check "the DLL was loaded away from its preferred base" \
        has_text "$report" "which the game occupied"
    check "the DLL is not at its preferred base" test "$base" -ne "$image_base"
    target=$((base + hook_rva))
    check "the call at 0x6660C0 is E8 and the hook's address minus 0x6660C5" has_line "$report" \
        "$(printf '0x6660C0 after:  E8 %s (a call of 0x%08X, plug-in + 0x%X)' \
            "$(le_bytes $((target - 0x6660C5)))" "$target" "$hook_rva")"
    check "six no-operations at 0x50264A" has_line "$report" "0x50264A after:  90 90 90 90 90 90"

    for reason in 2 3 0; do
        check "the entry point with reason $reason changes nothing and returns TRUE" \
            has_line "$report" "entry point, reason $reason: TRUE, game code unchanged"
    done
    check "FreeLibrary leaves the pinned DLL in place" \
        has_line "$report" "after FreeLibrary: the plug-in is still mapped"
    check "every frame runs the replaced routine first with all the game's registers and stack, then the scripts, and gives the game back the routine's EAX and its own registers" \
        equal "$(count_lines "$report" '^pass [123]: the replaced routine ran first, with this-object 0x0090D000, then [1-9][0-9]* database calls; EAX EBX ESI EDI EBP ESP DF kept$')" 3
    check "no fault in the game's expectations" equal "$(count_lines "$report" '^FAULT')" 0
    check "the log's first line names the version and says the game is patched, once a game start" \
        equal "$(log_lines "$folder" | grep -n "Vexa Attrib Loader")" "1:$(patched_line "$folder")"
    check "each frame runs the script again" equal "$(log_lines "$folder" | grep -cxF \
        '[VexaAttribLoader.Tormelin] [info] [AttribMods/a.vxmod] Script loaded with errors: 1 succesful / 1 failed')" 3
    check "each frame shows one box, with the exclamation icon and one OK button" \
        equal "$(count_lines "$report" '^box [123]: flags 0x30, no owner window$')" 3
    check "the box names the script" has_text "$folder/boxes.txt" \
        "Script 'AttribMods/a.vxmod' loaded with errors!"
}

test_other_game_version() {
    local folder
    folder="$(game_folder other-version)"
    printf 'add_node car default tuned\n' >"$folder/AttribMods/a.vxmod"
    play "$folder" --unsupported-version --passes 2
    local report="$folder/report.txt"

    check "the game runs on (exit status 0)" equal "$(cat "$folder/status")" 0
    check "no call written" has_line "$report" \
        "0x6660C0 after:  E8 CB E6 FF FF (a call of 0x00664790, the game's own code)"
    check "no bytes removed" has_line "$report" "0x50264A after:  0F 85 1D 01 00 00"
    check "the game's own routine runs and no script does" equal "$(count_lines "$report" \
        '^pass [12]: the replaced routine ran first, with this-object 0x0090D000, then 0 database calls; EAX EBX ESI EDI EBP ESP DF kept$')" 2
    check "the log says why, in one line" equal "$(log_lines "$folder")" \
        "[VexaAttribLoader.Tormelin] [error] Vexa Attrib Loader $version: The game's code at 0x6660C0 is E8 CB E6 FF FF, not the call E8 BB E6 FF FF that this loader takes over: a game version it does not support, or a call already patched (by a second copy of this loader or by another mod). Nothing was patched: the game runs unmodified and no mod script runs."
}

# The log grouped by the path each line names, each script's lines in their
# own order: Windows lists a folder sorted by name, Linux in no set order.
log_by_script() {
    log_lines "$@" | sed -E 's/^(\[[^]]*\] \[[^]]*\] \[([^]]*)\].*)$/\2\t\1/' |
        LC_ALL=C sort -s -t "$(printf '\t')" -k1,1 | cut -f2-
}

# No edit between two dumps: vxmod diff writes nothing but its comments.
same_database() {
    local script
    script="$("$vxmod" diff "$1" "$2")" || { echo "$script"; return 1; }
    ! grep -v '^#' <<<"$script"
}

# Each warning box as one line, in path order; vxmod's name their own log
# where the game's name the game's.
boxes_by_script() {
    awk '/^\[Vexa Attrib Loader - Tormelin\]$/ { n = 4; box = "" }
         n > 0 { box = box $0 "|"; if (--n == 0) print box }' "$1/boxes.txt" |
        sed "s/'vxmod\.log'/'VexaAttribLoader.Tormelin.log'/" | LC_ALL=C sort
}

# The same scripts and database through native vxmod and through the DLL in
# the stand-in game: the same log, dump and warning boxes, whatever order the
# two systems list folders in. The scripts are the examples, one more below a
# folder with a non-ASCII name written with CR LF line ends, and a link that
# leads back up (walked once only).
test_matches_vxmod() {
    local native game_dir
    native="$(game_folder native)"
    game_dir="$(game_folder game)"
    for folder in "$native" "$game_dir"; do
        cp -r "$examples/AttribMods/." "$folder/AttribMods/"
        cp "$examples/database.json" "$folder/"
        mkdir -p "$folder/AttribMods/Überholt"
        printf 'add_node engine inline4 überholt\r\nupdate_field engine überholt Power 150\r\nupdate_field engine überholt Nope 1\r\n' \
            >"$folder/AttribMods/Überholt/crlf.vxmod"
        ln -s "$folder/AttribMods" "$folder/AttribMods/cars/back"
    done
    (cd "$native" && "$vxmod" run --db database.json --dump after.json >report.txt 2>boxes.txt)
    echo $? >"$native/status"
    play "$game_dir" --db database.json --dump after.json

    check "the same exit status" equal "$(cat "$game_dir/status")" "$(cat "$native/status")"
    # All but the line about the patches, which vxmod has no reason to write.
    check "vxmod leaves the game's log alone" test ! -e "$native/VexaAttribLoader.Tormelin.log"
    check "the same log lines" diff <(log_by_script "$native" vxmod.log) \
        <(log_by_script "$game_dir" | grep -vxF "$(patched_line "$game_dir")")
    check "the folder loop is walked once" has_text "$game_dir/VexaAttribLoader.Tormelin.log" \
        "[AttribMods/cars/back] Skipped: this folder was already walked"
    check "the non-ASCII folder's script ran" has_text "$game_dir/VexaAttribLoader.Tormelin.log" \
        "[AttribMods/Überholt/crlf.vxmod] Script loaded with errors: 2 succesful / 1 failed"
    # Compared through vxmod diff, which reads both dumps in one process: vxmod
    # shows a 64-bit hash that a script set by its text, the game by its digits.
    check "the same database afterwards" same_database "$native/after.json" "$game_dir/after.json"
    check "the same warning boxes" diff <(boxes_by_script "$native") <(boxes_by_script "$game_dir")
    check "a box for each script with a failed line" \
        equal "$(boxes_by_script "$game_dir" | wc -l)" 2
}

# Hostile input where Windows differs from Linux, in one start of the game:
# names that are UTF-16 there (non-ASCII, outside the Basic Multilingual
# Plane, and bytes that were no UTF-8 on the Linux side), a tree deeper than
# Windows' path limit, and a 10 MB line and a binary file read by the
# Windows C runtime. The database has a field of every type in every place.
test_hostile_inputs() {
    local folder mods log deep=AttribMods level ran refused
    folder="$(game_folder hostile)"
    mods="$folder/AttribMods"
    log="$folder/VexaAttribLoader.Tormelin.log"
    cp "$database" "$folder/database.json"
    local names=("Überholt/ß" "日本語/車" $'\xf0\x9f\x9a\x97/\xf0\x9f\x8f\x8e' $'\xff\xfe/\xc0\xaf')
    for level in "${!names[@]}"; do
        mkdir -p "$mods/$(dirname "${names[$level]}")"
        printf 'add_node car default name%s\nadd_node nope a b\n' "$level" >"$mods/${names[$level]}.vxmod"
    done
    for level in $(seq -w 0 59); do
        deep="$deep/level$level"
        mkdir -p "$folder/$deep"
        printf 'add_node car default deep%s\n' "$level" >"$folder/$deep/s.vxmod"
    done
    { printf 'update_field car default ET '; head -c 10485760 /dev/zero | tr '\0' a
      printf '\nupdate_field car default EF 2.5\n'; } >"$mods/long.vxmod"
    # The DLL's own bytes, without Ctrl-Z (which ends a text), then a good line.
    { tr -d '\032' <"$dll"; printf '\nupdate_field car default EI32 77\n'; } >"$mods/binary.vxmod"
    # The same game again with the snapshot folder, in a folder whose path is
    # as long (the deep tree meets the same limit).
    cp -a "$folder" "$work/hostil2"
    mkdir -p "$work/hostil2/$snapshot_folder"
    play "$folder" --db database.json --dump after.json
    play "$work/hostil2" --db database.json --dump after.json

    check "failed lines make the exit status 1" equal "$(cat "$folder/status")" 1
    check "nothing the game relies on was broken" equal "$(count_lines "$folder/report.txt" '^FAULT')" 0
    check "every script named in UTF-16 ran: one good line, one warning" equal "$(count_lines "$log" \
        '\[AttribMods/[^/]+/[^/]+\.vxmod\] Script loaded with errors: 1 succesful / 1 failed')" 4
    for name in "Überholt/ß" "日本語/車" $'\xf0\x9f\x9a\x97/\xf0\x9f\x8f\x8e'; do
        check "the log names AttribMods/$name.vxmod in UTF-8" has_text "$log" "[AttribMods/$name.vxmod] Script"
    done
    ran="$(count_lines "$log" 'level[0-9]+/s\.vxmod\] Script loaded: 1 succesful / 0 failed')"
    refused="$(sed -n 's/.*\/level\([0-9]*\)\(\/s\.vxmod\)\?\] Could not \(list the folder\|read the script\): its full path is [0-9]* characters long, and Windows opens no path longer than 259: .*/\1/p' "$log")"
    check "the deep tree runs down to Windows' path limit" test "$ran" -ge 20
    check "where the limit stops the walk, one warning says so" equal "$refused" "$(printf %02d "$ran")"
    check "the deep scripts that ran made their collections" equal "$(jq '[.classes.car.collections |
        keys[] | select(startswith("deep"))] | length' "$folder/after.json")" "$ran"
    check "the 10 MB text was stored whole" equal "$(jq '.classes.car.collections.default.values.ET |
        length' "$folder/after.json")" 10485760
    check "the line after it ran" has_text "$log" "[AttribMods/long.vxmod] Script loaded: 2 succesful / 0 failed"
    check "the good line after the binary bytes ran" equal "$(jq '.classes.car.collections.default.values.EI32' \
        "$folder/after.json")" 77
    check "with the snapshot folder: the same log, its two lines aside" \
        diff <(log_lines "$folder" | grep -avxF "$(patched_line "$folder")") \
        <(log_lines "$work/hostil2" | grep -avxF "$(patched_line "$work/hostil2")" | without_snapshot_lines)
    check "with the snapshot folder: the same boxes" cmp "$folder/boxes.txt" "$work/hostil2/boxes.txt"
    check "with the snapshot folder: the same database" cmp "$folder/after.json" "$work/hostil2/after.json"
    check "with the snapshot folder: both files written" \
        equal "$(log_lines "$work/hostil2" | grep -cF "$(snapshot_written)")" 2
}

# What other mods and the game's state do to the plug-in in the field. Each
# condition leaves the game running (or, for a fault in the game's own code,
# crashing as it would have without the plug-in) with a log that says what
# happened.

# Another mod built with MinGW brought the shared libgcc, before the plug-in
# or after it: a failing line (which throws inside the plug-in) must still
# fail only that line.
test_field_shared_libgcc() {
    local folder when
    for when in before after; do
        folder="$(game_folder "libgcc-$when")"
        cp "$shared_libgcc" "$folder/"
        printf 'add_node car default tuned\nadd_node truck default x\n' >"$folder/AttribMods/a.vxmod"
        play "$folder" --load-$when "$(basename "$shared_libgcc")" --passes 2
        check "libgcc loaded $when the plug-in: the game runs on (exit status 1)" \
            equal "$(cat "$folder/status")" 1
        check "libgcc loaded $when the plug-in: each pass logs the failed line and its summary" \
            equal "$(log_lines "$folder" | grep -c "Class 'truck' not found\|1 succesful / 1 failed")" 4
    done
}

# A host operation hands the plug-in a bad record for one line: the plug-in
# faults reading it. That line fails with the fault named; the lines after it,
# the next script and the next pass run.
test_field_faults_in_a_line() {
    local folder kind what
    for kind in bad-pointer guard-page; do
        folder="$(game_folder "fault-$kind")"
        cp "$examples/database.json" "$folder/"
        printf 'add_node car default tuned\nupdate_field badclass default TopSpeed 5\nupdate_field car tuned TopSpeed 300\n' \
            >"$folder/AttribMods/a.vxmod"
        printf 'add_node car coupe later\n' >"$folder/AttribMods/b.vxmod"
        play "$folder" --db database.json --fault-class "badclass=$kind" --passes 2 --dump after.json
        what="access violation reading 0x00000010"
        [ "$kind" = guard-page ] && what="guard page hit reading 0x[0-9A-F]{8}"
        check "$kind: the game runs on (exit status 1)" equal "$(cat "$folder/status")" 1
        check "$kind: the line is logged with its number and the fault's address in the plug-in, each pass" \
            equal "$(count_lines "$folder/VexaAttribLoader.Tormelin.log" "\[AttribMods/a.vxmod\] Caught error executing script line: line 2 stopped at a fault: $what at 0x[0-9A-F]{8} \(VexaAttribLoader\.Tormelin\.asi\+0x[0-9A-F]+\); the rest of the line was not done")" 2
        check "$kind: the other lines of the script ran" \
            equal "$(count_lines "$folder/VexaAttribLoader.Tormelin.log" 'a\.vxmod\] Script loaded with errors: 2 succesful / 1 failed')" 2
        check "$kind: the next script ran" \
            equal "$(count_lines "$folder/VexaAttribLoader.Tormelin.log" 'b\.vxmod\] Script loaded: 1 succesful / 0 failed')" 2
        check "$kind: the line after the fault changed the database" \
            equal "$(jq '.classes.car.collections.tuned.values.TopSpeed' "$folder/after.json")" 300
        check "$kind: nothing the game relies on was broken" equal "$(count_lines "$folder/report.txt" '^FAULT')" 0
    done

    # A fault inside the game's own code: the game's state is not to be
    # trusted, so the fault goes on to the game's crash handler, after the
    # plug-in has logged it and every script before it reached the file.
    folder="$(game_folder fault-in-game)"
    printf 'add_node car default first\n' >"$folder/AttribMods/a.vxmod"
    printf 'add_node car default tuned\nupdate_field badclass default TopSpeed 5\n' >"$folder/AttribMods/b.vxmod"
    play "$folder" --fault-class "badclass=in-game"
    check "a fault in the game's code reaches the game's crash handler (exit status 4)" \
        equal "$(cat "$folder/status")" 4
    check "the crash handler saw the game's own fault" has_text "$folder/report.txt" \
        "the game crashed: exception 0xC0000005"
    check "the scripts before it are in the log" has_text "$folder/VexaAttribLoader.Tormelin.log" \
        "[AttribMods/a.vxmod] Script loaded: 1 succesful / 0 failed"
    check "the log names the line and the fault in the game's code" \
        equal "$(count_lines "$folder/VexaAttribLoader.Tormelin.log" "\[error\] \[AttribMods/b.vxmod\] Line 2 ran into a fault in the game's own code: access violation writing 0x00000010 at 0x[0-9A-F]{8} \(sandbox-game\.exe\+0x[0-9A-F]+\)\. The game's state cannot be trusted after that, so the loader leaves the fault to the game\.")" 1
}

# A pass while the game's database word is null runs no line and says so;
# the next pass, with a database, runs the scripts.
test_field_null_database() {
    local folder
    folder="$(game_folder null-database)"
    printf 'add_node car default tuned\n' >"$folder/AttribMods/a.vxmod"
    play "$folder" --null-database-passes 1 --passes 2
    check "no database: the game runs on (exit status 0)" equal "$(cat "$folder/status")" 0
    check "no database: the pass makes no database call" has_text "$folder/report.txt" \
        "pass 1: the replaced routine ran first, with this-object 0x0090D000, then 0 database calls"
    check "no database: one line says why, then the next pass runs the script" \
        equal "$(log_lines "$folder")" "$(patched_line "$folder")
[VexaAttribLoader.Tormelin] [warning] The game's attribute database is not there (its instance word is null): this pass runs no mod script. They run the next time the game passes this point.
[VexaAttribLoader.Tormelin] [info] [AttribMods/a.vxmod] Script loaded: 1 succesful / 0 failed"
}

# A log file the plug-in cannot open (held by another program without
# sharing, or a folder of that name): the box says so, where it tried, and
# which line failed.
test_field_unwritable_log() {
    local folder how
    for how in held folder; do
        folder="$(game_folder "log-$how")"
        printf 'add_node car default tuned\nadd_node truck default x\n' >"$folder/AttribMods/a.vxmod"
        if [ "$how" = held ]; then
            play "$folder" --hold-log
        else
            mkdir "$folder/VexaAttribLoader.Tormelin.log"
            play "$folder"
        fi
        check "log $how: the game runs on (exit status 1)" equal "$(cat "$folder/status")" 1
        check "log $how: the box says the log could not be written, and where" has_line "$folder/boxes.txt" \
            "$(windows_path "$folder")\\VexaAttribLoader.Tormelin.log: Permission denied"
        check "log $how: the box names the failed line" has_line "$folder/boxes.txt" \
            "First failed line (2): AddNode.Act => Class 'truck' not found"
    done
}

# A script another program holds open without sharing (an editor that locks
# what it edits, a sync tool, a virus scan): it is not run, and the log and a
# box say which and why, never that it loaded; the other scripts run.
test_field_held_script() {
    local folder
    folder="$(game_folder held-script)"
    printf 'add_node car default a\n' >"$folder/AttribMods/a.vxmod"
    printf 'add_node car default b\n' >"$folder/AttribMods/b.vxmod"
    play "$folder" --hold AttribMods/a.vxmod
    check "held script: the game runs on, with a box (exit status 1)" equal "$(cat "$folder/status")" 1
    check "held script: the log names it and why it did not run, and says no more of it" \
        equal "$(log_lines "$folder" | grep -F "AttribMods/a.vxmod")" \
        "[VexaAttribLoader.Tormelin] [warning] [AttribMods/a.vxmod] Could not read the script: another program has it open and lets no other program read it (an editor, a sync tool or a virus scanner, say): close it there, or wait for that program, and start the game again"
    check "held script: the other script ran" has_line <(log_lines "$folder") \
        "[VexaAttribLoader.Tormelin] [info] [AttribMods/b.vxmod] Script loaded: 1 succesful / 0 failed"
    check "held script: the box says it was not run, and why" equal "$(head -n 4 "$folder/boxes.txt")" \
        "[Vexa Attrib Loader - Tormelin]
Script 'AttribMods/a.vxmod' was not run!

Could not read the script: another program has it open and lets no other program read it (an editor, a sync tool or a virus scanner, say): close it there, or wait for that program, and start the game again"
}

# Scripts saved as UTF-16 (Notepad's "Unicode", PowerShell 5's ">"), with the
# byte-order mark and without: not run, and the log and a box say to save
# them as UTF-8; a UTF-8 script beside them runs.
test_field_utf16_scripts() {
    local folder why
    folder="$(game_folder utf16)"
    { printf '\xff\xfe'; printf 'add_node car default a\r\n' | iconv -f UTF-8 -t UTF-16LE; } \
        >"$folder/AttribMods/marked.vxmod"
    printf 'add_node car default b\r\n' | iconv -f UTF-8 -t UTF-16LE >"$folder/AttribMods/unmarked.vxmod"
    printf 'add_node car default c\n' >"$folder/AttribMods/utf8.vxmod"
    play "$folder"
    why="Not run: the script is saved as UTF-16 (\"Unicode\"), and the loader reads scripts as UTF-8; save it as UTF-8 (in Notepad: File, Save as, Encoding UTF-8)"
    check "UTF-16: the game runs on, with boxes (exit status 1)" equal "$(cat "$folder/status")" 1
    for name in marked unmarked; do
        check "UTF-16 $name: the log says it did not run and how to save it, and no more of it" \
            equal "$(log_lines "$folder" | grep -F "AttribMods/$name.vxmod")" \
            "[VexaAttribLoader.Tormelin] [warning] [AttribMods/$name.vxmod] $why"
        check "UTF-16 $name: a box says so" has_line "$folder/boxes.txt" \
            "Script 'AttribMods/$name.vxmod' was not run!"
    done
    check "UTF-16: the UTF-8 script ran" has_line <(log_lines "$folder") \
        "[VexaAttribLoader.Tormelin] [info] [AttribMods/utf8.vxmod] Script loaded: 1 succesful / 0 failed"
}

# Another mod's jump where the plug-in writes its no-operations: the plug-in
# changes no byte of the game, names the bytes it found and expected, and no
# script runs. No-operations already there (an earlier load's) are its own.
test_field_code_at_removed_site() {
    local folder report
    folder="$(game_folder other-mods-jump)"
    printf 'add_node car default tuned\n' >"$folder/AttribMods/a.vxmod"
    play "$folder" --code-at-0x50264A jump
    report="$folder/report.txt"
    check "another mod's jump: the game runs on (exit status 0)" equal "$(cat "$folder/status")" 0
    check "another mod's jump: its bytes stay" has_line "$report" "0x50264A after:  E9 B1 D9 F5 FF 90"
    check "another mod's jump: the call stays the game's" has_line "$report" \
        "0x6660C0 after:  E8 BB E6 FF FF (a call of 0x00664780, the game's own code)"
    check "another mod's jump: no script runs" has_line "$report" \
        "pass 1: the replaced routine ran first, with this-object 0x0090D000, then 0 database calls; EAX EBX ESI EDI EBP ESP DF kept"
    check "another mod's jump: the log says which bytes it found and which it expected, in one line" \
        equal "$(log_lines "$folder")" \
        "[VexaAttribLoader.Tormelin] [error] Vexa Attrib Loader $version: The game's code at 0x50264A is E9 B1 D9 F5 FF 90, not 0F 85 1D 01 00 00, which this loader replaces with no-operations (or those no-operations, 90 90 90 90 90 90): code another mod has changed, or a game version it does not support. Nothing was patched: the game runs unmodified and no mod script runs."

    folder="$(game_folder earlier-nops)"
    printf 'add_node car default tuned\n' >"$folder/AttribMods/a.vxmod"
    play "$folder" --code-at-0x50264A nops
    check "no-operations already: the game is patched and the script runs" equal "$(log_lines "$folder")" \
        "$(patched_line "$folder")
[VexaAttribLoader.Tormelin] [info] [AttribMods/a.vxmod] Script loaded: 1 succesful / 0 failed"
    check "no-operations already: they stay" has_line "$folder/report.txt" "0x50264A after:  90 90 90 90 90 90"
}

# The game started from a launcher's folder: it runs there while the plug-in
# loads, and the log goes there. The log's first line names both folders in
# full. A game that stays there runs no script (there is no AttribMods):
# nothing more is logged. A game that changes to its own folder before the
# pass runs its scripts, the log says so, and the box names the log in full,
# since it is not beside the game's .exe.
test_field_launcher_folder() {
    local folder launcher switch log
    for switch in stays switches; do
        folder="$(game_folder "launched-$switch")" launcher="$work/launcher-$switch"
        mkdir -p "$launcher"
        printf 'add_node car default tuned\nadd_node truck default x\n' >"$folder/AttribMods/a.vxmod"
        if [ "$switch" = stays ]; then
            play "$folder" --run-in "../launcher-$switch"
        else
            play "$folder" --run-in "../launcher-$switch" --own-folder-before-pass
        fi
        log="$(sed -e 's/\r$//' -e 's/^\[[^]]*\] //' "$launcher/VexaAttribLoader.Tormelin.log")"
        check "launcher, game $switch: no log in the game's folder" \
            test ! -e "$folder/VexaAttribLoader.Tormelin.log"
        check "launcher, game $switch: the first line names the scripts folder and the log in full" \
            equal "$(head -n 1 <<<"$log")" "$(patched_line "$launcher")"
    done
    check "launcher, game stays: nothing more is logged, no box" \
        equal "$(wc -l <"$work/launcher-stays/VexaAttribLoader.Tormelin.log")$(cat "$work/launched-stays/status")" 10
    check "launcher, game switches: the log says where the scripts are read from now" \
        equal "$(sed -n 2p <<<"$log")" \
        "[VexaAttribLoader.Tormelin] [info] From this pass on, the mod scripts are read from $(windows_path "$folder")\\AttribMods: the game has changed its working folder since it started (this log stays $(windows_path "$launcher")\\VexaAttribLoader.Tormelin.log)."
    check "launcher, game switches: the scripts ran" has_line <(echo "$log") \
        "[VexaAttribLoader.Tormelin] [info] [AttribMods/a.vxmod] Script loaded with errors: 1 succesful / 1 failed"
    check "launcher, game switches: the box names the log in full" has_line "$folder/boxes.txt" \
        "Please check the '$(windows_path "$launcher")\\VexaAttribLoader.Tormelin.log' file for details."
}

# 120 nested folders, walked on a game thread whose stack holds 64 KB. The
# game runs on a drive of its own (a Wine drive letter for the game's
# folder), so that the deepest folder lies within Windows' path limit: 13
# characters of V:\AttribMods and 2 for each level.
test_field_deep_tree_small_stack() {
    local folder drives drive deep=AttribMods level
    folder="$(game_folder deep-small-stack)"
    drives="${WINEPREFIX:-$HOME/.wine}/dosdevices"
    for drive in p q r s t u v w x y; do
        [ -e "$drives/$drive:" ] || break
    done
    ln -s "$folder" "$drives/$drive:"
    printf 'add_node car default top\n' >"$folder/AttribMods/top.vxmod"
    for level in $(seq 1 120); do
        deep="$deep/d"
        [ "$level" = 118 ] && mkdir -p "$folder/$deep" &&
            printf 'add_node car default deep\n' >"$folder/$deep/s.vxmod"
    done
    mkdir -p "$folder/$deep"
    play "$folder" "$drive:\\AttribMods" --pass-stack 64
    rm "$drives/$drive:"
    check "deep tree, small stack: the game runs on (exit status 0)" equal "$(cat "$folder/status")" 0
    check "deep tree, small stack: the frame ran on its thread and returned" has_text "$folder/report.txt" \
        "pass 1: the replaced routine ran first"
    check "deep tree, small stack: both scripts ran, the deepest too, and nothing else was said" \
        equal "$(lines_after_start "$folder" | sed 's|AttribMods/\(d/\)*|AttribMods/.../|')" \
        "[VexaAttribLoader.Tormelin] [info] [AttribMods/.../s.vxmod] Script loaded: 1 succesful / 0 failed
[VexaAttribLoader.Tormelin] [info] [AttribMods/.../top.vxmod] Script loaded: 1 succesful / 0 failed"
}

# A second copy of the plug-in, loaded after the first has run a pass,
# changes nothing and leaves the first copy's log whole.
test_field_second_copy() {
    local folder
    folder="$(game_folder second-copy)"
    cp "$dll" "$folder/copy.asi"
    printf 'add_node car default tuned\nadd_node truck default x\n' >"$folder/AttribMods/a.vxmod"
    play "$folder" --second-copy copy.asi --passes 2
    check "two copies: the game runs on (exit status 1)" equal "$(cat "$folder/status")" 1
    check "two copies: the call still reaches the first copy" equal "$(count_lines "$folder/report.txt" \
        '^0x6660C0 after:  E8 .* \(a call of 0x[0-9A-F]{8}, plug-in \+ 0x[0-9A-F]+\)$')" 2
    check "two copies: the first copy's lines stay, the second's refusal follows them" \
        equal "$(log_lines "$folder")" "$(patched_line "$folder")
[VexaAttribLoader.Tormelin] [warning] [AttribMods/a.vxmod] Caught error executing script line: AddNode.Act => Class 'truck' not found
[VexaAttribLoader.Tormelin] [info] [AttribMods/a.vxmod] Script loaded with errors: 1 succesful / 1 failed
[VexaAttribLoader.Tormelin] [error] Vexa Attrib Loader $version: Another copy of this loader is already loaded in the game; this copy changes nothing. Install one copy only.
[VexaAttribLoader.Tormelin] [warning] [AttribMods/a.vxmod] Caught error executing script line: AddNode.Act => Class 'truck' not found
[VexaAttribLoader.Tormelin] [info] [AttribMods/a.vxmod] Script loaded with errors: 1 succesful / 1 failed"
}

# The game's two operations without a this-object, popping their own
# arguments: the examples give the same log and database as when the caller
# pops them.
test_field_callee_pops() {
    local folder popping
    for popping in caller callee; do
        folder="$(game_folder "$popping-pops")"
        cp -r "$examples/AttribMods/." "$folder/AttribMods/"
        cp "$examples/database.json" "$folder/"
        if [ "$popping" = callee ]; then
            play "$folder" --db database.json --dump after.json --callee-pops
        else
            play "$folder" --db database.json --dump after.json
        fi
    done
    check "callee pops: the same exit status" \
        equal "$(cat "$work/callee-pops/status")" "$(cat "$work/caller-pops/status")"
    check "callee pops: nothing the game relies on was broken" \
        equal "$(count_lines "$work/callee-pops/report.txt" '^FAULT')" 0
    check "callee pops: the same log" diff <(lines_after_start "$work/caller-pops") \
        <(lines_after_start "$work/callee-pops")
    check "callee pops: the same database" cmp "$work/caller-pops/after.json" "$work/callee-pops/after.json"
}

# The snapshot a modder asks for with the folder VexaAttribLoader/snapshot: on
# the first pass, the game's database as the scripts find it (before.json) and
# as they leave it (after.json), for vxmod.
snapshot_folder=VexaAttribLoader/snapshot
snapshot_written() {  # what the log says of a snapshot file written
    echo "[VexaAttribLoader.Tormelin] [info] Wrote $snapshot_folder/${1:-}"
}
without_snapshot_lines() {  # the log lines that are not the snapshot's own
    grep -avF "$snapshot_folder/"
}
pass_calls() {  # game folder, pass: the database calls the pass made
    sed -n "s/^pass $2: .*, then \([0-9]*\) database calls;.*/\1/p" "$1/report.txt"
}

# One start of the game with the snapshot switched on, then vxmod on what it
# wrote: run on before.json with the same scripts (and hash list), vxmod logs
# what the game logged and leaves the collections as after.json has them;
# and the script vxmod diff makes of the two snapshots, run on before.json,
# gives after.json.
snapshot_matches_vxmod() {  # name, database, scripts folder, hash list (or "")
    local name="$1" game_dir native replay snap
    game_dir="$(game_folder "snapshot-$name")"
    native="$work/snapshot-$name-vxmod" replay="$work/snapshot-$name-replay"
    snap="$game_dir/$snapshot_folder"
    cp -r "$3/." "$game_dir/AttribMods/"
    cp "$2" "$game_dir/database.json"
    mkdir -p "$snap" "$native" "$replay/AttribMods"
    if [ -n "$4" ]; then
        mkdir -p "$game_dir/Qzr" && cp "$4" "$game_dir/Qzr/VLTHashes.txt"
        cp -r "$game_dir/Qzr" "$native/"
    fi
    cp -r "$game_dir/AttribMods" "$native/"
    play "$game_dir" --db database.json
    (cd "$native" && "$vxmod" run --db "$snap/before.json" --dump after.json >report.txt 2>boxes.txt)
    echo $? >"$native/status"

    check "$name: the same exit status" equal "$(cat "$game_dir/status")" "$(cat "$native/status")"
    check "$name: nothing the game relies on was broken" equal "$(count_lines "$game_dir/report.txt" '^FAULT')" 0
    check "$name: vxmod on the snapshot before the pass logs what the game logged" \
        diff <(log_by_script "$native" vxmod.log) \
        <(log_by_script "$game_dir" | grep -avxF "$(patched_line "$game_dir")" | without_snapshot_lines)
    check "$name: and leaves every collection as the game's snapshot after the pass has it" \
        same_database "$native/after.json" "$snap/after.json"
    check "$name: vxmod diff writes all the two snapshots differ in as a script" \
        "$vxmod" diff -o "$replay/AttribMods/changes.vxmod" "$snap/before.json" "$snap/after.json"
    (cd "$replay" && "$vxmod" run --db "$snap/before.json" --dump after.json >/dev/null 2>&1)
    check "$name: which, run on the snapshot before the pass, gives the one after it" \
        same_database "$replay/after.json" "$snap/after.json"
}

test_snapshot_matches_vxmod() {
    local game_dir="$work/snapshot-examples" list="$work/every-field-names.txt"
    snapshot_matches_vxmod examples "$examples/database.json" "$examples/AttribMods" ""
    check "examples: the log says what was written, after the patch line and around the scripts" \
        equal "$(log_lines "$game_dir" | grep -nF "$(snapshot_written)")" \
        "2:[VexaAttribLoader.Tormelin] [info] Wrote VexaAttribLoader/snapshot/before.json: the game's database before the mod scripts ran (2 classes, 4 collections, 0 notes).
21:[VexaAttribLoader.Tormelin] [info] Wrote VexaAttribLoader/snapshot/after.json: the same collections after the mod scripts ran (2 classes, 6 collections, 0 notes)."
    check "examples: a parent no name names is written under the key a reference gives it" equal \
        "$(jq -r '.classes.engine.collections.v8.parent' "$game_dir/$snapshot_folder/before.json")" \
        "0xD02717DA"
    # The README's and the guide's examples read these; they are what the game writes.
    check "examples: examples/snapshot is what the game writes" \
        diff -r "$examples/snapshot" "$game_dir/$snapshot_folder"

    # Every field type in every place, the fuzzer's scripts, and a hash list
    # that names everything. (nodes-again.vxmod is left out: it replaces a
    # collection that has a child, and vxmod's dump names the replaced one
    # by the key it lost.)
    jq -r '(.. | strings), (.. | objects | keys[])' "$database" | sort -u >"$list"
    mkdir -p "$work/every-field-scripts"
    cp "$(dirname "$database")/corpus/script/"*.vxmod "$work/every-field-scripts/"
    rm "$work/every-field-scripts/nodes-again.vxmod"
    snapshot_matches_vxmod every-field "$database" "$work/every-field-scripts" "$list"
}

# The snapshot only reads: the same game with the folder and without logs the
# same lines (the snapshot's two aside), shows the same boxes and leaves the
# same database, pass after pass, on the examples and on the fuzzer's seeds
# against a field of every type in every place, with a hash list naming all.
test_snapshot_leaves_the_passes_alone() {
    local name on off folder list="$work/every-field-names.txt"
    jq -r '(.. | strings), (.. | objects | keys[])' "$database" | sort -u >"$list"
    for name in examples every-field; do
        on="$(game_folder "alone-$name-on")" off="$(game_folder "alone-$name-off")"
        for folder in "$on" "$off"; do
            if [ "$name" = examples ]; then
                cp -r "$examples/AttribMods/." "$folder/AttribMods/"
                cp "$examples/database.json" "$folder/database.json"
            else
                cp "$(dirname "$database")/corpus/script/"*.vxmod "$folder/AttribMods/"
                cp "$database" "$folder/database.json"
                mkdir -p "$folder/Qzr" && cp "$list" "$folder/Qzr/VLTHashes.txt"
            fi
        done
        mkdir -p "$on/$snapshot_folder"
        play "$on" --db database.json --passes 2 --dump after.json
        play "$off" --db database.json --passes 2 --dump after.json
        check "$name: both snapshot files written" \
            equal "$(log_lines "$on" | grep -cF "$(snapshot_written)")" 2
        check "$name: the same log with the snapshot folder and without" \
            diff <(log_lines "$off" | grep -avxF "$(patched_line "$off")") \
            <(log_lines "$on" | grep -avxF "$(patched_line "$on")" | without_snapshot_lines)
        check "$name: the same boxes" cmp "$off/boxes.txt" "$on/boxes.txt"
        check "$name: the same database after both passes" cmp "$off/after.json" "$on/after.json"
        check "$name: the same exit status" equal "$(cat "$off/status")" "$(cat "$on/status")"
        check "$name: the second pass makes the same calls" \
            equal "$(pass_calls "$on" 2)" "$(pass_calls "$off" 2)"
    done
}

# Without the folder the plug-in only looks for it, once: no file, no line,
# and the pass makes the database calls it always made. The first pass here
# makes 27: 21 type names and 3 script names hashed, then GetClass,
# GetCollection and GetFieldDefinition; the second, with all names known, the
# last 3. With the folder, only the first pass makes more.
test_snapshot_off() {
    local off on folder
    off="$(game_folder snapshot-off)" on="$(game_folder snapshot-on)"
    for folder in "$off" "$on"; do
        printf 'update_field car default TopSpeed 250\n' >"$folder/AttribMods/a.vxmod"
    done
    mkdir -p "$on/$snapshot_folder"
    play "$off" --passes 2
    play "$on" --passes 2
    check "off: no file is written" equal "$(find "$off" -name '*.json')" ""
    check "off: the log says nothing of it" equal "$(log_lines "$off" | grep -c "$snapshot_folder")" 0
    check "off: the first pass makes the run's own database calls and no other" \
        equal "$(pass_calls "$off" 1)" 27
    check "off: so does the second" equal "$(pass_calls "$off" 2)" 3
    check "on: the first pass makes more, to read the game's records" \
        test "$(pass_calls "$on" 1)" -gt 27
    check "on: the second pass writes nothing and makes the run's own calls" \
        equal "$(pass_calls "$on" 2)" 3
    check "on: both files are written, once" \
        equal "$(log_lines "$on" | grep -cF "$(snapshot_written)")" 2
}

# The hash list names collections no script names: they are written, with
# their parents; a class no script names is not, whatever the list names,
# unless a value leads to it (car's reference leads to engine's inline4).
test_snapshot_hash_list() {
    local folder
    folder="$(game_folder snapshot-hash-list)"
    printf 'update_field car default TopSpeed 250\n' >"$folder/AttribMods/a.vxmod"
    mkdir -p "$folder/Qzr" "$folder/$snapshot_folder"
    printf 'coupe\ninline4\n' >"$folder/Qzr/VLTHashes.txt"
    play "$folder"
    check "hash list: the collections it names in a class the scripts name are written" equal \
        "$(jq -c '.classes | map_values(.collections | keys)' "$folder/$snapshot_folder/before.json")" \
        '{"car":["coupe","default"],"0xE8A81A8D":["inline4"]}'
    check "hash list: with their parents" equal \
        "$(jq -r '.classes.car.collections.coupe.parent' "$folder/$snapshot_folder/before.json")" default
}

# A record the plug-in cannot read while it writes the snapshot (the game
# hands it a bad class), and a file it cannot write (a folder of its name):
# the snapshot says so where it could not read, the log says both, and the
# pass runs and the game goes on.
test_snapshot_faults() {
    local folder log
    folder="$(game_folder snapshot-faults)"
    log="$folder/VexaAttribLoader.Tormelin.log"
    mkdir -p "$folder/$snapshot_folder/after.json"
    printf 'update_field badclass default TopSpeed 5\nupdate_field car default TopSpeed 300\n' \
        >"$folder/AttribMods/a.vxmod"
    play "$folder" --fault-class badclass=bad-pointer --dump after.json
    check "faults: the game runs on (exit status 1: a line failed)" equal "$(cat "$folder/status")" 1
    check "faults: nothing the game relies on was broken" equal "$(count_lines "$folder/report.txt" '^FAULT')" 0
    check "faults: the snapshot says which class it could not read, and why" \
        grep -qE "^The loader could not read this class's records \(access violation reading 0x[0-9A-F]{8} at 0x[0-9A-F]{8} \(VexaAttribLoader\.Tormelin\.asi\+0x[0-9A-F]+\)\): its fields and collections are left out\.$" \
        <(jq -r '.classes.badclass.note' "$folder/$snapshot_folder/before.json")
    check "faults: and has the rest" equal \
        "$(jq '.classes.car.collections.default.values.TopSpeed' "$folder/$snapshot_folder/before.json")" 200
    check "faults: the log says what could not be read" equal "$(count_lines "$log" \
        "\[warning\] $snapshot_folder/before.json: could not read class 'badclass' \(access violation reading 0x[0-9A-F]{8} at .*\); the file says so, and has the rest\.")" 1
    check "faults: the pass ran every line" has_text "$log" \
        "[AttribMods/a.vxmod] Script loaded with errors: 1 succesful / 1 failed"
    check "faults: the line after the bad one changed the database" \
        equal "$(jq '.classes.car.collections.default.values.TopSpeed' "$folder/after.json")" 300
    check "faults: a file that cannot be written is logged, and the game goes on" has_text "$log" \
        "[warning] Could not write the snapshot $snapshot_folder/after.json: it is a folder; the game goes on without it."

    # A fault inside the game's own code while the snapshot reads: the game's,
    # logged as a line's is, then left to the game's crash handler.
    folder="$(game_folder snapshot-fault-in-game)"
    mkdir -p "$folder/$snapshot_folder"
    printf 'update_field badclass default TopSpeed 5\n' >"$folder/AttribMods/a.vxmod"
    play "$folder" --fault-class badclass=in-game
    check "fault in the game's code: it reaches the game's crash handler (exit status 4)" \
        equal "$(cat "$folder/status")" 4
    check "fault in the game's code: the log says the snapshot met it, as a line would" \
        equal "$(count_lines "$folder/VexaAttribLoader.Tormelin.log" "\[error\] The snapshot of the game's database ran into a fault in the game's own code: access violation writing 0x00000010 at 0x[0-9A-F]{8} \(sandbox-game\.exe\+0x[0-9A-F]+\)\. The game's state cannot be trusted after that, so the loader leaves the fault to the game\.")" 1
}

# The release zips, made by CPack from this build. The modders' zip holds what
# a modder unpacks into the game's folder, folders included; the developers'
# zip the debug information of its two programs.
release_layout=(
    VexaAttribLoader.Tormelin.asi vxmod.exe VexaAttribLoader-README.txt
    AttribMods/ AttribMods/example.vxmod
    VexaAttribLoader/ VexaAttribLoader/modding-guide.md VexaAttribLoader/database.json
    VexaAttribLoader/CHANGELOG.md VexaAttribLoader/LICENSE.txt VexaAttribLoader/third-party/
    VexaAttribLoader/third-party/{spdlog,fmt,CLI11,nlohmann-json,mingw-w64-runtime,gcc-runtime}.txt
    VexaAttribLoader/examples/ VexaAttribLoader/examples/database.json VexaAttribLoader/examples/AttribMods/
    VexaAttribLoader/examples/AttribMods/{basics,mistakes,!experimental}.vxmod
    VexaAttribLoader/examples/AttribMods/readme.vxmod.txt VexaAttribLoader/examples/AttribMods/cars/
    VexaAttribLoader/examples/AttribMods/cars/{new-models,rival-tune,structures}.vxmod
    VexaAttribLoader/editors/ VexaAttribLoader/editors/vxmod.vsix VexaAttribLoader/editors/vxmod.udl.xml
)
debug_layout=(VexaAttribLoader.Tormelin.asi.debug vxmod.exe.debug)

same_entries() {  # zip, then the entries it must hold
    diff <(printf '%s\n' "${@:2}" | LC_ALL=C sort) <("$cmake" -E tar tf "$1" | LC_ALL=C sort)
}

# The Notepad++ Run command the guide shows, with the Run dialog's variable and
# the guide's game folder replaced by the unpacked zip's, started from another
# folder. The Run dialog hands cmd.exe the line as it is typed; a batch file
# hands on the same line when its "&" are escaped.
check_notepadpp_run_command() {
    local folder="$1" script="$1/AttribMods/cars/new-models.vxmod" line finding
    finding="copy_node copies nothing: 'coupe' is read and not used, and 'wagon' is made a child of"
    finding+=" 'default' as add_node makes it; to start from the values of 'coupe', write add_node car coupe wagon"
    line="$(sed -n '/^```bat$/,/^```$/p' "$folder/VexaAttribLoader/modding-guide.md" | sed '1d;$d')"
    check "the guide shows one Notepad++ Run command" equal "$(wc -l <<<"$line")" 1
    line="${line//'C:\Games\Tormelin'/"$(windows_path "$folder")"}"
    line="${line//'$(FULL_CURRENT_PATH)'/"$(windows_path "$script")"}"
    printf '@%s\r\n' "${line//&/'^&'}" >"$work/run-command.cmd"
    (cd "$work" && wine cmd /c "$(windows_path "$work/run-command.cmd")" </dev/null |
        tr -d '\r' >"$work/run-command.txt")
    check "the Notepad++ Run command checks the script with the vxmod.exe of the game's folder" \
        has_line "$work/run-command.txt" "Z:$script:9: warning: $finding"
    check "the Notepad++ Run command ends with vxmod check's count" \
        has_line "$work/run-command.txt" "1 script checked: 0 errors, 1 warning"
}

# Unpacked as a modder does, the zip is a game folder: the DLL from it runs
# the examples with the same log and database as the build's own DLL, and
# its example script changes nothing.
test_release_zip() {
    local zips="$work/zips" unpacked="$work/unpacked" debug="$work/debug" built file
    local zip="$zips/VexaAttribLoader-$version-win32.zip"
    local debug_zip="$zips/VexaAttribLoader-$version-win32-debug.zip"
    "$cpack" --config "$cpack_config" -B "$zips" >"$work/cpack.txt" || cat "$work/cpack.txt"
    check "the modders' zip holds what a modder installs, and nothing else" \
        same_entries "$zip" "${release_layout[@]}"
    check "the developers' zip holds the debug information of both programs" \
        same_entries "$debug_zip" "${debug_layout[@]}"
    mkdir -p "$unpacked" "$debug"
    (cd "$unpacked" && "$cmake" -E tar xf "$zip") && (cd "$debug" && "$cmake" -E tar xf "$debug_zip")
    check "no file in the zip is empty" equal "$(find "$unpacked" -type f -empty)" ""
    # What the changelog says is new is what this zip brings: its newest
    # version's section is this version's, with its date.
    check "the zip's changelog has this version's section first" grep -qxE \
        "## ${version//./\\.} \([0-9]{4}-[0-9]{2}-[0-9]{2}\)" \
        <(grep -m 1 -E '^## [0-9]' "$unpacked/VexaAttribLoader/CHANGELOG.md")

    for file in VexaAttribLoader.Tormelin.asi vxmod.exe; do
        check_debug_information_beside "$unpacked/$file" "$debug/$file.debug"
        "$windres" -J coff -i "$unpacked/$file" -O rc | tr -s ' ' >"$work/$file.rc"
        check "$file's version resource names the product, its version and the file" equal \
            "$(grep -E '^ (FILEVERSION|VALUE "(Product|FileVersion|OriginalFilename))' "$work/$file.rc")" \
            " FILEVERSION ${version//./, }, 0
 VALUE \"ProductName\", \"Vexa Attrib Loader\"
 VALUE \"ProductVersion\", \"$version\"
 VALUE \"FileVersion\", \"$version\"
 VALUE \"OriginalFilename\", \"$file\""
        check "$file's version resource describes it" \
            grep -qE '^ VALUE "FileDescription", ".{20,}"$' "$work/$file.rc"
    done
    check "the VS Code extension carries the loader's version" \
        has_text <(cd "$work" && "$cmake" -E tar xf "$unpacked/VexaAttribLoader/editors/vxmod.vsix" \
                       extension/package.json && cat extension/package.json) "\"version\": \"$version\","
    check "vxmod.exe --version names the loader's version" \
        equal "$(cd "$unpacked" && wine vxmod.exe --version | tr -d '\r')" \
              "vxmod $version (Vexa Attrib Loader $version)"

    # The same game folder with the build's DLL, made in the same order (the
    # order of a folder's entries on some file systems), then a modder's
    # scripts beside the zip's example in both.
    built="$(game_folder built)"
    cp "$unpacked/AttribMods/example.vxmod" "$built/AttribMods/"
    cp -r "$unpacked/VexaAttribLoader" "$built/"
    for folder in "$unpacked" "$built"; do
        cp -r "$examples/AttribMods/." "$folder/AttribMods/"
        play "$folder" --db VexaAttribLoader/database.json --dump after.json
    done
    check "the zip's DLL: the same exit status" \
        equal "$(cat "$unpacked/status")" "$(cat "$built/status")"
    check "the zip's DLL: the same log" diff <(lines_after_start "$built") <(lines_after_start "$unpacked")
    check "the zip's DLL: the same start-up line, for its folder" \
        equal "$(log_lines "$unpacked" | head -n 1)" "$(patched_line "$unpacked")"
    check "the zip's DLL: the same database afterwards" cmp "$built/after.json" "$unpacked/after.json"
    check "the zip's example script runs and changes nothing" has_line <(log_lines "$unpacked") \
        "[VexaAttribLoader.Tormelin] [info] [AttribMods/example.vxmod] Script loaded: 0 succesful / 0 failed"
    check_notepadpp_run_command "$unpacked"
}

case "$suite" in
in-game)
    test_dll_file
    test_patches_and_frames
    test_other_game_version
    ;;
matches-vxmod)
    if [ -z "$vxmod" ] || [ ! -x "$vxmod" ]; then
        echo "skipped: no native vxmod given (configure with -DVEXA_NATIVE_VXMOD=PATH)"
        exit 77
    fi
    test_matches_vxmod
    ;;
hostile)
    test_hostile_inputs
    ;;
field)
    test_field_shared_libgcc
    test_field_faults_in_a_line
    test_field_null_database
    test_field_unwritable_log
    test_field_held_script
    test_field_utf16_scripts
    test_field_code_at_removed_site
    test_field_launcher_folder
    test_field_deep_tree_small_stack
    test_field_second_copy
    test_field_callee_pops
    ;;
release-zip)
    test_release_zip
    ;;
snapshot)
    if [ -z "$vxmod" ] || [ ! -x "$vxmod" ]; then
        echo "skipped: no native vxmod given (configure with -DVEXA_NATIVE_VXMOD=PATH)"
        exit 77
    fi
    test_snapshot_matches_vxmod
    test_snapshot_leaves_the_passes_alone
    test_snapshot_off
    test_snapshot_hash_list
    test_snapshot_faults
    ;;
*)
    echo "unknown suite '$suite'" >&2
    exit 2
    ;;
esac

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed; the games' folders were in $work"
    exit 1
fi
