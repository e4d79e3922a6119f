#!/bin/sh
# The replay player's command line, run against the built player and a golden recording: each
# case's exit code, and what it says on which stream.
#   cli.sh RECORDING GOLDEN PLAYER...   (PLAYER... is the player, after Wine for a Windows one)
set -u
recording=$1
golden=$2
shift 2
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
: >"$work/file"
failed=0
fail() { echo "FAILED: $*"; failed=1; }

# expect NAME CODE ERROR ARGS...: the player's exit code must be CODE ("nonzero": anything but 0),
# and its stderr one line holding ERROR, or nothing when ERROR is empty.
expect() {
  name=$1 code=$2 error=$3
  shift 3
  "$@" >"$work/out" 2>"$work/err"
  got=$?
  [ "$got" = "$code" ] || { [ "$code" = nonzero ] && [ "$got" != 0 ]; } ||
    fail "$name: exit code $got, not $code"
  want=0
  [ -z "$error" ] || want=1
  [ $(($(wc -l <"$work/err"))) = $want ] && { [ $want = 0 ] || grep -qF -- "$error" "$work/err"; } ||
    fail "$name: stderr is not $want line(s) holding '$error': $(head -c 200 "$work/err")"
}

expect help 0 '' "$@" --help
for option in --every --frames-to-hash --png --coverage --check --write-golden --add-pixels; do
  grep -qe "$option" "$work/out" || fail "--help does not name $option"
done
expect unknown-option 2 --bogus "$@" "$recording" --bogus
expect bad-value 2 --every "$@" "$recording" --every 0
expect png-past-the-end nonzero 'png 99999999:' "$@" "$recording" --png "99999999:$work/late.png"
expect png-unwritable nonzero unwritable.png "$@" "$recording" --png "5:$work/file/unwritable.png"

# --coverage: the events the golden says the recording reaches have a first frame, every other
# one says "never".
expect coverage 0 '' "$@" "$recording" --coverage
awk -v reaches="$(sed -n 's/^reaches //p' "$golden")" '
  BEGIN { for (i = split(reaches, r, " "); i > 0; i--) reached[r[i]] = 1 }
  { sub(/\r$/, "") }  # the Windows player ends its lines with CR LF
  /^  [a-z0-9-]+ +[0-9]+  / {
    if ($NF == "never") { never++; wrong = wrong || ($1 in reached) }
    else { seen[$1] = 1; wrong = wrong || !($1 in reached) || $NF < 1 }
    if (wrong && !shown) { print "FAILED: coverage: " $0; shown = 1 }
  }
  END {
    for (event in reached) if (!(event in seen)) { print "FAILED: coverage misses " event; wrong = 1 }
    if (!never) { print "FAILED: coverage: no event is never reached"; wrong = 1 }
    exit wrong
  }' "$work/out" || failed=1
exit $failed
