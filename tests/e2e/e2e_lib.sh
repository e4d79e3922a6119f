# Shared steps of the end-to-end runs: a virtual X server, the real game in a folder of its
# own, waiting for its window, screenshots, and a clean end whatever happens. Sourced by the
# run scripts, which CTest starts with GAME, ASSETS, WELL_CHECK, WINDOW_CLOSE (the tool that
# sends a window the close request; may be empty) and WORK_DIR (this run's files, emptied first
# and kept afterwards for a look) set.
set -uo pipefail

readonly WINDOW_TITLE="DirectDraw Application"
E2E_XVFB_PID="" E2E_GAME_PID="" E2E_STEP="start"

# Names the step that runs now, so that a failure can say where it happened.
e2e_step() { E2E_STEP=$*; }

# What the screen and the game were doing: a screenshot, the window tree, the game's stacks.
e2e_diagnose() {
    if [ -n "$E2E_XVFB_PID" ] && kill -0 "$E2E_XVFB_PID" 2>/dev/null; then
        local shot="$WORK_DIR/failure-$$.png"
        xwd -root -silent 2>/dev/null | convert xwd:- "$shot" 2>/dev/null && echo "screen: $shot"
        timeout 10 xwininfo -root -tree 2>&1 | sed 's/^/  /'
    fi
    # The subshell that started the game exec'd it, so the pid is the game's own.
    if [ -n "$E2E_GAME_PID" ] && kill -0 "$E2E_GAME_PID" 2>/dev/null &&
        command -v gdb >/dev/null; then
        timeout 60 gdb -batch -nx -p "$E2E_GAME_PID" -ex "thread apply all bt 20" 2>&1 |
            grep -E '^(Thread|#)' | sed 's/^/  /'
    fi
}

e2e_fail() {
    { echo "FAIL at step '$E2E_STEP': $*" && e2e_diagnose; } >&2
    exit 1
}

# A heading of the run's output, which also names the step that follows.
e2e_note() { E2E_STEP=$* && echo "-- $*"; }

e2e_cleanup() { [ -z "$E2E_GAME_PID" ] || kill -KILL "$E2E_GAME_PID" 2>/dev/null; e2e_stop_x; }
trap e2e_cleanup EXIT
trap 'exit 130' INT TERM

