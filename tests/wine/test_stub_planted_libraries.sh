#!/usr/bin/env bash
# Libraries named like system libraries, planted beside the image, are never
# loaded: not at start-up, not when the folder browser brings in the shell's
# own. Wine would load its built-in libraries anyway, so it is told to prefer
# libraries found on disk for these names; a probe that loads them the
# ordinary way shows that the plants then work.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/stub_lib.sh"
planted="shell32.dll comctl32.dll uxtheme.dll version.dll"
artifacts=()
for dll in $planted load_probe.exe; do artifacts+=("tools/planted/$dll"); done
stub_test_init "${artifacts[@]}"

# version.dll is not preferred for the image: Wine itself loads it by name
# when any program starts, before the program's first instruction.
cat > "$TEST_TMP/prefer.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\load_probe.exe\DllOverrides]
"shell32"="native,builtin"
"comctl32"="native,builtin"
"uxtheme"="native,builtin"
"version"="native,builtin"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\planted.exe\DllOverrides]
"shell32"="native,builtin"
"comctl32"="native,builtin"
"uxtheme"="native,builtin"
REG
"$WINE_RUN" reg import "$(winpath "$TEST_TMP/prefer.reg")" >"$TEST_TMP/reg.log" 2>&1 ||
    { cat "$TEST_TMP/reg.log"; fail "cannot set the library preferences"; }

plant() {   # plant FOLDER
    mkdir -p "$1" || fail "cannot create $1"
    for dll in $planted; do cp "$WIN32_BUILD/tools/planted/$dll" "$1/" || fail "cannot plant $dll"; done
}

plant "$TEST_TMP/probe"
cp "$WIN32_BUILD/tools/planted/load_probe.exe" "$TEST_TMP/probe/"
"$WINE_RUN" "$TEST_TMP/probe/load_probe.exe" $planted </dev/null >/dev/null 2>"$TEST_TMP/wine.log"
for dll in $planted; do
    [ -f "$TEST_TMP/probe/$dll.loaded" ] || fail "the probe did not load the planted $dll: the test would prove nothing"
done

plant "$TEST_TMP/image"
make_image image/planted.exe
drive "$TEST_TMP/image/planted.exe" <<'STEPS'
wait "Tarvex Self-Extractor - planted.exe"
click Browse...
wait "Browse for Folder"
click Cancel
wait "Tarvex Self-Extractor - planted.exe"
click Close
waitexit
STEPS
expect_exit 0
loaded=$(cd "$TEST_TMP/image" && ls *.loaded 2>/dev/null)
[ -z "$loaded" ] || fail "planted libraries were loaded: $loaded"
pass
