#!/usr/bin/env bash
# The harness's pictures of the game and the menus, drawn by the real window and device
# on this machine's Mesa, are the ones in docs/screenshots byte for byte: a faster way of
# drawing must not change a pixel.
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"
SOURCE=${ZOLVANE_SOURCE:?ZOLVANE_SOURCE must name the source directory}

[ -x "$BUILD/bench/screenshot_harness" ] || die "no screenshot harness in $BUILD/bench"
status=0
timeout -k 5 240 bash "$SOURCE/bench/compare_screenshots.sh" "$BUILD" >"$E2E_TMP/compare" 2>&1 ||
  status=$?
check "every picture is byte for byte the one in docs/screenshots" '[ "$status" -eq 0 ]'
[ "$status" -eq 0 ] || cat "$E2E_TMP/compare"
finish
