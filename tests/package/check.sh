#!/usr/bin/env bash
# The Debian package as a player gets it: built (make package) unless one is given, checked
# with lintian, desktop-file-validate and appstreamcli, installed with apt-get, played from an
# empty folder with a fresh HOME on a virtual screen and closed as a window manager does, its
# high-score table looked for in the XDG data folder, then purged, leaving nothing behind.
#
#   tests/package/check.sh [shardfall_VERSION_ARCH.deb]
#
# As root (apt-get installs and purges the package shardfall). PACKAGE_BUILD names the
# package's build folder (build-package); the run's files stay in PACKAGE_BUILD/package-check.
set -uo pipefail
cd "$(dirname "$0")/../.."
source tests/e2e/e2e_lib.sh

PACKAGE_BUILD=${PACKAGE_BUILD:-build-package}
WORK_DIR=$PWD/$PACKAGE_BUILD/package-check
export PATH="$PATH:/usr/games"
export DEBIAN_FRONTEND=noninteractive

# A run that fails after the install purges the package too, so the machine is left as it was.
purge_at_exit=0
package_cleanup() {
    e2e_cleanup
    [ "$purge_at_exit" = 0 ] || apt-get purge -y -q shardfall >/dev/null
}
trap package_cleanup EXIT

[ "$(id -u)" -eq 0 ] || e2e_fail "run as root: the check installs and purges the package"
scripts/install-deps build package || e2e_fail "scripts/install-deps build package failed"

e2e_note "the package"
version=$(dpkg-parsechangelog -l packaging/changelog -S Version)
upstream=${version%-*}
if [ $# -ge 1 ]; then
    deb=$(realpath "$1")
else
    make package || e2e_fail "make package failed"
    deb=$PWD/$PACKAGE_BUILD/shardfall_${version}_$(dpkg --print-architecture).deb
fi
[ -f "$deb" ] || e2e_fail "no package $deb"
rm -rf "$WORK_DIR" && mkdir -p "$WORK_DIR"
echo "$deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'

e2e_step "the package's fields"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] ||
    e2e_fail "the package is version $(dpkg-deb -f "$deb" Version), packaging/changelog $version"
[ "$(dpkg-deb -f "$deb" Section)" = games ] || e2e_fail "the package is not in section games"
# The libraries (found by dpkg-shlibdeps), the music's soundfont and the font of all text.
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libfreetype6 libfontconfig1 timgm6mb-soundfont \
    fonts-dejavu-core; do
    grep -qE "(^|[ ,|])$needed( |,|$)" <<<"$depends" || e2e_fail "Depends lacks $needed: $depends"
done

e2e_step "lintian"
# No error and no warning; the tags the package keeps are in packaging/lintian-overrides, each
# with the reason (not shown: lintian 2.116 counts a tag shown with --show-overrides as not
# overridden).
lintian --allow-root --display-info --fail-on error,warning "$deb" || e2e_fail "lintian complained"

e2e_step "the package's files"
root=$WORK_DIR/root
dpkg-deb -x "$deb" "$root" || e2e_fail "dpkg-deb -x failed"
data=$root/usr/share/games/shardfall
for file in usr/games/shardfall usr/games/shardfall-replay; do
    [ -x "$root/$file" ] || e2e_fail "no program /$file"
    [[ "$(file "$root/$file")" == *", stripped"* ]] || e2e_fail "/$file is not stripped"
done
[ "$(find "$data/Sounds" -name '*.wav' | wc -l)" -eq 5 ] || e2e_fail "not 5 sounds in $data/Sounds"
[ "$(find "$data/music" -name '*.mid' | wc -l)" -eq 4 ] || e2e_fail "not 4 tunes in $data/music"
for size in 16 32 48 64 128 256; do
    icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/shardfall.png
    [[ "$(file "$icon")" == *"PNG image data, $size x $size,"* ]] || e2e_fail "no $size-pixel icon"
done
for file in usr/share/games/shardfall/dx000.bmp usr/share/man/man6/shardfall.6.gz usr/share/man/man6/shardfall-replay.6.gz \
    usr/share/doc/shardfall/copyright usr/share/doc/shardfall/changelog.Debian.gz; do
    [ -f "$root/$file" ] || e2e_fail "no /$file"
done

e2e_step "desktop entry and AppStream metadata"
desktop-file-validate "$root/usr/share/applications/shardfall.desktop" ||
    e2e_fail "desktop-file-validate complained"
metainfo=$(find "$root/usr/share/metainfo" -name '*.metainfo.xml')
[ "$(wc -l <<<"$metainfo")" -eq 1 ] || e2e_fail "not one metainfo file: $metainfo"
appstreamcli validate --no-net --pedantic "$metainfo" || e2e_fail "appstreamcli validate failed"
appstreamcli validate-tree --no-net --pedantic "$root" || e2e_fail "appstreamcli validate-tree failed"
grep -q "<release version=\"$upstream\"" "$metainfo" ||
    e2e_fail "the metainfo names no release $upstream, the changelog's newest"