# Fails, saying why, when the tools it drives are not installed (make test installs them). The
# arguments name more tools: commands, or paths such as "${WINDOW_CLOSE:-window_close}".
e2e_require() {
    local missing=() tool
    for tool in Xvfb xdotool xwd convert compare timeout "$@"; do
        command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
    done
    [ ${#missing[@]} -eq 0 ] ||
        e2e_fail "missing ${missing[*]} (scripts/install-deps e2e or windows installs them)"
    [ -x "$GAME" ] || e2e_fail "no game binary at $GAME"
    [ -f "$ASSETS/dx000.bmp" ] || e2e_fail "no generated assets in $ASSETS"
    rm -rf "$WORK_DIR" && mkdir -p "$WORK_DIR"
}

# Evaluates the command (a string, so that it may hold ! and pipes) every tenth of a second
# until it succeeds, for up to the given seconds. The string sees the caller's variables,
# not its arguments.
e2e_poll() {
    local tries=$(($1 * 10))
    until eval "$2"; do
        ((--tries > 0)) || return 1
        sleep 0.1
    done
}

# Starts a virtual X server of the given size (e.g. 1024x768) on a display number it picks
# itself, and points DISPLAY at it.
e2e_start_x() {
    local numberFile="$WORK_DIR/display-number"
    : >"$numberFile"
    # -noreset: a desktop's X server never starts over between two programs, but Xvfb does when
    # its last client leaves, and a game connecting meanwhile can find no display.
    Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp -noreset 3>"$numberFile" \
        >"$WORK_DIR/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    e2e_poll 10 '[ -s "$numberFile" ] || ! kill -0 "$E2E_XVFB_PID" 2>/dev/null'
    [ -s "$numberFile" ] ||
        e2e_fail "Xvfb gave no display number within 10 s: $(cat "$WORK_DIR/xvfb.log")"
    export DISPLAY=":$(head -n1 "$numberFile")"
    e2e_note "Xvfb on $DISPLAY at $1"
}

e2e_stop_x() {
    [ -z "$E2E_XVFB_PID" ] || { kill -TERM "$E2E_XVFB_PID" && wait "$E2E_XVFB_PID"; } 2>/dev/null
    E2E_XVFB_PID=""
}

# A fresh run folder holding the generated assets, as `make run` prepares it.
e2e_run_folder() {
    local dir="$WORK_DIR/$1"
    rm -rf "$dir" && mkdir -p "$dir" && cp -r "$ASSETS/." "$dir/" && echo "$dir"
}

# Starts the game in the given folder with its stats on, output to game.out and game.err there
# and VAR=value arguments added to its environment; its config file is the one in
# $WORK_DIR/config, never the player's own. E2E_GAME_ARGS holds its arguments; a command in
# E2E_RUN_AS (e.g. one that changes the user) runs it.
E2E_RUN_AS=() E2E_GAME_ARGS=()
e2e_start_game() {
    local dir=$1
    shift
    (cd "$dir" && exec ${E2E_RUN_AS[@]+"${E2E_RUN_AS[@]}"} env SHARDFALL_STATS=1 \
        XDG_CONFIG_HOME="$WORK_DIR/config" "$@" "$GAME" \
        ${E2E_GAME_ARGS[@]+"${E2E_GAME_ARGS[@]}"} >game.out 2>game.err) &
    E2E_GAME_PID=$!
}

# e2e_start_game, then waits for the window (its id in E2E_WINDOW) and the game's focus.
e2e_start_play() {
    e2e_start_game "$@"
    E2E_WINDOW=$(e2e_wait_window 20) || exit 1
    e2e_wait_line "$1/game.err" "active=1"
}

# Prints the id of the game's window once it is shown, waiting up to the given seconds.
e2e_wait_window() {
    local seconds=${1:-20} id
    id=$(timeout "$seconds" xdotool search --sync --onlyvisible --name "$WINDOW_TITLE" | head -n1)
    [ -n "$id" ] || e2e_fail "no visible window named '$WINDOW_TITLE' within $seconds s"
    echo "$id"
}

# Waits until the file holds a line matching the pattern, up to the given seconds.
e2e_wait_line() {
    local file=$1 pattern=$2 seconds=${3:-10}
    e2e_poll "$seconds" 'grep -qE "$pattern" "$file" 2>/dev/null' ||
        e2e_fail "no line matching '$pattern' in $file within $seconds s"
}

# Waits for the game to end by itself and checks its exit code.
e2e_expect_exit() {
    local expected=$1 seconds=${2:-15} code=0
    e2e_poll "$seconds" '! kill -0 "$E2E_GAME_PID" 2>/dev/null' ||
        e2e_fail "the game was still running $seconds s after it was asked to close"
    wait "$E2E_GAME_PID" || code=$?
    E2E_GAME_PID=""
    [ "$code" -eq "$expected" ] || e2e_fail "the game exited with $code, expected $expected"
}

# Sends the window a window manager's close request; the game must end with exit code 0.
e2e_close() {
    "$WINDOW_CLOSE" "$1" || e2e_fail "could not send the close request to window $1"
    e2e_expect_exit 0 "${2:-15}"
}

# The high-score table the game leaves in the given folder: 308 bytes.
e2e_expect_records() {
    local size
    size=$(stat -c %s "$1/records.dat" 2>/dev/null || echo no)
    [ "$size" = 308 ] || e2e_fail "records.dat in $1 holds $size bytes, not 308"
}

e2e_hold() { xdotool keydown "$1" && sleep "$2" && xdotool keyup "$1"; }

# Plays the first pieces: turns the first one, moves it left, drops it and the next ones fast,
# then lets the current piece fall slowly; releasing S adds 100 points. Then the well check
# must find the well's frame pixel for pixel and at least four blocks at rest in it, on the
# whole screen or in the window whose id is given (cut to the geometry WxH+X+Y when given).
e2e_play_and_check_well() {
    xdotool key Up && e2e_hold Left 0.2 && e2e_hold Down 1.6 && xdotool key s && sleep 0.3
    e2e_screenshot "$WORK_DIR/play.png" "${1:-}" "${2:-}"
    "$WELL_CHECK" "$WORK_DIR/play.png" 4 || e2e_fail "the well is not on the screen as the game draws it"
}

# The recording of a game whose config file gave Left's job to A, after Left held and then Left
# and A pressed. Its events, past the 324 bytes of header and records.dat and before the final
# digest's 80: a key press is 0x81 and the code, 37 (0x25) for Left, 65 (0x41) for A. A did
# Left's job once, and the Left key itself none.
e2e_expect_a_did_left() {
    local keys
    keys=" $(tail -c +325 "$1" | head -c -80 | od -An -v -tx1 | tr -s ' \n' '  ') "
    [[ "$keys" == *" 81 25 "* && "$keys" != *" 81 41 "* && "$keys" != *" 81 25 "*" 81 25 "* ]] ||
        e2e_fail "A did not do Left's job alone: $keys"
}

# A screenshot of the whole screen, or of the window whose id is given, cut to the geometry
# WxH+X+Y when given.
e2e_screenshot() {
    local of=(-root)
    [ -n "${2:-}" ] && of=(-id "$2")
    xwd "${of[@]}" -silent | convert xwd:- ${3:+-crop "$3" +repage} "$1" || e2e_fail "screenshot $1 failed"
}

# Number of pixels in which two pictures differ.
e2e_pixels_differing() { compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1; }

# e2e_expect_screen still|moving NAME OF COMMAND...: screenshots NAME-1.png and NAME-2.png
# of the screen (or of the window OF) before and after the command must differ or not.
e2e_expect_screen() {
    local want=$1 name=$2 shot=$WORK_DIR/$2 of=$3 differing
    shift 3
    e2e_screenshot "$shot-1.png" "$of"
    "$@"
    e2e_screenshot "$shot-2.png" "$of"
    differing=$(e2e_pixels_differing "$shot-1.png" "$shot-2.png")
    [[ $want/$differing =~ ^(still/0|moving/[1-9][0-9]*)$ ]] ||
        e2e_fail "$name: $differing pixels changed during '$*', the screen should be $want"
}

# A value from the game's stats lines, e.g. e2e_stat game.err ticks. Read as text whatever else
# the file holds: grep -o finds nothing at all in a file with a NUL byte anywhere in it.
e2e_stat() { grep -aoE "(^| )$2=[^ ]+" "$1" | tail -n1 | cut -d= -f2; }

# True when the decimal number $1 is at least $2.
e2e_at_least() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a + 0 >= b + 0) }'; }
