#!/usr/bin/env bash
# Plays a little of a recorded game on a virtual 1024 × 768 screen: the window gets the focus,
# pieces rest in the well where the game draws it, frames stop while the focus is away, the
# close request ends the game with exit code 0 and a records.dat, and the recording played back
# ends in the game's digest. Then, under openbox on 1280 × 800, --window 800x600 opens a window
# of that size; resized, switched to the whole screen and back, it shows the same frame scaled
# between black bars; play goes on, and the config file's A does the Left key's job alone.
source "${0%/*}/e2e_lib.sh"
e2e_require openbox xprop xwininfo "${WINDOW_CLOSE:-window_close}" "${REPLAY:-shardfall-replay}"

e2e_step "start"
e2e_start_x 1024x768
run=$(e2e_run_folder play) || exit 1
err=$run/game.err
E2E_GAME_ARGS=(--record game.sfr)
# Without a window manager the game takes the focus itself.
e2e_start_play "$run" SDL_AUDIODRIVER=dummy
window=$E2E_WINDOW
[ "$(xdotool getwindowfocus)" = "$window" ] || e2e_fail "the game's window does not have the focus"

e2e_step "play"
e2e_play_and_check_well
xdotool key Pause && sleep 0.3 && xdotool key Pause
xdotool key e Up Up

e2e_step "focus on another window"
# The root window takes the focus, as when the user clicks the desktop: the screen stands still.
xdotool windowfocus "$(xdotool search --maxdepth 0 --name "" | head -n1)"
e2e_wait_line "$err" "active=0"
sleep 0.2
e2e_expect_screen still inactive "" sleep 1.2

e2e_step "focus back on the game"
xdotool windowfocus "$window"
e2e_wait_line "$err" "active=1 frames=[1-9]"
sleep 0.3
e2e_expect_screen moving active "" e2e_hold Right 0.5

e2e_step "close request"
e2e_close "$window"
e2e_expect_records "$run"

e2e_step "the game's stats"
# The clock ran in composed frames only, the focus was away for more than a second, and the S
# key reached the score.
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

# Played back without a window, the recording ends in the digest the game printed.
check_replay() {
    local recorded played out=$WORK_DIR/replay.out
    recorded=$(grep -oE "replay: [0-9]+ frames recorded in [^ ]*$1, digest [0-9a-f]{16}" "$err") ||
        e2e_fail "the game did not say what it recorded: $(cat "$err")"
    "$REPLAY" "$run/$1" >"$out" 2>&1 || e2e_fail "the replay differs: $(cat "$out")"
    played=$(grep -E '^end ' "$out") || e2e_fail "the player printed no end"
    [ "$(cut -d' ' -f2,4 <<<"$played")" = "$(awk '{ print $2, $NF }' <<<"$recorded")" ] ||
        e2e_fail "played '$played', recorded '$recorded'"
    grep -q "the recording's own final digest matches" "$out" ||
        e2e_fail "the player did not check the recording's digest"
}
e2e_step "the recording played back"
check_replay game.sfr

e2e_step "a window of the size asked for, over the config file's, whose bad line is named"
e2e_stop_x && e2e_start_x 1280x800
openbox --sm-disable >"$WORK_DIR/openbox.log" 2>&1 &
e2e_poll 10 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    e2e_fail "openbox did not start: $(cat "$WORK_DIR/openbox.log")"
mkdir -p "$WORK_DIR/config/shardfall"
printf 'screen = "window"\nwindow-size = "640x480"\nmusic-volume = 200\n[keys]\nleft = "A"\n' \
    >"$WORK_DIR/config/shardfall/shardfall.conf"
E2E_GAME_ARGS=(--window 800x600 --record window.sfr)
e2e_start_play "$run" SDL_AUDIODRIVER=dummy
window=$E2E_WINDOW
# The size the window has (WxH), waiting up to two seconds for the one expected.
window_size() {
    local want=$1 size
    e2e_poll 2 'size=$(xwininfo -id "$window" |
        awk "/Width:/ { w = \$2 } /Height:/ { print w \"x\" \$2 }") && [ "$size" = "$want" ]' ||
        e2e_fail "the window is $size, not $want"
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
xdotool key Pause && e2e_expect_screen moving playing "$window" e2e_hold Down 1
e2e_close "$window"
grep -q 'shardfall.conf:3: music-volume: not a whole number from 0 to 100' "$err" ||
    e2e_fail "the bad volume was not named: $(cat "$err")"
e2e_expect_a_did_left "$run/window.sfr"
check_replay window.sfr
echo "PASS"
