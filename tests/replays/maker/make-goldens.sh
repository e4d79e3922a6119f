#!/usr/bin/env bash
# Makes the golden replays in tests/replays again: the scripted recordings, then their goldens
# (state every 250 frames, frames chosen from the events reached, with the Linux build's frame
# checksums), and prints what each one reaches. Given a Windows build folder too, the Windows
# replay player then checks each new golden's state under Wine and adds its own checksums of the
# same frames (the text differs between the systems). For a change of behaviour that is meant;
# look at the coverage before committing.
#
#   tests/replays/maker/make-goldens.sh [BUILD_DIR [WINDOWS_BUILD_DIR]]
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
    local name=$1 script=$2 seed=$3
    "$build/tests/replays/maker/replay_maker" "$script" "$out/$name.sfr" "$seed"
    "$build/tools/replay/shardfall-replay" "$out/$name.sfr" --every 250 --coverage \
        --write-golden "$out/$name.golden" | grep -vE '^(frame|end) '
    if [ -n "$windows" ]; then
        wine "$windows/tools/replay/shardfall-replay.exe" "$out/$name.sfr" \
            --add-pixels "$out/$name.golden" | grep -E '^(wrote|DIFFERS|FAILED)'
    fi
}

# The seeds are the ones whose games reached the most events.
make_one default-table-1024x768 default-table 5
make_one empty-table-1920x1080 empty-table 1
