#!/usr/bin/env bash
# Starts the real game again and again, each time on a fresh virtual X server, as loops of
# test runs do: every start must show the window "DirectDraw Application" within a few seconds
# and end with exit code 0 on the close request a window manager sends.
#
#   starts.sh [STARTS]     how many starts; else $E2E_STARTS; else 20
source "${0%/*}/e2e_lib.sh"
starts=${1:-${E2E_STARTS:-20}}
e2e_require "${WINDOW_CLOSE:-window_close}"
load() { echo "$(($(date +%s) - began)) s, load $(cut -d' ' -f1-3 /proc/loadavg)"; }

run=$(e2e_run_folder starts) || exit 1
began=$(date +%s)
for start in $(seq "$starts"); do
    e2e_step "start $start of $starts: X server"
    e2e_start_x 1024x768 >/dev/null
    e2e_step "start $start of $starts"
    e2e_start_game "$run" SDL_AUDIODRIVER=dummy
    window=$(e2e_wait_window 5) || exit 1
    e2e_close "$window" 10
    e2e_stop_x
    [ $((start % 100)) -ne 0 ] || e2e_note "$start starts, $(load)"
done
e2e_note "$starts of $starts starts showed the window and ended with exit code 0 in $(load)"
echo "PASS"
