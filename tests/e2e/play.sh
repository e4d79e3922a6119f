#!/usr/bin/env bash
# Plays a little of a game on a virtual 1024 × 768 screen and looks at the result: the window
# appears and gets the focus, held arrow keys drop pieces that come to rest in the well where
# the game draws it, frames stop while another window has the focus and go on when it comes
# back, and a window manager's close request ends the program with exit code 0, leaving a
# 308-byte records.dat behind.
source "${0%/*}/e2e_lib.sh"
e2e_require
[ -x "${WINDOW_CLOSE:-}" ] || e2e_fail "no window_close tool (libx11-dev missing at build time?)"

e2e_step "start"
e2e_start_x 1024x768
run=$(e2e_run_folder play) || exit 1
e2e_start_game "$run" SDL_AUDIODRIVER=dummy
window=$(e2e_wait_window 20) || exit 1
e2e_note "window $window"

# Without a window manager the game takes the focus itself.
e2e_wait_line "$run/game.err" "active=1"
[ "$(xdotool getwindowfocus)" = "$window" ] || e2e_fail "the game's window does not have the focus"

e2e_step "play"
e2e_play_and_check_well

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
sleep 0.5
e2e_screenshot "$WORK_DIR/active-2.png"
moving=$(e2e_pixels_differing "$WORK_DIR/active-1.png" "$WORK_DIR/active-2.png")
[ "$moving" != "0" ] || e2e_fail "the screen stands still after the focus came back"
e2e_note "while inactive 0 pixels changed; after the focus came back $moving did"

e2e_step "close request"
# The close button's request, as a window manager sends it.
"$WINDOW_CLOSE" "$window" || e2e_fail "could not send the close request"
e2e_expect_exit 0
[ -f "$run/records.dat" ] || e2e_fail "no records.dat"
size=$(stat -c %s "$run/records.dat")
[ "$size" -eq 308 ] || e2e_fail "records.dat holds $size bytes, not 308"

e2e_step "the game's stats"
# The game's own account of the run: the clock ran in composed frames only, the focus was
# away for more than a second, and the S key reached the score.
err="$run/game.err"
grep '^stats' "$err"
ran=$(e2e_stat "$err" ran_s)
active=$(e2e_stat "$err" active_s)
clock=$(e2e_stat "$err" game_clock_s)
ticks=$(e2e_stat "$err" ticks)
score=$(e2e_stat "$err" score)
e2e_at_least "$(awk -v r="$ran" -v a="$active" 'BEGIN { print r - a }')" 1.2 ||
    e2e_fail "the game counted only $active of $ran s as inactive time"
e2e_at_least "$(awk -v a="$active" -v c="$clock" 'BEGIN { print a - c + 0.02 }')" 0 ||
    e2e_fail "the game clock ($clock s) ran on while the window had no focus ($active s active)"
e2e_at_least "$ticks" 200 || e2e_fail "only $ticks frames were composed"
e2e_at_least "$score" 100 || e2e_fail "score $score: releasing S did not add 100 points"
if grep -v '^stats' "$err" | grep -q .; then
    e2e_note "other messages on stderr:"
    grep -v '^stats' "$err"
fi
echo "PASS"
