#!/usr/bin/env bash
# Runs the freedesktop validators over the desktop entry and the metainfo as
# they are installed, and checks that the packaging's version records (the
# metainfo's newest release, the changelog's top entry) name the project
# version. Exit 77 (skipped) only when a validator is not installed.
set -uo pipefail

desktop=${1:?usage: validate_test.sh DESKTOP METAINFO CHANGELOG VERSION}
metainfo=$2 changelog=$3 version=$4

for tool in desktop-file-validate appstreamcli dpkg-parsechangelog; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool not installed"; exit 77; }
done
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# desktop-file-validate exits 0 on mere hints, so any output counts.
out=$(desktop-file-validate "$desktop" 2>&1)
[ $? -eq 0 ] && [ -z "$out" ] || fail "desktop-file-validate: $out"
appstreamcli validate --no-net --explain "$metainfo" || fail "appstreamcli validate"

release=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1 | cut -d'"' -f2)
[ "$release" = "$version" ] || fail "newest metainfo release is '$release', not $version"
entry=$(dpkg-parsechangelog -l "$changelog" -S Version 2>&1)
[ "$entry" = "$version" ] || fail "changelog's top entry is '$entry', not $version"

[ "$failures" -eq 0 ] || exit 1
