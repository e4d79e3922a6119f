#!/bin/sh
# make run's assets step puts the picture into the player's folder only when it is missing: a
# picture of the player's own is never replaced.
# Usage: make_run.sh SOURCE_DIR BUILD_DIR
set -eu
root=$1 build=$2
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir "$folder/run"
printf 'my own picture' >"$folder/run/dx000.bmp"
make -s -C "$root" assets BUILD="$build" RUN="$folder/run" >/dev/null
[ "$(cat "$folder/run/dx000.bmp")" = "my own picture" ] || {
    echo "make run replaced the player's picture"
    exit 1
}
rm "$folder/run/dx000.bmp"
make -s -C "$root" assets BUILD="$build" RUN="$folder/run" >/dev/null
cmp "$folder/run/dx000.bmp" "$build/assets/dx000.bmp" || {
    echo "make run did not put the game's picture into an empty folder"
    exit 1
}
echo "make run keeps the player's picture"
