#!/usr/bin/env bash
# Makes the golden replays in tests/replays again: the scripted recordings, then their goldens
# (state every 250 frames, frames chosen from the events reached, with the Linux build's frame
# checksums), and prints what each one reaches. Given a Windows build folder too, the Windows
# replay player then checks each new golden's state under Wine and adds its own checksums of the
# same frames (the text differs between the systems). For a change of behaviour that is meant;
# look at the coverage before committing.
#
#   tests/replays/maker/make-goldens.sh [BUILD_DIR [WINDOWS_BUILD_DIR]]
#
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

make_one() {
    local name=$1 script=$2 seed=$3 made hash
    [ -z "${GOLDENS:-}" ] || [[ " $GOLDENS " == *" $name "* ]] || return 0
    made=$("$build/tests/replays/maker/replay_maker" "$script" "$out/$name.sfr" "$seed")
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
}

# The seeds are the ones whose games reached the most events (held-keys: a slip under a block
# and clears of one and of two rows).
make_one default-table-1024x768 default-table 5
make_one empty-table-1920x1080 empty-table 1
make_one held-keys-800x600 held-keys 3
make_one debris-restore-1280x1024 debris-restore 1
make_one odd-records-1024x600 odd-records 1
