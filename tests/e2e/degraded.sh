#!/usr/bin/env bash
# The real game on machines that lack something: an audio device, a usable font, the sounds, the
# music, a background picture (unreadable or damaged), a folder it may write to, a display; and
# started from a folder without the game's files. Each run that can play must compose frames,
# end with exit code 0 and lose nothing; the others end with exit code 1 and one message.
source "${0%/*}/e2e_lib.sh"
e2e_require "${WINDOW_CLOSE:-window_close}"
e2e_start_x 1024x768

# A copy of the game without the build's assets/ beside it, so that what a run folder lacks is
# missing for the game too, in a folder open to all, so that the read-only run starts it as nobody.
lone=$(mktemp -d) && trap 'rm -rf "$lone"; e2e_cleanup' EXIT && chmod 755 "$lone" &&
    cp "$GAME" "$lone/" || e2e_fail "cannot copy the game into a folder of its own"
lone=$lone/${GAME##*/}

# Starts the game in the folder, lets pieces land for a moment, closes it in one of the ways a
# desktop does and checks that it ran, ended well and left records.dat in the folder given third.
# Extra arguments go to its environment.
play_briefly() {
    local dir=$1 how=$2 records=$3 ticks
    shift 3
    e2e_start_play "$dir" "$@"
    e2e_hold Down 1.2 && sleep 0.3
    case $how in
        alt-f4) xdotool key alt+F4 && e2e_expect_exit 0 ;;
        request) e2e_close "$E2E_WINDOW" ;;
        sigterm) kill -TERM "$E2E_GAME_PID" && e2e_expect_exit 0 ;;
    esac
    ticks=$(e2e_stat "$dir/game.err" ticks)
    e2e_at_least "${ticks:-0}" 50 ||
        e2e_fail "only ${ticks:-no} frames were composed; game.err: $(cat -v "$dir/game.err")"
    e2e_expect_records "$records"
    e2e_note "ran $ticks frames, closed by $how, exit code 0"
}

e2e_note "no audio device: ALSA finds no such card"
dir=$(e2e_run_folder no-audio) || exit 1
play_briefly "$dir" alt-f4 "$dir" SDL_AUDIODRIVER=alsa AUDIODEV=hw:99
[ "$(grep -c 'no audio, the game runs silent' "$dir/game.err")" -eq 1 ] ||
    e2e_fail "no single 'runs silent' message: $(cat "$dir/game.err")"

e2e_note "no font: the font file cannot be opened"
dir=$(e2e_run_folder no-font) || exit 1
play_briefly "$dir" sigterm "$dir" SDL_AUDIODRIVER=dummy SHARDFALL_FONT_FILE=/nonexistent/font.ttf
warnings=$(grep -c 'text will not be drawn' "$dir/game.err")
[ "$warnings" -eq 1 ] || e2e_fail "$warnings font warnings instead of one"

e2e_note "no Sounds folder: landings play the default sound"
dir=$(e2e_run_folder no-sounds) || exit 1
rm -r "$dir/Sounds"
GAME=$lone play_briefly "$dir" request "$dir" SDL_AUDIODRIVER=dummy
grep -q "cannot load sound" "$dir/game.err" || e2e_fail "no landing asked for a sound"

e2e_note "no music folder"
dir=$(e2e_run_folder no-music) || exit 1
rm -r "$dir/music"
GAME=$lone play_briefly "$dir" alt-f4 "$dir" SDL_AUDIODRIVER=dummy
grep -q "cannot load music" "$dir/game.err" || e2e_fail "the music thread did not try a track"

e2e_note "a background picture that cannot be read: the abort box, closed by its close request"
dir=$(e2e_run_folder no-background) || exit 1
rm "$dir/dx000.bmp" && mkdir "$dir/dx000.bmp"
e2e_start_game "$dir" SDL_AUDIODRIVER=dummy
# The box is the one visible top-level window smaller than the screen: the game's own window
# covers the whole screen until it is hidden, and the root is listed too. Where the box cannot
# be shown, the message goes to stderr and the game ends at once.
root=$(xdotool search --maxdepth 0 --name "" | head -n1)
find_box() {
    for candidate in $(xdotool search --maxdepth 1 --onlyvisible --classname "" 2>/dev/null); do
        [ "$candidate" != "$root" ] && geometry=$(xdotool getwindowgeometry "$candidate") &&
            [[ $geometry != *"Geometry: 1024x768"* ]] && box=$candidate && return
    done 2>/dev/null
    return 1
}
box=""
e2e_poll 20 'find_box || ! kill -0 "$E2E_GAME_PID" 2>/dev/null'
if [ -n "$box" ]; then
    e2e_screenshot "$WORK_DIR/abort-box.png"
    kill -0 "$E2E_GAME_PID" 2>/dev/null || e2e_fail "the game ended while its box was still up"
    "$WINDOW_CLOSE" "$box" || e2e_fail "could not close the box"
    e2e_note "the box appeared and was closed"
