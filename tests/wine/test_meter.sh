#!/usr/bin/env bash
# The progress meter control under Wine, checked by meter_probe from inside
# its own process: a new meter is half full of 100, values keep their low 16
# bits, the dialog manager treats it as a static, the bar splits at
# width x position / range (range 0 as empty, a position past the range as
# full), the text shows on both parts, and the 6-point font is made and
# deleted around each paint.
source "$(dirname "$0")/lib.sh"
wine_test_init tools/meter_probe.exe

: > "$TEST_TMP/steps"
"$WINE_RUN" "$TOOLS/meter_probe.exe" </dev/null >"$TEST_TMP/transcript" 2>"$TEST_TMP/wine.log"
DRIVE_EXIT=$?
expect_exit 0
expect_transcript <<'OUT'
created: range 100, position 50
dialog code: 0x100
low 16 bits kept: range 100, position 0x2345
range 100 position 50: 2 filled 99 filled 100 empty 197 empty
range 0 position 30: 2 empty 99 empty 100 empty 197 empty
range 100 position 150: 2 filled 99 filled 100 filled 197 filled
range 3 position 1: 2 filled 65 filled 66 empty 197 empty
range 100 position 0: 0 empty 1 empty 100 empty 199 empty
range 100 position 100: 0 filled 100 filled 198 filled 199 filled
text: drawn on the filled part, drawn on the empty part
font: height 6 points, charset 128, face "MS Sans Serif", replaced the previous font
font after restore: previous back, deleted
OUT
pass
