#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under an unusual prefix and
# checks what landed: the programs answer --version with the project
# version, each has a man page of that version, the Python module imports
# from its site directory, and (with the window) the
# desktop entry, metainfo and every icon size are there.
set -uo pipefail

build=${1:?usage: install_test.sh BUILD_DIR VERSION APP_ID GUI(ON|OFF) PROGRAM...}
version=$2 app_id=$3 gui=$4
shift 4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

prefix=/opt/geigersim-test
DESTDIR=$work cmake --install "$build" --prefix "$prefix" >"$work.log" 2>&1 \
  || { cat "$work.log"; rm -f "$work.log"; echo "FAIL: cmake --install"; exit 1; }
rm -f "$work.log"
root=$work$prefix

# DESTDIR and the prefix hold everything: nothing may land beside them.
stray=$(find "$work" -mindepth 1 -not -path "$root" -not -path "$root/*" \
          -not -path "$work/opt" | head -n 5)
[ -z "$stray" ] || fail "installed outside the prefix: $stray"

for program in "$@"; do
  exe=$root/bin/$program
  if [ ! -x "$exe" ]; then fail "$program not installed"; continue; fi
  got=$("$exe" --version </dev/null 2>&1)
  [ "$got" = "$program $version" ] || fail "$program --version printed '$got'"
  page=$root/share/man/man1/$program.1.gz
  if [ ! -f "$page" ]; then fail "no man page for $program"; continue; fi
  # The page is the current program's: help2man puts its --version in .TH.
  zcat "$page" | grep -q "^\.TH .*\"$program $version\"" || fail "$page is not of $program $version"
done

doc=$root/share/doc/geigersim
[ -s "$doc/copyright" ] || fail "no copyright file"
gzip -t "$doc/changelog.gz" 2>/dev/null || fail "no changelog.gz"

# The Python module, in the site directory python3 reads under such a prefix.
site=$(ls -d "$root"/lib/python3.*/site-packages 2>/dev/null | head -n 1)
if [ -f "$site/geigersim/__init__.py" ] && [ -f "$site/geigersim/pytest_plugin.py" ]; then
  PYTHONPATH=$site python3 -c 'import geigersim; geigersim.Device' || fail "the installed Python module does not import"
else
  fail "no Python module under $root/lib/python3.*/site-packages"
fi

if [ "$gui" = ON ]; then
  share=$root/share
  [ -f "$share/applications/$app_id.desktop" ] || fail "no desktop entry"
  [ -f "$share/metainfo/$app_id.metainfo.xml" ] || fail "no metainfo"
  [ -f "$share/icons/hicolor/scalable/apps/$app_id.svg" ] || fail "no scalable icon"
  for size in 16 22 24 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x${size}/apps/$app_id.png
    file -b "$png" 2>/dev/null | grep -q "^PNG image data, $size x $size," \
      || fail "$png is not a $size x $size PNG"
  done
fi

[ "$failures" -eq 0 ] || exit 1
echo "installed and checked: $*"
