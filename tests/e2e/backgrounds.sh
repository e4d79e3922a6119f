#!/usr/bin/env bash
# The real game on a virtual 1024 × 768 screen with background pictures as ImageMagick writes
# them: 24 and 32 bits behind a 124-byte header, RGB565, an 8-bit palette, and a 1920 × 1080
# picture, of which the bottom-left 256 × 256 corner is shown. Each picture is 8 × 8 blocks of
# exact colours; sample places of the screenshot, clear of the well and the texts, must show
# the block the stretched background puts there.
source "${0%/*}/e2e_lib.sh"
e2e_require
[ -x "${WINDOW_CLOSE:-}" ] || e2e_fail "no window_close tool (libx11-dev missing at build time?)"

# Seven colours exact at every depth, 5-6-5 included, and none of them black.
COLOURS=(white red lime blue yellow cyan magenta)
COLOUR_RGB=(255,255,255 255,0,0 0,255,0 0,0,255 255,255,0 0,255,255 255,0,255)
block_of() { echo $((($1 * 3 + $2 * $2) % 7)); }

# The 256 × 256 picture; its top eight rows hold forty more colours (never looked at), so that
# ImageMagick needs 8 bits for its palette.
draw=()
for by in $(seq 0 7); do
    for bx in $(seq 0 7); do
        draw+=(-fill "${COLOURS[$(block_of "$bx" "$by")]}"
               -draw "rectangle $((bx * 32)),$((by * 32)) $((bx * 32 + 31)),$((by * 32 + 31))")
    done
done
for i in $(seq 0 39); do
    draw+=(-fill "rgb($((i * 5 + 10)),$((i * 3 + 20)),100)"
           -draw "rectangle $((i * 6)),0 $((i * 6 + 5)),7")
done
convert -size 256x256 xc:black "${draw[@]}" "$WORK_DIR/blocks.png" || e2e_fail "convert failed"
# The large one: grey everywhere but its bottom-left corner, the part StretchDIBits takes.
convert -size 1920x1080 xc:gray50 "$WORK_DIR/blocks.png" -geometry +0+824 -composite \
    "$WORK_DIR/large.png" || e2e_fail "convert failed"

e2e_start_x 1024x768

# name, source, ImageMagick options
pictures=(
    "truecolor-24|blocks.png|-type TrueColor"
    "truecolor-32|blocks.png|-type TrueColorAlpha"
    "rgb565|blocks.png|-type TrueColor -define bmp:subtype=RGB565"
    "palette-8|blocks.png|-type Palette -compress none"
    "large-1920x1080|large.png|-type TrueColor"
)
for entry in "${pictures[@]}"; do
    IFS='|' read -r name source options <<<"$entry"
    e2e_note "$name"
    run=$(e2e_run_folder "$name") || exit 1
    # shellcheck disable=SC2086  # the options are words
    convert "$WORK_DIR/$source" $options "$run/dx000.bmp" || e2e_fail "convert $name failed"
    e2e_start_game "$run" SDL_AUDIODRIVER=dummy
    e2e_wait_window 20 >/dev/null || exit 1
    e2e_wait_line "$run/game.err" "active=1"
    # Left of the well and right of it below the score panel: the 256 × 256 background is
    # stretched 4 times across and 3 times down. On a busy machine the first frames may take a
    # while to reach the screen: looked at again for up to ten seconds.
    shot="$WORK_DIR/$name.png"
    for _ in $(seq 20); do
        sleep 0.5
        e2e_screenshot "$shot"
        wrong=""
        for x in 64 192 800 960; do
            for y in 150 330 520 700; do
                want=${COLOUR_RGB[$(block_of $((x / 4 / 32)) $((y / 3 / 32)))]}
                got=$(convert "$shot" -format "%[fx:int(255*p{$x,$y}.r+0.5)],%[fx:int(255*p{$x,$y}.g+0.5)],%[fx:int(255*p{$x,$y}.b+0.5)]" info:)
                [ "$got" = "$want" ] || wrong+=" ($x,$y) $got instead of $want;"
            done
        done
        [ -z "$wrong" ] && break
    done
    [ -z "$wrong" ] || e2e_fail "$name: the screen shows another picture:$wrong"
    # Looked up again: the id found at the start can be a window that was gone by now.
    window=$(e2e_wait_window 5) || exit 1
    "$WINDOW_CLOSE" "$window" || e2e_fail "could not send the close request"
    e2e_expect_exit 0
    lines=$(grep -c "background picture" "$run/game.err")
    case "$name" in
        large-*)
            [ "$lines" -eq 1 ] && grep -q "only its bottom-left corner of 256 x 256" "$run/game.err" ||
                e2e_fail "$name: no one line about the corner shown: $(cat "$run/game.err")" ;;
        *) [ "$lines" -eq 0 ] || e2e_fail "$name: $(grep "background picture" "$run/game.err")" ;;
    esac
    e2e_note "16 places show their blocks"
done
