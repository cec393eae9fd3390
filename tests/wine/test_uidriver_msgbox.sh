#!/usr/bin/env bash
# uidriver against a message box: answering it, and reporting a step that
# fails.
source "$(dirname "$0")/lib.sh"
wine_test_init tools/msgbox_probe.exe

# MB_YESNO | MB_ICONQUESTION; the probe exits with the button's id (IDNO 7).
drive "$TOOLS/msgbox_probe.exe" 'Replace the file?\nIt exists.' 'Probe Box' 0x24 <<'STEPS'
# waits for the box by its class, then answers it by the button's text
wait class:#32770
answer No
waitexit
STEPS
expect_exit 0
expect_transcript <<'OUT'
window: Probe Box
box: Probe Box | Replace the file?\nIt exists.
exit: 7
OUT

# A window that never comes: an error line naming the step, the windows the
# program did show, the program ended, and exit code 1.
drive "$TOOLS/msgbox_probe.exe" 'Still here' 'Probe Box' <<'STEPS'
wait "Probe Box"
wait "Another window" 300
waitexit
STEPS
expect_exit 1
expect_line '^window: Probe Box$'
expect_line '^error: line 2: wait "Another window" 300: nothing within 300 ms$'
expect_line '^window: Probe Box \[#32770\]$'
expect_line '^  65535 Static "Still here" visible enabled$'
pass