e2e_note "apt-get install"
# A package of an earlier run is purged first: apt-get does not install the same version again.
installed_now() { [[ "$(dpkg-query -W -f='${Status}' shardfall 2>/dev/null)" == *"ok installed" ]]; }
! installed_now || apt-get purge -y -q shardfall || e2e_fail "could not purge the earlier shardfall"
purge_at_exit=1
apt-get install -y -q "$deb" || e2e_fail "apt-get install $deb failed"
installed=$(dpkg-query -L shardfall) || e2e_fail "dpkg knows no shardfall after the install"
[ "$(command -v shardfall)" = /usr/games/shardfall ] ||
    e2e_fail "shardfall is not /usr/games/shardfall on the PATH"

# A new player: a HOME of its own with the XDG defaults, and an empty folder to start in that
# stays empty: the game reads its data from the install, keeps its table in the data folder.
home=$WORK_DIR/home empty=$WORK_DIR/empty
mkdir -p "$home" "$empty"
unset XDG_DATA_HOME XDG_CONFIG_HOME XDG_STATE_HOME XDG_CACHE_HOME
as_player() { (cd "$empty" && HOME="$home" "$@"); }

e2e_step "shardfall --help and --version"
help=$(as_player shardfall --help) || e2e_fail "shardfall --help failed"
grep -q -- "--record" <<<"$help" || e2e_fail "shardfall --help names no --record: $help"
shown=$(as_player shardfall --version) || e2e_fail "shardfall --version failed"
grep -qF "$upstream" <<<"$shown" ||
    e2e_fail "shardfall --version says '$shown', the package is $upstream"

e2e_step "play the installed game"
[ -x "${WINDOW_CLOSE:-}" ] || {
    cmake --build "$PACKAGE_BUILD" --target window_close well_check -j "$(nproc)" >/dev/null ||
        e2e_fail "could not build window_close and well_check"
    WINDOW_CLOSE=$PWD/$PACKAGE_BUILD/tests/e2e/window_close/window_close
}
WELL_CHECK=${WELL_CHECK:-$PWD/$PACKAGE_BUILD/tests/e2e/well_check/well_check}
GAME=/usr/games/shardfall
[ -z "$(ls -A "$empty")" ] || e2e_fail "--help or --version wrote into the folder: $(ls -A "$empty")"
# A 5:4 screen, where the score panel stands closest to the well's right wall: the well check
# below finds any of its letters on the wall.
e2e_start_x 1280x1024
(cd "$empty" && exec env HOME="$home" SHARDFALL_STATS=1 SDL_AUDIODRIVER=dummy "$GAME" \
    >"$WORK_DIR/game.out" 2>"$WORK_DIR/game.err") &
E2E_GAME_PID=$!
window=$(e2e_wait_window 20) || exit 1
e2e_wait_line "$WORK_DIR/game.err" "active=1"

e2e_step "the installed background on the screen"
# The 256 x 256 picture is stretched 5 times across and 4 times down; these places are clear of
# the well and the texts. On a busy machine the first frames may take a while.
rgb() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)] %[fx:int(255*p{$2,$3}.g+0.5)] %[fx:int(255*p{$2,$3}.b+0.5)]" info:; }
places=("64 150" "192 330" "1000 520" "1150 300")
bmp=/usr/share/games/shardfall/dx000.bmp
for p in "${places[@]}"; do echo "$(rgb $bmp $((${p% *} / 5)) $((${p#* } / 4)))"; done |
    awk '{ light += $1 + $2 + $3 } END { exit !(light > 60) }' ||
    e2e_fail "dx000.bmp is all but black at the places looked at"
background_shown() {
    e2e_screenshot "$WORK_DIR/background.png"
    wrong=""
    for place in "${places[@]}"; do
        read -r x y <<<"$place"
        want=$(rgb $bmp $((x / 5)) $((y / 4))) got=$(rgb "$WORK_DIR/background.png" "$x" "$y")
        [ "$got" = "$want" ] || wrong+=" ($x,$y) $got instead of $want;"
    done
    [ -z "$wrong" ]
}
e2e_poll 10 background_shown || e2e_fail "the screen does not show the installed dx000.bmp:$wrong"

e2e_step "play"
e2e_play_and_check_well
xdotool key Up && sleep 0.5 && xdotool key Left && sleep 1

e2e_step "close"
window=$(e2e_wait_window 5) || exit 1
e2e_close "$window"
e2e_stop_x
e2e_expect_records "$home/.local/share/shardfall"
[ -z "$(ls -A "$empty")" ] || e2e_fail "the game wrote into the folder it started in: $(ls -A "$empty")"

e2e_note "apt-get purge"
apt-get purge -y -q shardfall || e2e_fail "apt-get purge shardfall failed"
purge_at_exit=0
! installed_now || e2e_fail "shardfall is still installed"
# Every file of the package is gone, and every folder it brought that no other package owns.
left=()
while IFS= read -r path; do
    [ "$path" = /. ] && continue
    if [ -d "$path" ] && [ ! -L "$path" ]; then
        dpkg-query -S "$path" >/dev/null 2>&1 || left+=("$path/")
    elif [ -e "$path" ] || [ -L "$path" ]; then
        left+=("$path")
    fi
done <<<"$installed"
[ ${#left[@]} -eq 0 ] || e2e_fail "left behind after the purge: ${left[*]}"

echo "package check: passed ($(wc -l <<<"$installed") paths installed and purged; lintian," \
    "desktop-file-validate and appstreamcli satisfied; the installed game played and closed)"
