#!/usr/bin/env bash
# The application manifest: an image named like an installer (setup.exe)
# starts and extracts with no request for more rights (Wine does no
# installer detection, so the check is that it runs at all and that its
# manifest says asInvoker); the manifest's bytes are well-formed XML for
# xmllint and hold what Windows reads: the execution level, the supported
# systems, DPI and long-path awareness.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init
command -v xmllint >/dev/null || skip "xmllint is not installed"
command -v python3 >/dev/null || skip "python3 is not installed"

mkdir -p "$TEST_TMP/src" && echo "installed" > "$TEST_TMP/src/readme.txt" || fail "cannot write the source"
make_zip "$TEST_TMP/setup.zip" "$TEST_TMP/src"
make_image "$TEST_TMP/setup.exe" "$TEST_TMP/setup.zip" --auto --folder "$(winpath "$TEST_TMP/out")"
run_unattended "$TEST_TMP/setup.exe"
diff -r "$TEST_TMP/src" "$TEST_TMP/out" || fail "setup.exe did not extract"

python3 "$REPO/tests/stub/check_stub.py" --manifest "$TEST_TMP/setup.exe" > "$TEST_TMP/setup.manifest" ||
    fail "the image has no manifest"
xmllint --noout "$TEST_TMP/setup.manifest" || fail "xmllint refuses the manifest"
value() {   # value XPATH: the text xmllint finds there, namespaces ignored
    xmllint --xpath "string($1)" "$TEST_TMP/setup.manifest"
}
[ "$(value "//*[local-name()='requestedExecutionLevel']/@level")" = asInvoker ] || fail "not asInvoker"
[ "$(value "//*[local-name()='requestedExecutionLevel']/@uiAccess")" != true ] || fail "asks for uiAccess"
[ "$(value "count(//*[local-name()='supportedOS'])")" = 5 ] || fail "not five supported systems"
[ "$(value "//*[local-name()='supportedOS'][1]/@Id")" = "{e2011457-1546-43c5-a5fe-008deee3d3f0}" ] ||
    fail "Windows Vista is not the first supported system"
[ "$(value "//*[local-name()='supportedOS'][5]/@Id")" = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}" ] ||
    fail "Windows 10 and 11 are not the last supported system"
[ "$(value "//*[local-name()='dpiAware']")" = true ] || fail "not DPI-aware"
[ "$(value "//*[local-name()='longPathAware']")" = true ] || fail "not long-path-aware"
pass
