#!/usr/bin/env bash
# A scripted game drawn from the game screen's static layer is, frame by frame, the game
# drawn in full: landings, clears, sinking rows, turning bricks and changing counters, at
# high and at medium brick quality.
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"

[ -x "$BUILD/bench/layer_exactness" ] || die "no layer_exactness in $BUILD/bench"
for run in "1 2 600" "4 1 600"; do
  read -r type quality frames <<<"$run"
  status=0
  timeout -k 5 140 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
    env SDL_AUDIODRIVER=dummy "$BUILD/bench/layer_exactness" --type "$type" \
    --quality "$quality" --frames "$frames" >"$E2E_TMP/layer_$type" 2>&1 || status=$?
  cat "$E2E_TMP/layer_$type"
  check "game type $type, quality $quality: $frames frames from the layer equal full frames" \
    '[ "$status" -eq 0 ]'
done
finish