else
    grep -q "ConfigureSurfaces" "$dir/game.err" || e2e_fail "neither a box nor a message"
fi
e2e_expect_exit 1
grep -q "frames=" "$dir/game.err" && e2e_fail "frames ran without a background"
e2e_expect_records "$dir"

e2e_note "damaged background picture, without a screen to show a box on"
dir=$(e2e_run_folder damaged-background) || exit 1
head -c 1000 "$ASSETS/dx000.bmp" >"$dir/dx000.bmp"
e2e_start_game "$dir" SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=dummy
e2e_expect_exit 1
grep -q "ConfigureSurfaces" "$dir/game.err" ||
    e2e_fail "no message naming ConfigureSurfaces: $(cat "$dir/game.err")"
e2e_expect_records "$dir"

e2e_note "no display at all: one line saying so, exit code 1"
dir=$(e2e_run_folder no-display) || exit 1
E2E_RUN_AS=(env -u DISPLAY -u WAYLAND_DISPLAY)
e2e_start_game "$dir" SDL_AUDIODRIVER=dummy
E2E_RUN_AS=()
e2e_expect_exit 1
[ "$(grep -c '^shardfall: no display found' "$dir/game.err")" -eq 1 ] &&
    [ "$(grep -cE '^(shardfall|Error):' "$dir/game.err")" -eq 1 ] ||
    e2e_fail "not one line about the missing display: $(cat "$dir/game.err")"

e2e_note "started from a folder without the game's files: the per-user folder keeps the table"
dir="$WORK_DIR/elsewhere"
rm -rf "$dir" && mkdir -p "$dir/start"
# As the README records a game: from the repository's top, with a relative file name.
E2E_GAME_ARGS=(--record game.sfr)
play_briefly "$dir/start" request "$dir/data/shardfall" SDL_AUDIODRIVER=dummy \
    XDG_DATA_HOME="$dir/data"
E2E_GAME_ARGS=()
[ "$(ls -A "$dir/start")" = "$(printf 'game.err\ngame.out\ngame.sfr')" ] ||
    e2e_fail "not just the recording where the game was started: $(ls -A "$dir/start")"

e2e_note "a folder the game may not write to, holding last time's records.dat"
dir=$(e2e_run_folder read-only) || exit 1
cp "$WORK_DIR/no-audio/records.dat" "$dir/records.dat"
cp "$dir/records.dat" "$WORK_DIR/records-before.dat"
# The game's output files are made now, while the folder can still take them.
touch "$dir/game.out" "$dir/game.err"
played=$GAME
if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || e2e_fail "setpriv missing"
    # The folder stays root's and the game runs as nobody, from the copy: the build may lie in
    # a folder closed to others. It opens its working folder by relative names.
    chmod -R go-w "$dir"
    E2E_RUN_AS=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    played=$lone
    "${E2E_RUN_AS[@]}" test -x "$played" || e2e_fail "nobody cannot run $played"
else
    chmod a-w "$dir"
fi
find "$dir" -mindepth 1 -printf '%P\n' | sort >"$WORK_DIR/read-only-before.txt"
GAME=$played play_briefly "$dir" request "$dir" SDL_AUDIODRIVER=dummy HOME=/nonexistent
E2E_RUN_AS=()
find "$dir" -mindepth 1 -printf '%P\n' | sort >"$WORK_DIR/read-only-after.txt"
chmod u+w "$dir"
diff "$WORK_DIR/read-only-before.txt" "$WORK_DIR/read-only-after.txt" ||
    e2e_fail "the game left files in a folder it may not write to"
cmp "$WORK_DIR/records-before.dat" "$dir/records.dat" || e2e_fail "records.dat changed"

echo "PASS"
