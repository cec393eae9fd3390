#!/usr/bin/env bash
# uidriver against a dialog: dumping it, filling it in, and interrupting a
# busy pass with queued mouse and key input.
source "$(dirname "$0")/lib.sh"
wine_test_init tools/dialog_probe.exe

# Dump (ids, classes, texts, hidden, disabled, check state), then fill in
# the form and confirm it: the probe reports what it read back.
drive "$TOOLS/dialog_probe.exe" 'Ann' <<'STEPS'
wait "Probe Dialog"
dump
settext 101 "Ann Lee"
setcheck "Verbose" 1
gettext 101
click OK
answer OK
waitexit
STEPS
expect_exit 0
expect_transcript <<'OUT'
window: Probe Dialog
window: Probe Dialog [#32770]
  65535 Static "Name:" visible enabled
  101 Edit "Ann" visible enabled
  102 Button "&Verbose" visible enabled unchecked
  103 Static "Ready" visible enabled
  104 Static "secret" hidden enabled
  105 Button "&Start" visible enabled
  106 Button "Later" visible disabled
  1 Button "OK" visible enabled
  2 Button "Cancel" visible enabled
text 101: Ann Lee
box: Probe Result | Name: Ann Lee\nVerbose: yes
exit: 11
OUT

# During the pass, a key and a click aimed at the dialog ask to stop; No
# goes on, Yes stops (exit 3). The pass would end by itself after 60 s.
drive "$TOOLS/dialog_probe.exe" <<'STEPS'
wait "Probe Dialog"
click "Start"
waittext 103 Working
postkey 1 ESCAPE
answer No
gettext 103
postclick .
answer Yes
waitexit
STEPS
expect_exit 0
expect_transcript <<'OUT'
window: Probe Dialog
box: Probe Dialog | Stop the work?
text 103: Working
box: Probe Dialog | Stop the work?
exit: 3
OUT

# A disabled button cannot be clicked.
drive "$TOOLS/dialog_probe.exe" <<'STEPS'
wait "Probe Dialog"
click Later
waitexit
STEPS
expect_exit 1
expect_line '^error: line 2: click Later: control Later is disabled$'
pass
