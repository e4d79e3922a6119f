#!/bin/sh
# Fails when a source file includes from a layer it must not reach:
#   game/, scores/, audio/  the model: only each other and the portable platform pieces
#                           (random, atomic_file, audio_device, millisecond_clock); never
#                           render/, a platform's window code or SDL
#   platform/ (not sdl/)    only platform/
#   render/                 the model and platform/, never platform/sdl/, platform/win32/ or SDL
#   anything but app/ and platform/sdl/: no SDL header
#   anything but platform/win32/: no Windows header (windows.h, ddraw.h, mmsystem.h, ...)
# Usage: include_check.sh [SOURCE_DIR]
root=${1:-$(dirname "$0")/..}
cd "$root/src" || exit 2
status=0

# Prints the includes of the files under FOLDERS that do not match ALLOWED (a grep -E pattern
# of the quoted paths that are fine).
offending() {
    allowed=$1
    shift
    find "$@" -name '*.h' -o -name '*.cpp' | sort | while read -r file; do
        grep -Hn '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
            grep -Ev "#[[:space:]]*include[[:space:]]*\"($allowed)" || true
    done
}

report() {
    if [ -n "$2" ]; then
        printf '%s\n%s\n' "$1" "$2"
        status=1
    fi
}

model_ok='game/|scores/|audio/|platform/(random|atomic_file|audio_device|millisecond_clock)\.h'
report "the model includes beyond itself:" "$(offending "$model_ok" game scores audio)"
report "platform/ includes beyond itself:" \
    "$(find platform -path platform/sdl -prune -o \( -name '*.h' -o -name '*.cpp' \) -print |
        xargs grep -Hn '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' |
        grep -Ev '#[[:space:]]*include[[:space:]]*"platform/' |
        grep -Ev 'platform/(sdl|win32)/' || true)"
render_ok='render/|game/|scores/|platform/'
report "render/ includes beyond the model and platform/:" \
    "$(offending "$render_ok" render; grep -rHn '#[[:space:]]*include[[:space:]]*"platform/\(sdl\|win32\)/' render || true)"
report "SDL included outside app/ and platform/sdl/:" \
    "$(grep -rHn '#[[:space:]]*include[[:space:]]*[<"]SDL' . | grep -Ev '^\./(app|platform/sdl)/' || true)"

report "Windows headers included outside platform/win32/:" \
    "$(grep -rHniE '#[[:space:]]*include[[:space:]]*<(windows|ddraw|mmsystem|wingdi|winuser|winbase|objbase)\.h>' . |
        grep -Ev '^\./platform/win32/' || true)"

[ $status -eq 0 ] && echo "include check: every layer includes only what lies below it"
exit $status
