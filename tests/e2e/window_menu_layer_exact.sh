#!/usr/bin/env bash
# A walk through the menus drawn from the menus' static layer is, frame by frame, the walk
# drawn in full: the selection moving, the options changed, the help screen, the high score
# tables turned, the game type screen, the fade into a game, the abort and the fade back.
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"

[ -x "$BUILD/bench/layer_exactness" ] || die "no layer_exactness in $BUILD/bench"
status=0
timeout -k 5 140 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
  env SDL_AUDIODRIVER=dummy "$BUILD/bench/layer_exactness" --menu >"$E2E_TMP/menu" 2>&1 ||
  status=$?
cat "$E2E_TMP/menu"
check "every frame of the walk from the menus' layer equals the full frame" '[ "$status" -eq 0 ]'
finish
