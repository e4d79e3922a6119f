#!/bin/sh
# make run's assets step puts the picture into the player's folder only when it is missing: a
# picture of the player's own is never replaced.
# Usage: make_run.sh SOURCE_DIR BUILD_DIR
set -eu
build=$2 run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
assets() { make -s -C "$1" assets BUILD="$build" RUN="$run" >/dev/null; }
printf 'my own picture' >"$run/dx000.bmp"
assets "$1"
[ "$(cat "$run/dx000.bmp")" = "my own picture" ] ||
    { echo "make run replaced the player's picture" && exit 1; }
rm "$run/dx000.bmp"
assets "$1"
cmp "$run/dx000.bmp" "$build/assets/dx000.bmp" ||
    { echo "make run did not put the game's picture into an empty folder" && exit 1; }
echo "make run keeps the player's picture"
