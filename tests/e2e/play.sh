#!/usr/bin/env bash
# Plays a little of a recorded game (shardfall --record) on a virtual 1024 × 768 screen and
# looks at the result: the window appears and gets the focus, held arrow keys drop pieces that
# come to rest in the well where the game draws it, frames stop while another window has the
# focus and go on when it comes back, and a window manager's close request ends the program
# with exit code 0, leaving a 308-byte records.dat behind. Played back without a window, the
# recording must end in the digest the game had when it was closed. Then, under openbox on a
# 1280 × 800 screen, --window 800x600 opens a window of that size, where pieces land in the
# well; resized to 1000x700, switched to the whole screen with Alt+Enter and back, it shows the
# same frame scaled with its aspect kept between black bars; play goes on, and the recording
# of that run too ends in the game's own digest. The config file there has given A the Left
# key's job: the recording holds A's press as Left's and nothing of the Left key.
source "${0%/*}/e2e_lib.sh"
e2e_require openbox xprop xwininfo
[ -x "${WINDOW_CLOSE:-}" ] || e2e_fail "no window_close tool (libx11-dev missing at build time?)"
[ -x "${REPLAY:-}" ] || e2e_fail "no shardfall-replay at ${REPLAY:-}"

e2e_step "start"
e2e_start_x 1024x768
run=$(e2e_run_folder play) || exit 1
E2E_GAME_ARGS=(--record game.sfr)
e2e_start_game "$run" SDL_AUDIODRIVER=dummy
window=$(e2e_wait_window 20) || exit 1
# Without a window manager the game takes the focus itself.
e2e_wait_line "$run/game.err" "active=1"
[ "$(xdotool getwindowfocus)" = "$window" ] || e2e_fail "the game's window does not have the focus"

e2e_step "play"
e2e_play_and_check_well
xdotool key Pause && sleep 0.3 && xdotool key Pause
xdotool key e Up Up

e2e_step "focus on another window"
# Another window takes the focus (here the root window, as a window manager does when the user
# clicks the desktop): no frames while it lasts, so the screen stands still.
root=$(xdotool search --maxdepth 0 --name "" | head -n1)
xdotool windowfocus "$root"
e2e_wait_line "$run/game.err" "active=0"
sleep 0.2
e2e_screenshot "$WORK_DIR/inactive-1.png"
sleep 1.2
e2e_screenshot "$WORK_DIR/inactive-2.png"
still=$(e2e_pixels_differing "$WORK_DIR/inactive-1.png" "$WORK_DIR/inactive-2.png")
[ "$still" = "0" ] || e2e_fail "the screen changed in $still pixels while the game had no focus"

e2e_step "focus back on the game"
xdotool windowfocus "$window"
e2e_wait_line "$run/game.err" "active=1 frames=[1-9]"
sleep 0.3
e2e_screenshot "$WORK_DIR/active-1.png"
xdotool keydown Right && sleep 0.5 && xdotool keyup Right
e2e_screenshot "$WORK_DIR/active-2.png"
moving=$(e2e_pixels_differing "$WORK_DIR/active-1.png" "$WORK_DIR/active-2.png")
[ "$moving" != "0" ] || e2e_fail "the screen stands still after the focus came back"

e2e_step "close request"
"$WINDOW_CLOSE" "$window" || e2e_fail "could not send the close request"
e2e_expect_exit 0
size=$(stat -c %s "$run/records.dat" 2>/dev/null || echo no)
[ "$size" = 308 ] || e2e_fail "records.dat holds $size bytes, not 308"

e2e_step "the game's stats"
# The game's own account of the run: the clock ran in composed frames only, the focus was
# away for more than a second, and the S key reached the score.
err="$run/game.err"
grep '^stats' "$err"
ran=$(e2e_stat "$err" ran_s)
active=$(e2e_stat "$err" active_s)
clock=$(e2e_stat "$err" game_clock_s)
e2e_at_least "$(awk -v r="$ran" -v a="$active" 'BEGIN { print r - a }')" 1.2 ||
    e2e_fail "the game counted only $active of $ran s as inactive time"
e2e_at_least "$(awk -v a="$active" -v c="$clock" 'BEGIN { print a - c + 0.02 }')" 0 ||
    e2e_fail "the game clock ($clock s) ran on while the window had no focus ($active s active)"
e2e_at_least "$(e2e_stat "$err" ticks)" 200 || e2e_fail "too few frames were composed"
e2e_at_least "$(e2e_stat "$err" score)" 100 || e2e_fail "releasing S did not add 100 points"

# Played back without a window, the recording in the run folder ends in the digest the game
# printed when it closed.
check_replay() {
    local recorded frames digest played
    recorded=$(grep -oE "replay: [0-9]+ frames recorded in [^ ]*$1, digest [0-9a-f]{16}" \
        "$run/game.err") ||
        e2e_fail "the game did not say what it recorded: $(cat "$run/game.err")"
    frames=$(echo "$recorded" | cut -d' ' -f2)
    digest=$(echo "$recorded" | awk '{ print $NF }')
    "$REPLAY" "$run/$1" >"$WORK_DIR/replay.out" 2>&1 ||
        e2e_fail "the replay differs: $(cat "$WORK_DIR/replay.out")"
    played=$(grep -E '^end ' "$WORK_DIR/replay.out") || e2e_fail "the player printed no end"
    [ "$(echo "$played" | cut -d' ' -f2,4)" = "$frames $digest" ] ||
        e2e_fail "played '$played', recorded $frames frames with digest $digest"
    grep -q "the recording's own final digest matches" "$WORK_DIR/replay.out" ||
        e2e_fail "the player did not check the recording's digest"
}
e2e_step "the recording played back"
check_replay game.sfr

