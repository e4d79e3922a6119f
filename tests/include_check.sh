#!/bin/sh
# Fails when a source file includes from a layer it must not reach. Each folder of src/ may
# include itself and the folders listed for it below, nothing above:
#   sys/                     itself only
#   scores/, audio/          sys/
#   game/                    scores/, audio/, sys/        (the model: it never draws)
#   gfx/                     itself only (the drawing interface)
#   gfx/software/            gfx/, sys/
#   formats/                 gfx/'s plain types, sys/
#   render/                  the model, gfx/, formats/, sys/: never gfx/software/ or a host
#   replay/                  the model
#   app/                     everything above, no host
#   host/*/                  anything but another host (headless, sdl, win32)
# and only host/sdl/ includes SDL, only host/win32/ and *_win32.cpp files a Windows header.
# Usage: include_check.sh [SOURCE_DIR]
root=${1:-$(dirname "$0")/..}
cd "$root/src" || exit 2
status=0

model='game/|scores/|audio/|sys/'
allowed_for() {
    case $1 in
        sys) echo 'sys/' ;;
        scores | audio) echo "$1/|sys/" ;;
        game) echo "$model" ;;
        gfx) echo 'gfx/[a-z_]+\.h' ;;
        gfx/software) echo 'gfx/|sys/' ;;
        formats) echo 'formats/|gfx/[a-z_]+\.h|sys/' ;;
        render) echo "render/|$model|gfx/[a-z_]+\.h|formats/" ;;
        replay) echo "replay/|$model" ;;
        app) echo "app/|render/|replay/|$model|gfx/|formats/" ;;
        host/headless) echo 'host/headless/|app/|render/|replay/|game/|scores/|audio/|sys/|gfx/|formats/' ;;
        host/sdl) echo 'host/sdl/|app/|render/|replay/|game/|scores/|audio/|sys/|gfx/|formats/' ;;
        host/win32) echo 'host/win32/|app/|render/|replay/|game/|scores/|audio/|sys/|gfx/|formats/' ;;
        *) echo "unknown" ;;
    esac
}

# Every folder holding sources must be a layer named above.
for folder in $(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||; s|/[^/]*$||' | sort -u); do
    allowed=$(allowed_for "$folder")
    if [ "$allowed" = unknown ]; then
        echo "src/$folder is not a layer this check knows: add it to tests/include_check.sh"
        status=1
        continue
    fi
    found=$(find "$folder" -maxdepth 1 \( -name '*.h' -o -name '*.cpp' \) | sort |
        xargs grep -Hn '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' |
        grep -Ev "#[[:space:]]*include[[:space:]]*\"($allowed)" || true)
    if [ -n "$found" ]; then
        printf '%s includes beyond what lies below it:\n%s\n' "src/$folder" "$found"
        status=1
    fi
done

sdl=$(grep -rHn '#[[:space:]]*include[[:space:]]*[<"]SDL' . | grep -Ev '^\./host/sdl/' || true)
if [ -n "$sdl" ]; then
    printf 'SDL included outside host/sdl/:\n%s\n' "$sdl"
    status=1
fi
windows=$(grep -rHniE '#[[:space:]]*include[[:space:]]*<(windows|ddraw|mmsystem|wingdi|winuser|winbase|objbase)\.h>' . |
    grep -Ev '^\./host/win32/|^\./[a-z_/]*_win32\.cpp:' || true)
if [ -n "$windows" ]; then
    printf 'Windows headers included outside host/win32/ and *_win32.cpp:\n%s\n' "$windows"
    status=1
fi

[ $status -eq 0 ] && echo "include check: every layer includes only what lies below it"
exit $status
