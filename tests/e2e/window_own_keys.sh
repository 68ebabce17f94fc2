#!/usr/bin/env bash
# A player's own keys in config.ini's [Keys]: with Left=A and Drop=S the left arrow and
# Space leave the figure alone, A takes it to the left wall and S drops it there; a line
# naming no key is logged in debug.txt with its line number. Read from screenshots of the
# window, as tests/e2e/window_keys.sh reads them.
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"

e2e_shots_folder

brick_in() {  # SHOT ROW_LOW ROW_HIGH COLUMN...
  local name=$1 low=$2 high=$3 c
  shift 3
  for c in "$@"; do e2e_has_brick "$(shot "$name")" "$(shot start)" "$c" "$low" "$high" && return 0; done
  return 1
}
empty_columns() {  # SHOT ROW_LOW ROW_HIGH COLUMN...
  local name=$1 low=$2 high=$3 c
  shift 3
  for c in "$@"; do e2e_unchanged "$(shot "$name")" "$(shot start)" "$c" "$low" "$high" || return 1; done
}
START='e2e_brick_colour_in "$(shot start)" 4 7 14 20 && ! e2e_brick_colour_in "$(shot start)" 1 3 1 20 &&
  ! e2e_brick_colour_in "$(shot start)" 8 10 1 20 && ! e2e_brick_colour_in "$(shot start)" 4 7 1 12'
AT_LEFT='brick_in left 4 20 1 2 && empty_columns left 1 20 8 9 10 && empty_columns left 1 2 1 2 3 4 5 6 7 8 9 10'
DROPPED='brick_in dropped 1 3 1 2 && empty_columns dropped 1 4 6 7 8 9 10'

e2e_copy_run_folder
# The default settings, then the keys; line 12 names a key that does not exist.
printf '%s\r\n' '[Options]' 'FullScreen=0' 'Rotation Speed=1' 'Keys Sensetive=1' '' \
  '[Settings]' 'Music volume=0' 'Sound volume=0' '' \
  '[Keys]' 'Left = a' 'TurboDrop=Left Ctrl,Nokey' 'Drop=S' >"$GAME/config.ini"

e2e_start_x
e2e_start_game 90 --game 1
e2e_wait_started
e2e_wait_game_screen 20
# A figure falls about two rows a second: the floor is ten seconds away, and a screenshot
# of a busy machine may take one. So the presses are short and the pictures few: the arrow
# would move the figure a column at once, Space take it to the floor in a quarter second.
e2e_shot_until "$(shot start)" 5 "$START" || true
e2e_hold Left 0.5
e2e_hold space 0.3
sleep 0.5
e2e_shot "$(shot old_keys)"
e2e_hold a 1
reached_left=no dropped=no
e2e_shot_until "$(shot left)" 2 "$AT_LEFT" && reached_left=yes
t0=$EPOCHREALTIME
e2e_hold s 0.3
e2e_shot_until "$(shot dropped)" 4 "$DROPPED" && dropped=yes
drop_time=$(awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f\n", b - a }')
e2e_terminate_game 15

check "SIGTERM ends the game with status 0" '[ "$GAME_STATUS" = 0 ]'

echo "== the left arrow and Space, no longer the game's keys"
check "the figure did not go left: columns 1 to 3 as before" 'empty_columns old_keys 1 20 1 2 3'
check "Space dropped nothing: the floor is empty" 'empty_columns old_keys 1 4 1 2 3 4 5 6 7 8 9 10'

echo "== A: the figure went to the left wall ($reached_left)"
check "a brick in column 1 or 2, above the floor" 'brick_in left 4 20 1 2'
check "no brick in columns 8 to 10" 'empty_columns left 1 20 8 9 10'
check "the floor is still empty" 'empty_columns left 1 2 1 2 3 4 5 6 7 8 9 10'

echo "== S: it dropped to the floor at the wall ($dropped, $drop_time s)"
check "bricks in column 1 or 2 near the floor (rows 1 to 3)" 'brick_in dropped 1 3 1 2'
check "columns 6 to 10 of the floor are empty" 'empty_columns dropped 1 4 6 7 8 9 10'
check "it lay there within 2.5 s of the key" 'awk -v t="$drop_time" "BEGIN { exit !(t <= 2.5) }"'

echo "== debug.txt"
check "the line naming no key is logged with its number, the keyboard started after it" \
  'tr -d "\r" <"$GAME/debug.txt" | grep -A1 -xF "config.ini line 12: TurboDrop=Left Ctrl,Nokey: \"Nokey\" is not the name of a key; TurboDrop keeps its default keys" |
   grep -qxF "InitDI - done"'
check "nothing else about the keys" '[ "$(tr -d "\r" <"$GAME/debug.txt" | grep -c "^config.ini line")" = 1 ]'

[ "$FAILED" -eq 0 ] || e2e_keep_shots
finish