e2e_step "a window of the size asked for, over the config file's, whose bad line is named"
# On a wider screen than the frame, under a window manager that resizes windows as a desktop's does.
e2e_stop_x && e2e_start_x 1280x800
openbox --sm-disable >"$WORK_DIR/openbox.log" 2>&1 &
timeout 10 sh -c 'until xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"; do
    sleep 0.1; done' ||
    e2e_fail "openbox did not start: $(cat "$WORK_DIR/openbox.log")"
mkdir -p "$WORK_DIR/config/shardfall"
printf 'screen = "window"\nwindow-size = "640x480"\nmusic-volume = 200\n[keys]\nleft = "A"\n' \
    >"$WORK_DIR/config/shardfall/shardfall.conf"
E2E_GAME_ARGS=(--window 800x600 --record window.sfr)
e2e_start_game "$run" SDL_AUDIODRIVER=dummy
window=$(e2e_wait_window 20) || exit 1
e2e_wait_line "$run/game.err" "active=1"
# The size the window has (WxH), waiting up to two seconds for the one expected.
window_size() {
    local size
    for _ in $(seq 20); do
        size=$(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { print w "x" $2 }')
        [ "$size" = "$1" ] && return
        sleep 0.1
    done
    e2e_fail "the window is $size, not $1"
}
window_size 800x600
e2e_play_and_check_well "$window"
xdotool key Left a
# Paused, the frame stands still while the window changes: each shot must show the 800x600 one,
# scaled to the largest size that fits with its aspect, centred, and nothing but black around.
xdotool key Pause && sleep 0.3 && e2e_screenshot "$WORK_DIR/frame.png" "$window"
letterboxed() {
    window_size "$1" && sleep 0.5 && e2e_screenshot "$WORK_DIR/$1.png" "$window"
    local w=${1%x*} h=${1#*x} fw fh x y differing
    fw=$((800 * h / 600)) fh=$h
    ((w * 600 <= h * 800)) && fw=$w fh=$((600 * w / 800))
    x=$(((w - fw) / 2)) y=$(((h - fh) / 2))
    [ "$(convert "$WORK_DIR/$1.png" -fill black -draw \
        "rectangle $x,$y $((x + fw - 1)),$((y + fh - 1))" -format '%[max]' info:)" = 0 ] ||
        e2e_fail "the bars around the frame in $1.png are not black"
    # Below the FPS counter, whose figure may change.
    local top=$((fh / 10))
    convert "$WORK_DIR/frame.png" -sample "${fw}x${fh}!" -crop "${fw}x$((fh - top))+0+$top" \
        "$WORK_DIR/$1-expected.png"
    differing=$(compare -metric AE -fuzz 25% "$WORK_DIR/$1-expected.png" \
        "$WORK_DIR/$1.png[${fw}x$((fh - top))+$x+$((y + top))]" null: 2>&1)
    [[ $differing =~ ^[0-9]+$ ]] && ((differing * 500 < fw * fh)) ||
        e2e_fail "$1.png: the frame scaled to ${fw}x${fh} at +$x+$y differs: $differing"
    e2e_note "$1: the frame scaled to ${fw}x${fh} at +$x+$y, $differing pixels off by a sample"
}
xdotool windowsize "$window" 1000 700 && letterboxed 1000x700
xdotool key alt+Return && letterboxed 1280x800
xdotool key alt+Return && letterboxed 1000x700
xdotool key Pause && e2e_screenshot "$WORK_DIR/playing-1.png" "$window"
xdotool keydown Down && sleep 1 && xdotool keyup Down
e2e_screenshot "$WORK_DIR/playing-2.png" "$window"
[ "$(e2e_pixels_differing "$WORK_DIR/playing-1.png" "$WORK_DIR/playing-2.png")" != 0 ] ||
    e2e_fail "the game stands still in the resized window"
"$WINDOW_CLOSE" "$window" || e2e_fail "could not send the close request"
e2e_expect_exit 0
grep -q 'shardfall.conf:3: music-volume: not a whole number from 0 to 100' "$run/game.err" ||
    e2e_fail "the bad volume was not named: $(cat "$run/game.err")"
# The events, past the 324 bytes of header and records.dat and before the final digest's 80:
# a key press is 0x81 and the code, 37 (0x25) for Left, 65 (0x41) for A. The Left key itself,
# held above too, has no job left.
keys=" $(tail -c +325 "$run/window.sfr" | head -c -80 | od -An -v -tx1 | tr -s ' \n' '  ') "
[[ "$keys" == *" 81 25 "* && "$keys" != *" 81 41 "* && "$keys" != *" 81 25 "*" 81 25 "* ]] ||
    e2e_fail "A did not do Left's job alone: $keys"
check_replay window.sfr
echo "PASS"
