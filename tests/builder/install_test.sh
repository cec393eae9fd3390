#!/usr/bin/env bash
# cmake --install into a fresh prefix, then the installed mksfx, run from
# elsewhere without --stub, builds an image with the installed stub and checks
# it; the binary is stripped; the manual page is there, in the usual
# sections, and names every option of --help.
# usage: install_test.sh HOST_BUILD_DIR STUB
set -euo pipefail
build=$1
stub=$2
if [ ! -f "$stub" ]; then
  # Under CI a test that would skip fails instead, naming what is missing.
  [ -z "${CI:-}" ] || { echo "FAIL: CI, so no skip: no stub at $stub (the win32 build makes it)"; exit 1; }
  echo "SKIP: no stub at $stub (the win32 build makes it)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix with space"
cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/mksfx share/tarvex/sfxstub.exe share/man/man1/mksfx.1; do
  [ -f "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done
cmp "$stub" "$prefix/share/tarvex/sfxstub.exe"
# Installed stripped: no symbol table.
if readelf -S "$prefix/bin/mksfx" | grep -q '\.symtab'; then echo "bin/mksfx is not stripped"; exit 1; fi

mkdir -p "$work/src/docs" "$work/elsewhere"
echo "installed" > "$work/src/readme.txt"
echo "nested" > "$work/src/docs/note.txt"
cd "$work/elsewhere"
"$prefix/bin/mksfx" --quiet ../src -o out.exe
"$prefix/bin/mksfx" info out.exe >info.txt || { cat info.txt; exit 1; }
# The image holds the installed stub's code (past the headers, which the
# appended section changes).
cmp -i 1024 -n 8192 "$prefix/share/tarvex/sfxstub.exe" out.exe
"$prefix/bin/mksfx" --version | grep -q '^mksfx (Tarvex Self-Extractor) '

# Every option of --help is in the manual page.
"$prefix/bin/mksfx" --help | grep -oE '^  (-[a-z], )?--[a-z-]+' | sed 's/^ *//; s/.*, //' | sort -u >options.txt
[ -s options.txt ]
while read -r option; do
  grep -qF -- "$(printf '%s' "$option" | sed 's/-/\\-/g')" "$prefix/share/man/man1/mksfx.1" ||
    { echo "the manual page lacks $option"; exit 1; }
done <options.txt
# The page has the usual sections, each once.
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" EXAMPLES "SEE ALSO"; do
  [ "$(grep -c "^\.SH \"\?$section\"\?\$" "$prefix/share/man/man1/mksfx.1")" = 1 ] ||
    { echo "the manual page lacks the section $section, or has it twice"; exit 1; }
done
echo "install: ok ($(wc -l <options.txt) options in the manual page)"
