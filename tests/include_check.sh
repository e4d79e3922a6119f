#!/bin/sh
# Fails when a source file includes from a layer it must not reach: each folder of src/ may
# include the folders allowed_for lists (the model game/, scores/, audio/ and sys/ never draws;
# render/ never reaches gfx/software/ or a host; a host never another host), and only host/sdl/
# includes SDL, only host/win32/ and *_win32.cpp files a Windows header.
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
        host/headless | host/sdl | host/win32) echo "$1/|$(allowed_for app)" ;;
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

# Lists the includes matching $1 (named $3) outside the files matching $2 (named $4), and fails.
only_in() {
    local found
    found=$(grep -rHniE "#[[:space:]]*include[[:space:]]*$1" . | grep -Ev "$2")
    [ -z "$found" ] || { printf '%s included outside %s:\n%s\n' "$3" "$4" "$found" && status=1; }
}
only_in '[<"]SDL' '^\./host/sdl/' SDL host/sdl/
only_in '<(windows|ddraw|mmsystem|wingdi|winuser|winbase|objbase)\.h>' \
    '^\./host/win32/|^\./[a-z_/]*_win32\.cpp:' 'Windows headers' 'host/win32/ and *_win32.cpp'

[ $status -eq 0 ] && echo "include check: every layer includes only what lies below it"
exit $status
