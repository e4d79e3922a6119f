#!/usr/bin/env bash
# Measures the real game on a virtual screen: runs it for a while without input and prints its
# own stats (ticks, frames shown and left out, composing and presenting time, time to the first
# frame, CPU) with the CPU time of each of its threads and of the X server, and its resident
# memory. Not a test; run it by hand:
#
#   tools/dev/measure.sh 1920x1080 30 [VAR=value ...]
#
# GAME and ASSETS default to the build folder's; extra VAR=value pairs go to the game's
# environment (SDL_VIDEODRIVER=dummy takes presentation out; that driver's screen is 1024x768).
# It uses the end-to-end runs' helpers for the virtual screen and the game.
source "${0%/*}/../../tests/e2e/e2e_lib.sh"
size=${1:?usage: measure.sh WIDTHxHEIGHT SECONDS [VAR=value ...]}
seconds=${2:?usage: measure.sh WIDTHxHEIGHT SECONDS [VAR=value ...]}
shift 2
root=$(cd "${0%/*}/../.." && pwd)
GAME=${GAME:-$root/build/shardfall}
ASSETS=${ASSETS:-$root/build/assets}
WORK_DIR=${WORK_DIR:-$(mktemp -d /tmp/shardfall-measure.XXXXXX)}
e2e_require

# User plus system CPU seconds of one /proc stat file: its fields 14 and 15, counted from the
# state field that follows the parenthesised name as field 3.
cpu_of() {
    local stat
    stat=$(cat "$1" 2>/dev/null) || return
    awk -v ticks="$(getconf CLK_TCK)" '{ print ($12 + $13) / ticks }' <<<"${stat##*) }"
}

# Busy and total CPU time of the whole machine so far, in clock ticks.
machine_cpu() {
    awk '/^cpu / { print $2 + $3 + $4 + $7 + $8 + $9, $2 + $3 + $4 + $5 + $6 + $7 + $8 + $9 }' /proc/stat
}

e2e_start_x "$size"
dir=$(e2e_run_folder run) || exit 1
e2e_start_game "$dir" SDL_AUDIODRIVER=dummy "$@"
e2e_wait_line "$dir/game.err" "active=1" 20
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
xvfbBefore=$(cpu_of "/proc/$E2E_XVFB_PID/stat")
gameBefore=$(cpu_of "/proc/$E2E_GAME_PID/stat")
read -r busyBefore totalBefore <<<"$(machine_cpu)"
sleep "$seconds"
read -r busyAfter totalAfter <<<"$(machine_cpu)"
gameAfter=$(cpu_of "/proc/$E2E_GAME_PID/stat")
echo "resident memory: $(awk '/^VmRSS/ { now = $2 } /^VmHWM/ { peak = $2 }
    END { printf "%.1f MB, at most %.1f MB", now / 1024, peak / 1024 }' "/proc/$E2E_GAME_PID/status")"

echo "threads (CPU seconds over the whole run):"
for task in /proc/"$E2E_GAME_PID"/task/*; do
    printf '  %-16s %6.2f\n' "$(cat "$task/comm")" "$(cpu_of "$task/stat")"
done | sort -k2 -nr
xvfbAfter=$(cpu_of "/proc/$E2E_XVFB_PID/stat")
echo "X server: $(awk -v a="$xvfbBefore" -v b="$xvfbAfter" -v s="$seconds" \
    'BEGIN { printf "%.2f s, %.1f %% of one core", b - a, 100 * (b - a) / s }')"
cores=$(nproc)
# What the rest of the machine used meanwhile, in cores: its busy time less the game's and the
# X server's.
awk -v b="$((busyAfter - busyBefore))" -v t="$((totalAfter - totalBefore))" -v n="$cores" \
    -v g="$(awk -v a="$gameBefore" -v b="$gameAfter" 'BEGIN { print b - a }')" \
    -v x="$(awk -v a="$xvfbBefore" -v b="$xvfbAfter" 'BEGIN { print b - a }')" \
    -v s="$seconds" 'BEGIN {
        used = n * b / t * s
        printf "the game, over the measured %d s: %.2f s CPU, %.1f %% of one core\n", s, g, 100 * g / s
        printf "other processes meanwhile: %.2f of %d cores\n", (used - g - x) / s, n
    }'
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
kill -TERM "$E2E_GAME_PID"
e2e_expect_exit 0
grep '^stats [a-z]' "$dir/game.err" | grep -v 'at_s='
