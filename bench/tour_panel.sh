#!/usr/bin/env bash
# The whole tour of panel pictures at scale 2, the slowest picture run a
# manual's writer makes, timed as a whole process; with a second runner
# (an older build, say) both run in turn and their pictures are compared
# pixel for pixel (with ImageMagick's signature), since they must not change
# with speed; their bytes may, where the compression did.
#
#   bench/tour_panel.sh build/default/tools/geigersim-run [OLD_GEIGERSIM_RUN]
#
# Uses farm-bench when it is installed (medians of 5 runs), else `time`.
set -uo pipefail

[ $# -ge 1 ] || { echo "usage: tour_panel.sh geigersim-run [old-geigersim-run]" >&2; exit 2; }
new=$(realpath "$1")
old=${2:+$(realpath "$2")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tour() { echo "--seed 1 --clock 2026-03-07T09:05:30 -e 'tour $1 scale 2 panel'"; }

if command -v farm-bench >/dev/null; then
  if [ -n "$old" ]; then
    farm-bench -n 3 --timeout 600 --vs "sh -c \"$old $(tour "$work/old") >/dev/null\"" -- \
      sh -c "$new $(tour "$work/new") >/dev/null"
  else
    farm-bench -n 3 --timeout 600 -- sh -c "$new $(tour "$work/new") >/dev/null"
  fi
else
  time sh -c "$new $(tour "$work/new") >/dev/null"
  [ -z "$old" ] || time sh -c "$old $(tour "$work/old") >/dev/null"
fi
[ -n "$old" ] || exit 0
# The sheets name their own folders; the pictures must show the same pixels
# at the same resolution.
sh -c "$new $(tour "$work/a") >/dev/null" && sh -c "$old $(tour "$work/b") >/dev/null" || exit 1
signatures() { (cd "$1" && identify -format '%f %#  %x %y\n' ./*.png); }
if [ "$(ls "$work/a")" = "$(ls "$work/b")" ] && [ "$(signatures "$work/a")" = "$(signatures "$work/b")" ]; then
  echo "pictures: the same pixels ($(ls "$work/a" | grep -c png) files)"
else
  echo "pictures: DIFFER" >&2
  exit 1
fi
