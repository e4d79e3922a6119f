#!/usr/bin/env bash
# The Windows game under Wine on a virtual 1024 × 768 screen: it takes the screen, arrow keys
# move and drop pieces that come to rest in the well where the game draws it, A does Left's job
# for shardfall.conf's [keys] beside the game (Left none, as the recording shows), Alt+F4 (the
# system's close command) ends it with exit code 0 and a 308-byte records.dat; with
# --window 800x600 the well stands in a client area of that size as on an 800 × 600 screen, and
# Alt+F4 ends that game as cleanly; without dx000.bmp it shows the abort box naming the failed
# step and ends when the box is closed.
# CTest of the Windows build starts it with GAME (shardfall.exe), ASSETS and WELL_CHECK (from
# the Linux build), WORK_DIR and WINEPREFIX (a prefix of its own, made on the first run) set.
source "${0%/*}/e2e_lib.sh"
e2e_require wine wineserver xwininfo
[ -x "${WELL_CHECK:-}" ] || e2e_fail "no well_check from the Linux build at '${WELL_CHECK:-}'"
export WINEDEBUG=-all

# The prefix's server ends with the run, whatever happens.
windows_cleanup() {
    wineserver -k 2>/dev/null
    e2e_cleanup
}
trap windows_cleanup EXIT

# Starts the game under Wine in the folder, with its stats on and the game's arguments that follow.
start_windows_game() {
    (cd "$1" && shift && exec env SHARDFALL_STATS=1 wine "$GAME" "$@" >game.out 2>game.err) &
    E2E_GAME_PID=$!
}

e2e_start_x 1024x768
# Wine started before the X server answers may never show a window.
timeout 10 sh -c 'until xdotool getdisplaygeometry >/dev/null 2>&1; do sleep 0.1; done' || e2e_fail "the X server does not answer"
e2e_step "Wine prefix"
# A server left from another run would still show that run's screen.
wineserver -k 2>/dev/null
started=$(date +%s.%N)
"${0%/*}/../../scripts/wine-prefix" || e2e_fail "could not make the Wine prefix $WINEPREFIX"
e2e_note "Wine prefix ready in $(awk -v s="$started" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }') s"

e2e_step "start"
run=$(e2e_run_folder play) || exit 1
printf '[keys]\nleft = ["A"]\n' >"$run/shardfall.conf"
started=$(date +%s.%N)
start_windows_game "$run" --record game.sfr
window=$(e2e_wait_window 30) || exit 1
e2e_wait_line "$run/game.err" "active=1" 20
e2e_note "window $window, active after $(awk -v s="$started" -v e="$(date +%s.%N)" 'BEGIN { printf "%.2f", e - s }') s"

e2e_step "play"
e2e_play_and_check_well
xdotool key Left a

e2e_step "close"
xdotool key alt+F4
e2e_expect_exit 0 20
size=$(stat -c %s "$run/records.dat" 2>/dev/null || echo no)
[ "$size" = 308 ] || e2e_fail "records.dat holds $size bytes, not 308"
grep '^stats' "$run/game.err"
e2e_at_least "$(e2e_stat "$run/game.err" ticks)" 200 || e2e_fail "too few frames were composed"
e2e_at_least "$(e2e_stat "$run/game.err" score)" 100 || e2e_fail "releasing S did not add 100 points"
e2e_expect_a_did_left "$run/game.sfr"

e2e_step "window"
run=$(e2e_run_folder window) || exit 1
start_windows_game "$run" --window 800x600
window=$(e2e_wait_window 30) || exit 1
e2e_wait_line "$run/game.err" "active=1" 20
# Wine draws the frame itself (no window manager): borders alike left, right and below.
read -r width height < <(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { print w, $2 }')
border=$(((width - 800) / 2))
e2e_note "window ${width}x$height, client area at $border,$((height - 600 - border))"
# A client area of another size would show the frame scaled, and the well would not match.
e2e_play_and_check_well "$window" "800x600+$border+$((height - 600 - border))"
xdotool key alt+F4
e2e_expect_exit 0 20
[ "$(e2e_stat "$run/game.err" screen)" = 800x600 ] || e2e_fail "the game was not laid out for 800x600"
[ "$(stat -c %s "$run/records.dat")" = 308 ] || e2e_fail "no 308-byte records.dat after the window"

e2e_step "no background picture"
run=$(e2e_run_folder no-picture) || exit 1
rm "$run/dx000.bmp"
start_windows_game "$run"
e2e_wait_line "$run/game.err" "Ошибка в ConfigureSurfaces" 30
box=$(timeout 20 xdotool search --sync --onlyvisible --name "$WINDOW_TITLE" | head -n1)
[ -n "$box" ] || e2e_fail "no abort box on the screen"
e2e_screenshot "$WORK_DIR/abort-box.png"
# Without a window manager the box has the keyboard only once it is given the focus.
xdotool windowfocus "$box" && xdotool key Return
# A start that fails is no success: exit code 1 after the box.
e2e_expect_exit 1 20
[ -f "$run/records.dat" ] || e2e_fail "no records.dat after the failed start"
echo "PASS"
