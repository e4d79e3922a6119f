#!/usr/bin/env bash
# Runs `make test` RUNS times in a row, each time in a fresh clone of this repository's HEAD
# inside its own mode-0700 mktemp folder (as a home folder or a fresh `mktemp -d` is); the last
# BUSY runs with two spinning processes keeping both cores busy from the clone to the end.
# Stops at the first failure and keeps that clone; the logs are in $REPEAT_LOGS.
#
#   tests/repeat.sh [RUNS [BUSY]]      (default 30 runs, the last 10 busy)
#
# When ccache is installed the builds share its cache (in $REPEAT_LOGS/ccache), so a run takes
# about two minutes instead of six: each still configures, builds, links and runs the whole suite.
set -u
runs=${1:-30} busy=${2:-10}
source=$(git -C "$(dirname "$0")" rev-parse --show-toplevel) || exit 2
logs=${REPEAT_LOGS:-/tmp/shardfall-repeat}
mkdir -p "$logs"
flags=()
if command -v ccache > /dev/null; then
    export CCACHE_DIR=$logs/ccache CCACHE_BASEDIR=${TMPDIR:-/tmp} CCACHE_NOHASHDIR=1
    flags=(CMAKE_FLAGS="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache")
fi
# Background loops ignore the terminal's Ctrl-C: they are stopped on any way out.
spinners=()
trap '((${#spinners[@]})) && kill "${spinners[@]}" 2> /dev/null' EXIT
trap 'exit 130' INT TERM
for i in $(seq 1 "$runs"); do
    spinners=()
    if ((i > runs - busy)); then
        for _ in 1 2; do (while :; do :; done) & spinners+=($!); done
    fi
    start=$(date +%s)
    top=$(mktemp -d)
    git clone -q "$source" "$top/clone"
    (cd "$top/clone" && make test "${flags[@]}") > "$logs/run-$i.log" 2>&1
    status=$?
    ((${#spinners[@]})) && kill "${spinners[@]}" && wait "${spinners[@]}" 2> /dev/null
    echo "run $i of $runs, $(git -C "$top/clone" rev-parse --short HEAD) in a mode-$(stat -c %a "$top")" \
        "folder, $( ((${#spinners[@]})) && echo "both cores busy" || echo "no other load"):" \
        "$( ((status)) && echo FAILED || echo passed) in $(($(date +%s) - start)) s;" \
        "$(grep -o '[0-9]* tests failed out of [0-9]*' "$logs/run-$i.log" | tail -1)"
    if ((status)); then
        echo "the clone is kept in $top; the log is $logs/run-$i.log"
        exit 1
    fi
    rm -rf "$top"
done
