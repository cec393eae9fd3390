#!/usr/bin/env bash
# The start-up prompt: its buttons and caption as the image sets them; No and
# Cancel end the program, the other answers lead on to the main dialog.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/stub_lib.sh"
stub_test_init

# One case a line: builder options, the button to press, the caption, and
# whether the main dialog follows.
while IFS='|' read -r options button caption dialog; do
    make_image prompt.exe --prompt "Read me first." $options
    if [ "$dialog" = yes ]; then
        steps="answer $button
wait \"Tarvex Self-Extractor - prompt.exe\"
click Close
waitexit"
        after='window: Tarvex Self-Extractor - prompt.exe'
        code=2   # the dialog closed without unzipping
    else
        steps="answer $button
waitexit"
        after=''
        code=3   # the prompt declined
    fi
    drive "$TEST_TMP/prompt.exe" <<< "$steps"
    expect_exit 0
    expect_transcript <<OUT
box: $caption | Read me first.${after:+
$after}
exit: $code
OUT
done <<'CASES'
|OK|Tarvex Self-Extractor|yes
--prompt-buttons yesno|Yes|Tarvex Self-Extractor|yes
--prompt-buttons yesno|No|Tarvex Self-Extractor|no
--prompt-buttons okcancel|OK|Tarvex Self-Extractor|yes
--prompt-buttons okcancel|Cancel|Tarvex Self-Extractor|no
--title Welcome --prompt-buttons yesno|No|Welcome|no
CASES
pass
