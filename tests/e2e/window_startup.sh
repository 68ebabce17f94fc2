#!/usr/bin/env bash
# Two starts of the real program in a fresh run folder: the start-up log's lines and their
# order, and the background JPEGs converted to bitmaps once, on the first start only.
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"

mapfile -t BACKGROUNDS < <(data_names background)

# The start-up lines of a windowed start, the model loader's own lines left out.
EXPECTED_LOG='Convert pictures - done
InitD3D - done
AdapterFormat N
TextureFormat N
Init Vertex Buffers - done
FillVB + GetOptions - done
InitModels - done
SetupLights - done
InitBrickTextures - done
InitTexturesBreakGameStates - done
LoadFigImages + SetAllMatrices - done
GlassFrame - done
garbage - done
Many Textures - done
Many Texures + InitVBFont - done
InitDI - done
DirectSound+DirectMusic - done'

# Runs the game until its loop is up, then ends it with SIGTERM.
start_and_stop() {
  e2e_start_and_terminate 0.3
  [ "$GAME_STATUS" = 0 ] || die "SIGTERM: exit status $GAME_STATUS, expected 0"
}

# debug.txt: CR LF line ends, the expected lines in order, the loader's lines for every
# model in data/models.dat between "FillVB + GetOptions - done" and "InitModels - done".
check_debug_log() {
  local log="$GAME/debug.txt" label=$1
  [ -s "$log" ] || { fail "$label: debug.txt is missing or empty"; return; }

  local lf crlf
  lf=$(tr -cd '\n' <"$log" | wc -c)
  crlf=$(grep -c $'\r$' "$log" || true)
  check "$label: every debug.txt line ends in CR LF" \
    '[ "$lf" -gt 0 ] && [ "$lf" -eq "$crlf" ] && [ "$(tail -c 2 "$log" | od -An -tx1 | tr -d " ")" = 0d0a ]'

  local plain main
  plain=$(tr -d '\r' <"$log")
  main=$(grep -v '^data/models/' <<<"$plain" |
    sed -e 's/^\(AdapterFormat\|TextureFormat\) [0-9][0-9]*$/\1 N/')
  if [ "$main" = "$EXPECTED_LOG" ]; then
    pass "$label: the start-up lines, in order"
  else
    fail "$label: the start-up lines differ:"
    diff <(echo "$EXPECTED_LOG") <(echo "$main") || true
  fi

  # The loader's lines: only between its two neighbours, one "<file> - done" per model, in
  # the order of data/models.dat, and no line it could not read.
  local inside outside
  inside=$(sed -n '/^FillVB + GetOptions - done$/,/^InitModels - done$/p' <<<"$plain" | grep '^data/models/' || true)
  outside=$(grep -c '^data/models/' <<<"$plain" || true)
  check "$label: the model loader logs only inside its step" \
    '[ -n "$inside" ] && [ "$(grep -c . <<<"$inside")" -eq "$outside" ]'
  local models done_lines
  models=$(tr -d '\r' <"$GAME/data/models.dat" | sed '/^$/d' | sed 's/$/ - done/')
  done_lines=$(grep -xF -f <(echo "$models") <<<"$inside" || true)
  check "$label: one '<file> - done' per model file, in the order of models.dat" \
    '[ "$done_lines" = "$models" ]'
  check "$label: no model line went unrecognised" \
    '! grep -qF "Error of loading model" "$log"'
}

# "<name> <size> <sha256> <mtime in ns>" for every bitmap background present.
bitmap_states() {
  local name f
  for name in "${BACKGROUNDS[@]}"; do
    f="$GAME/textures/$name.bmp"
    [ -e "$f" ] || continue
    echo "$name $(stat -c '%s %.9Y' "$f") $(sha256sum <"$f" | cut -c1-64)"
  done
}

e2e_copy_run_folder
e2e_start_x

for name in "${BACKGROUNDS[@]}"; do
  [ -f "$GAME/textures/$name.jpg" ] || die "the run folder lacks textures/$name.jpg"
  [ ! -e "$GAME/textures/$name.bmp" ] || die "textures/$name.bmp exists before the first start"
done

echo "== first start"
start_and_stop
check_debug_log "first start"

for name in "${BACKGROUNDS[@]}"; do
  bmp="$GAME/textures/$name.bmp" jpg="$GAME/textures/$name.jpg"
  if [ ! -f "$bmp" ]; then
    fail "the first start did not convert $name.jpg"
    continue
  fi
  magic=$(head -c 2 "$bmp")
  size_bmp=$(timeout 10 identify -format '%wx%h' "$bmp" 2>/dev/null || echo unreadable)
  size_jpg=$(timeout 10 identify -format '%wx%h' "$jpg")
  # The bitmap shows the JPEG's picture: same size, the same pixels up to decoder rounding
  # (a picture stored upside down or with red and blue swapped fails this).
  rmse=$(timeout 20 compare -metric RMSE "$bmp" "$jpg" null: 2>&1 | sed -n 's/.*(\([0-9.e-]*\)).*/\1/p')
  check "$name.bmp is a Windows bitmap of the JPEG's size ($size_jpg)" \
    '[ "$magic" = BM ] && [ "$size_bmp" = "$size_jpg" ]'
  check "$name.bmp holds the JPEG's picture (RMSE ${rmse:-?})" \
    'awk -v e="${rmse:-1}" "BEGIN { exit !(e < 0.01) }"'
done

first=$(bitmap_states)
rm -f "$GAME/textures/bkgrgame3.bmp"
printf 'left over from an earlier run\r\n' >>"$GAME/debug.txt"

echo "== second start, one bitmap deleted"
start_and_stop
check_debug_log "second start"
second=$(bitmap_states)

for name in "${BACKGROUNDS[@]}"; do
  [ "$name" = bkgrgame3 ] && continue
  check "the second start leaves $name.bmp untouched (content and time)" \
    '[ -n "$second" ] && [ "$(grep "^$name " <<<"$first")" = "$(grep "^$name " <<<"$second" || true)" ]'
done
# Converted again only because it was missing: the same bytes as the first time.
bkgr3_first=$(grep '^bkgrgame3 ' <<<"$first" | awk '{print $2, $4}')
bkgr3_second=$(grep '^bkgrgame3 ' <<<"$second" | awk '{print $2, $4}' || true)
check "the second start converts the deleted bkgrgame3.bmp again, to the same bytes" \
  '[ -n "$bkgr3_second" ] && [ "$bkgr3_first" = "$bkgr3_second" ]'

finish
