#!/usr/bin/env bash
# Makes the golden replays in tests/replays again, for a change of behaviour that is meant: the
# recordings played from the scripts here (NAME.script), then their goldens (state every 250
# frames, frames chosen from the events reached, the Linux build's frame checksums), printing
# what each reaches; look at the coverage before committing. With a Windows build, its replay
# player then checks each new golden under Wine and adds its own checksums of the same frames.
#   tests/replays/maker/make-goldens.sh [BUILD_DIR [WINDOWS_BUILD_DIR]]
# GOLDENS="NAME ..." in the environment makes only those (e.g. GOLDENS=held-keys-800x600).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
windows=${2:+$(cd "$2" && pwd)}
root=$(cd "${0%/*}/../../.." && pwd)
out=$root/tests/replays

if [ -n "$windows" ]; then
    export WINEPREFIX=$windows/wineprefix WINEDEBUG=-all
    "$root/scripts/wine-prefix"
    trap 'wineserver -k' EXIT
fi

for script in "$root"/tests/replays/maker/*.script; do
    name=$(basename "$script" .script)
    [ -z "${GOLDENS:-}" ] || [[ " $GOLDENS " == *" $name "* ]] || continue
    made=$("$build/tests/replays/maker/replay_maker" "$script" "$out/$name.sfr")
    echo "$made" | grep -v '^hash '
    # The frames the script asks for, beyond those the player picks from the events.
    hash=$(echo "$made" | sed -n 's/^hash //p')
    "$build/tools/replay/shardfall-replay" "$out/$name.sfr" --every 250 --coverage \
        ${hash:+--frames-to-hash "$hash"} --write-golden "$out/$name.golden" |
        grep -vE '^(frame|end) '
    if [ -n "$windows" ]; then
        wine "$windows/tools/replay/shardfall-replay.exe" "$out/$name.sfr" \
            --add-pixels "$out/$name.golden" | grep -E '^(wrote|DIFFERS|FAILED)'
    fi
done

