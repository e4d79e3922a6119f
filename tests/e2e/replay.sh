#!/usr/bin/env bash
# Records a game played on a virtual 1024 × 768 screen (shardfall --record, keys sent with
# xdotool: moves, turns, drops, a pause, S and E, the focus away and back), then plays the
# recording without a window: it must end in the digest the game had when it was closed. As the
# README has it, the game is started from a folder without its files (the repository's top)
# with a relative file name: the recording lands there, the table in the per-user folder.
source "${0%/*}/e2e_lib.sh"
e2e_require
[ -x "${WINDOW_CLOSE:-}" ] || e2e_fail "no window_close tool (libx11-dev missing at build time?)"
[ -x "${REPLAY:-}" ] || e2e_fail "no shardfall-replay at ${REPLAY:-}"

e2e_start_x 1024x768
run="$WORK_DIR/start"
rm -rf "$run" "$WORK_DIR/data" && mkdir -p "$run"
E2E_GAME_ARGS=(--record game.sfr)
e2e_start_game "$run" SDL_AUDIODRIVER=dummy XDG_DATA_HOME="$WORK_DIR/data"
window=$(e2e_wait_window 20) || exit 1
e2e_wait_line "$run/game.err" "active=1"

xdotool key Up
xdotool keydown Left && sleep 0.3 && xdotool keyup Left
xdotool key Pause && sleep 0.3 && xdotool key Pause
xdotool keydown Down && sleep 1.2 && xdotool keyup Down
xdotool key s e Up Up
root=$(xdotool search --maxdepth 0 --name "" | head -n1)
xdotool windowfocus "$root"
e2e_wait_line "$run/game.err" "active=0"
sleep 0.3
xdotool windowfocus "$window"
e2e_wait_line "$run/game.err" "active=1 frames=[1-9]"
xdotool keydown Right && sleep 0.5 && xdotool keyup Right
xdotool keydown Down && sleep 2 && xdotool keyup Down
sleep 0.5

"$WINDOW_CLOSE" "$window" || e2e_fail "could not send the close request"
e2e_expect_exit 0
recorded=$(grep -oE 'replay: [0-9]+ frames recorded in [^ ]*game.sfr, digest [0-9a-f]{16}' "$run/game.err") ||
    e2e_fail "the game did not say what it recorded: $(cat "$run/game.err")"
frames=$(echo "$recorded" | cut -d' ' -f2)
digest=$(echo "$recorded" | awk '{ print $NF }')
e2e_note "recorded $frames frames, $(stat -c %s "$run/game.sfr") bytes, digest $digest"
e2e_at_least "$frames" 300 || e2e_fail "only $frames frames were recorded"

"$REPLAY" "$run/game.sfr" >"$WORK_DIR/replay.out" 2>&1 ||
    e2e_fail "the replay differs: $(cat "$WORK_DIR/replay.out")"
played=$(grep -E '^end ' "$WORK_DIR/replay.out") || e2e_fail "the player printed no end"
[ "$(echo "$played" | cut -d' ' -f2,4)" = "$frames $digest" ] ||
    e2e_fail "played '$played', recorded $frames frames with digest $digest"
grep -q "the recording's own final digest matches" "$WORK_DIR/replay.out" ||
    e2e_fail "the player did not check the recording's digest"
echo "PASS"
