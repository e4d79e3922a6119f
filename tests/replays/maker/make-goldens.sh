#!/usr/bin/env bash
# Makes the golden replays in tests/replays again: the scripted recordings, then their goldens
# (state every 250 frames, frames chosen from the events reached), and prints what each one
# reaches. For a change of behaviour that is meant; look at the coverage before committing.
#
#   tests/replays/maker/make-goldens.sh [BUILD_DIR]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
out=$(cd "${0%/*}/.." && pwd)

make_one() {
    local name=$1 script=$2 seed=$3
    "$build/tests/replays/maker/replay_maker" "$script" "$out/$name.sfr" "$seed"
    "$build/tools/replay/shardfall-replay" "$out/$name.sfr" --every 250 --coverage \
        --write-golden "$out/$name.golden" | grep -vE '^(frame|end) '
}

# The seeds are the ones whose games reached the most events.
make_one default-table-1024x768 default-table 5
make_one empty-table-1920x1080 empty-table 1
