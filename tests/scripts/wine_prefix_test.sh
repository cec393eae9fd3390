#!/bin/bash
# The Wine set-up deletes a half-made prefix only when it made the folder
# itself: a folder it did not make is refused with a message and left as it
# is, whatever is missing from it.
set -u
repo=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir "$work/real"
echo keep >"$work/real/user.reg"
out=$( (WINE_RUN_PREFIX="$work/real"; source "$repo/scripts/wine-env.sh"; wine_ensure_prefix) 2>&1 )
rc=$?
[ $rc = 125 ] || fail "a foreign prefix gave exit $rc, not 125"
[ "$(cat "$work/real/user.reg")" = keep ] || fail "the foreign prefix was touched"
[ "$(ls -A "$work/real")" = user.reg ] || fail "files were added to the foreign prefix: $(ls -A "$work/real")"
case $out in *"not made by these scripts"*) ;; *) fail "no message saying why: $out" ;; esac
echo ok
