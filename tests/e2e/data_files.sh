#!/usr/bin/env bash
# The generated models, pictures and sounds: readable the way the game reads them, and the same
# bytes every time they are generated.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/data_names.sh"

BUILD=${ZOLVANE_BUILD:?}
RUN="$BUILD/game"
TOOLS="$BUILD/tools"
FONT=$(sed -n 's/^ZOLVANE_BOLD_FONT:FILEPATH=//p' "$BUILD/CMakeCache.txt")
CONDENSED=$(sed -n 's/^ZOLVANE_CONDENSED_BOLD_FONT:FILEPATH=//p' "$BUILD/CMakeCache.txt")
ESPEAK=$(sed -n 's/^ZOLVANE_ESPEAK:FILEPATH=//p' "$BUILD/CMakeCache.txt")

FILES=(
  data/models.dat
  data/models/brick_low.txt data/models/brick_medium.txt data/models/brick_high.txt
  data/models/frame_odd.txt data/models/frame_even.txt data/models/brick.bmp
  textures/gameover.bmp textures/pause.bmp textures/abortgame.bmp
  textures/effect.tga textures/effect2.tga textures/effect3.tga textures/effect4.tga
  data/fonts/font1.bmp data/fonts/font2.bmp data/fonts/font3.bmp data/fonts/font4.bmp
)
for name in $(data_names background); do FILES+=("textures/$name.jpg"); done
for name in $(data_names "menu picture"); do FILES+=("textures/$name.bmp"); done
for name in $(data_names sound); do FILES+=("sounds/$name.wav"); done
for n in 1 2 3 4 5 6 7 8 9 10 11 12; do
  FILES+=("music/theme$n.mid")
done

failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

echo "== content of the run folder's data files"
"$TOOLS/zolvane_check_data" "$RUN" || fail "data file checks"

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

echo "== generating again gives the same bytes"
"$TOOLS/zolvane_make_models" "$TMP/again" >/dev/null
"$TOOLS/zolvane_make_pictures" "$TMP/again" "$FONT"
"$TOOLS/zolvane_make_backgrounds" "$TMP/again"
"$TOOLS/zolvane_make_fonts" "$TMP/again" "$CONDENSED"
"$TOOLS/zolvane_make_menu_pictures" "$TMP/again" "$FONT"
"$TOOLS/zolvane_make_sounds" "$TMP/again" "$ESPEAK"
"$TOOLS/zolvane_make_music" "$TMP/again"
for f in "${FILES[@]}"; do
  cmp -s "$RUN/$f" "$TMP/again/$f" || fail "$f differs from a second generation"
done
"$TOOLS/zolvane_check_data" "$TMP/again" >/dev/null || fail "a fresh generation fails the checks"

echo "== a converted background goes stale only when its JPEG changes"
mkdir -p "$TMP/stale/textures"
cp "$RUN/textures/bkgrgame.jpg" "$TMP/stale/textures/bkgrgame.jpg"
echo old > "$TMP/stale/textures/bkgrgame.bmp"
echo truncated > "$TMP/stale/textures/bkgrgame2.jpg"
echo old > "$TMP/stale/textures/bkgrgame2.bmp"
"$TOOLS/zolvane_make_backgrounds" "$TMP/stale"
[ -f "$TMP/stale/textures/bkgrgame.bmp" ] || fail "an unchanged background's bitmap was removed"
[ ! -e "$TMP/stale/textures/bkgrgame2.bmp" ] || fail "a changed background's old bitmap was kept"
[ ! -e "$TMP/stale/textures/bkgrgame3.bmp" ] || fail "a bitmap appeared from nowhere"

if [ "$failed" -ne 0 ]; then
  echo "$failed failed"
  exit 1
fi
echo "data files: all good"
