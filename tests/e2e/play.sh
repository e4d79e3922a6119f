#!/usr/bin/env bash
# Plays a little of a recorded game (shardfall --record) on a virtual 1024 × 768 screen and
# looks at the result: the window appears and gets the focus, held arrow keys drop pieces that
# come to rest in the well where the game draws it, frames stop while another window has the
# focus and go on when it comes back, and a window manager's close request ends the program
# with exit code 0, leaving a 308-byte records.dat behind. Played back without a window, the
# recording must end in the digest the game had when it was closed. Then --window 800x600
# opens a window of that size, where the config file has given A the Left key's job: the
# recording holds A's presses as Left's and nothing of the Left key.
source "${0%/*}/e2e_lib.sh"
e2e_require
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

e2e_step "the recording played back"
recorded=$(grep -oE 'replay: [0-9]+ frames recorded in [^ ]*game.sfr, digest [0-9a-f]{16}' "$err") ||
    e2e_fail "the game did not say what it recorded: $(cat "$err")"
frames=$(echo "$recorded" | cut -d' ' -f2)
digest=$(echo "$recorded" | awk '{ print $NF }')
"$REPLAY" "$run/game.sfr" >"$WORK_DIR/replay.out" 2>&1 ||
    e2e_fail "the replay differs: $(cat "$WORK_DIR/replay.out")"
played=$(grep -E '^end ' "$WORK_DIR/replay.out") || e2e_fail "the player printed no end"
[ "$(echo "$played" | cut -d' ' -f2,4)" = "$frames $digest" ] ||
    e2e_fail "played '$played', recorded $frames frames with digest $digest"
grep -q "the recording's own final digest matches" "$WORK_DIR/replay.out" ||
    e2e_fail "the player did not check the recording's digest"

e2e_step "a window of the size asked for, over the config file's, whose bad line is named"
mkdir -p "$WORK_DIR/config/shardfall"
printf 'screen = "window"\nwindow-size = "640x480"\nmusic-volume = 200\n[keys]\nleft = "A"\n' \
    >"$WORK_DIR/config/shardfall/shardfall.conf"
E2E_GAME_ARGS=(--window 800x600 --record keys.sfr)
e2e_start_game "$run" SDL_AUDIODRIVER=dummy
window=$(e2e_wait_window 20) || exit 1
e2e_wait_line "$run/game.err" "active=1"
xdotool getwindowgeometry "$window" | grep -q "Geometry: 800x600" ||
    e2e_fail "not an 800x600 window: $(xdotool getwindowgeometry "$window")"
xdotool key Left a && sleep 0.2
"$WINDOW_CLOSE" "$window" || e2e_fail "could not send the close request"
e2e_expect_exit 0
# The events, past the 324 bytes of header and records.dat and before the final digest's 80:
# a key press is 0x81 and the code, 37 (0x25) for Left, 65 (0x41) for A.
keys=" $(tail -c +325 "$run/keys.sfr" | head -c -80 | od -An -v -tx1 | tr -s ' \n' '  ') "
[[ "$keys" == *" 81 25 "* && "$keys" != *" 81 41 "* && "$keys" != *" 81 25 "*" 81 25 "* ]] ||
    e2e_fail "A did not do Left's job alone: $keys"
grep -q 'shardfall.conf:3: music-volume: not a whole number from 0 to 100' "$run/game.err" ||
    e2e_fail "the bad volume was not named: $(cat "$run/game.err")"
echo "PASS"
