#!/usr/bin/env bash
# Draws the screenshot harness's pictures again and compares each with the one in
# docs/screenshots, byte for byte: a change to the drawing code must not change a pixel.
#
# usage: bench/compare_screenshots.sh [BUILD_DIR]   (default: $ZOLVANE_BUILD, else build)
# Prints "identical" and exits 0, or names the pictures that differ and exits 1; 2 when
# the pictures could not be made at all.
set -euo pipefail
shopt -s nullglob
export LC_ALL=C

SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$(cd "${1:-${ZOLVANE_BUILD:-$SOURCE/build}}" && pwd)
HARNESS="$BUILD/bench/screenshot_harness"
REFERENCE="$SOURCE/docs/screenshots"
[ -x "$HARNESS" ] || { echo "compare_screenshots: no $HARNESS" >&2; exit 2; }
[ -d "$BUILD/game" ] || { echo "compare_screenshots: no run folder $BUILD/game" >&2; exit 2; }

TMP=$(mktemp -d "${TMPDIR:-/tmp}/zolvane-shots.XXXXXX")
trap 'rm -rf "$TMP"' EXIT
# The start-up writes its log (and converts pictures) in the run folder: use a copy.
cp -r "$BUILD/game" "$TMP/run"

# The reference pictures come from Mesa's software renderer, whatever GPU there is.
if ! SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1 ZOLVANE_UNATTENDED=1 \
  timeout -k 5 300 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
  "$HARNESS" --out "$TMP/shots" --run-dir "$TMP/run" >"$TMP/harness.log" 2>&1; then
  echo "compare_screenshots: the harness failed:" >&2
  tail -n 20 "$TMP/harness.log" >&2
  exit 2
fi

differ=()
for reference in "$REFERENCE"/*.png; do
  name=${reference##*/}
  cmp -s "$reference" "$TMP/shots/$name" || differ+=("$name")
done
for made in "$TMP/shots"/*.png; do
  [ -e "$REFERENCE/${made##*/}" ] || differ+=("${made##*/} (not in docs/screenshots)")
done

if [ ${#differ[@]} -eq 0 ]; then
  echo identical
  exit 0
fi
printf '%s\n' "${differ[@]}"
exit 1
