#!/usr/bin/env bash
# Starts the real game again and again, each time on a fresh virtual X server, as loops of
# test runs do: every start must show the window "DirectDraw Application" within a few seconds
# and end with exit code 0 on the close request a window manager sends.
#
#   starts.sh [STARTS]     how many starts; else $E2E_STARTS; else 20
source "${0%/*}/e2e_lib.sh"
starts=${1:-${E2E_STARTS:-20}}
e2e_require
[ -x "${WINDOW_CLOSE:-}" ] || e2e_fail "no window_close tool (libx11-dev missing at build time?)"

run=$(e2e_run_folder starts) || exit 1
began=$(date +%s)
for start in $(seq "$starts"); do
    e2e_step "start $start of $starts: X server"
    e2e_start_x 1024x768 >/dev/null
    e2e_step "start $start of $starts: game"
    e2e_start_game "$run" SDL_AUDIODRIVER=dummy
    e2e_step "start $start of $starts: window shown"
    window=$(e2e_wait_window 5) || exit 1
    e2e_step "start $start of $starts: close request to window $window"
    "$WINDOW_CLOSE" "$window" || e2e_fail "could not send the close request"
    e2e_expect_exit 0 10
    e2e_stop_x
    if [ $((start % 100)) -eq 0 ]; then
        e2e_note "$start starts, $(($(date +%s) - began)) s, load $(cut -d' ' -f1-3 /proc/loadavg)"
    fi
done
e2e_note "$starts of $starts starts showed the window and ended with exit code 0" \
    "in $(($(date +%s) - began)) s; load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "PASS"
