#!/usr/bin/env bash
# The stub's own 64-bit unsigned division (stub/division.cpp): the quotient,
# hand-written in assembly, agrees with the remainder routine (q * d + r = n,
# r < d) for edge cases (divisors of 1, 2^32, 2^63 and above, dividends up to
# 2^64 - 1) and pseudo-random pairs.
source "$(dirname "$0")/lib.sh"
wine_test_init tools/division_probe.exe

"$WINE_RUN" "$TOOLS/division_probe.exe" </dev/null >"$TEST_TMP/transcript" 2>"$TEST_TMP/wine.log"
DRIVE_EXIT=$?
expect_exit 0
grep -q "^[0-9]* cases, 0 wrong" "$TEST_TMP/transcript" || fail "$(cat "$TEST_TMP/transcript")"
pass
