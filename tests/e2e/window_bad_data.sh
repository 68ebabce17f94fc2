#!/usr/bin/env bash
# Missing or damaged data files: a model or a figure shape file ends the start-up with a
# message naming the file and a failure status, promptly and without a crash; a missing
# break picture does not stop the game, its picture is drawn plain; a menu picture gone
# while a game runs (a game holds none) ends the return to the menus with a message
# naming it.
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"

PRISTINE="$E2E_TMP/pristine"

# Settings values of config.ini, one per line.
settings_values() {
  tr -d '\r' <"$GAME/config.ini" | grep -E '^(Music volume|Sound volume|Rotation|Brick Quality|Music Number)='
}

# expect_refusal LABEL FILE_NAMED LAST_LOG_LINE: the start-up must end by itself within
# 30 s with a status of 1 to 123 (124 is the deadline's, 128 + N a signal's), a message on
# standard error naming the file, debug.txt ending with the last step that completed, and
# neither the player's settings nor a high score file touched.
expect_refusal() {
  local label=$1 named=$2 last=$3 settings_before
  settings_before=$(settings_values)
  rm -f "$GAME/highscores.dat" "$GAME/result.txt"
  e2e_start_game 30 --game 1
  e2e_wait_game 40 || die "$label: the game is still running after 40 s"
  check "$label: ends by itself with a failure status, not the deadline's, not a signal (got $GAME_STATUS)" \
    '[ "$GAME_STATUS" -ge 1 ] && [ "$GAME_STATUS" -lt 124 ]'
  check "$label: standard error names $named" 'grep -qF -- "$named" "$E2E_TMP/err"'
  check "$label: debug.txt ends with '$last'" \
    '[ "$(tail -n1 "$GAME/debug.txt" 2>/dev/null | tr -d "\r")" = "$last" ]'
  check "$label: the settings in config.ini are kept" '[ "$(settings_values)" = "$settings_before" ]'
  check "$label: no high score file is written" '[ ! -e "$GAME/highscores.dat" ]'
  check "$label: the timing report is still written" '[ -f "$GAME/result.txt" ]'
  [ "$FAILED" -eq 0 ] || e2e_dump_game_output
}

restore() { rm -rf "$GAME" && cp -a "$PRISTINE" "$GAME"; }

e2e_copy_run_folder
cp -a "$GAME" "$PRISTINE"
e2e_start_x

echo "== a model file named in models.dat is missing"
rm "$GAME/data/models/brick_high.txt"
expect_refusal "no brick_high.txt" "brick_high.txt" "data/models/brick_medium.txt - done"
restore

echo "== models.dat is missing"
rm "$GAME/data/models.dat"
expect_refusal "no models.dat" "models.dat" "FillVB + GetOptions - done"
restore

echo "== a letter in a grid line of images.dat"
# Line 17: the first grid line of kind 1, rotation 4 (each grid: a name line, four lines).
sed -i '17s/^./x/' "$GAME/data/figimages/images.dat"
[ "$(sed -n 17p "$GAME/data/figimages/images.dat" | cut -c1)" = x ] || die "could not damage images.dat"
expect_refusal "images.dat damaged" "images.dat" "InitTexturesBreakGameStates - done"
check "images.dat damaged: the message gives line 17" 'grep -F images.dat "$E2E_TMP/err" | grep -qw 17'
restore

echo "== textures/pause.bmp is missing"
rm "$GAME/textures/pause.bmp"
e2e_start_game 40 --game 1
e2e_wait_started
e2e_wait_game_screen 20
e2e_shot "$E2E_TMP/running.png"
e2e_hold p 0.3
# The plain picture: a white quad across the well's middle (nothing of it is white before).
plain_white_quad() {
  local before darkest
  read -r before _ < <(e2e_middle_band "$E2E_TMP/running.png")
  read -r _ _ darkest < <(e2e_middle_band "$E2E_TMP/paused.png")
  echo "mean grey before $before, darkest grey during the pause $darkest"
  awk -v a="$before" -v m="$darkest" 'BEGIN { exit !(a < 0.5 && m > 0.9) }'
}
e2e_shot_until "$E2E_TMP/paused.png" 3 'plain_white_quad >/dev/null' || true
e2e_terminate_game 15
check "no pause.bmp: the game runs and ends with status 0 (got $GAME_STATUS)" '[ "$GAME_STATUS" = 0 ]'
check "no pause.bmp: the pause picture is a plain white quad ($(plain_white_quad || true))" 'plain_white_quad >/dev/null'

echo "== textures/background.bmp goes while a game runs"
restore
e2e_start_game 40 --game 1
e2e_wait_started
e2e_wait_game_screen 20
rm "$GAME/textures/background.bmp"
e2e_hold Escape 0.3
sleep 0.5
e2e_hold Return 0.3
e2e_wait_game 20 || die "no background.bmp: the game is still running 20 s after the abort"
check "no background.bmp: the return to the menus ends with a failure status, not a signal (got $GAME_STATUS)" \
  '[ "$GAME_STATUS" -ge 1 ] && [ "$GAME_STATUS" -lt 124 ]'
check "no background.bmp: standard error names the picture" \
  'grep -qF "textures/background.bmp: the picture is missing or cannot be read" "$E2E_TMP/err"'
check "no background.bmp: the timing report is still written" '[ -f "$GAME/result.txt" ]'

finish
