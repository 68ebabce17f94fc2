#!/usr/bin/env bash
# Keys sent to the real program move and drop figures: a figure held left and dropped
# lies at the left wall of the well's floor, the next one held right and dropped at the
# right wall, the columns between stay empty, and P shows the pause picture. Read from
# screenshots of the window.
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"

e2e_shots_folder

# Well cells: rows 1 (bottom) to 20, columns 1 (left) to 10. A new figure enters with its
# grid's left column at column 4 and its top line at row 20, so it covers columns 4 to 7.
brick_in() {  # SHOT ROW_LOW ROW_HIGH COLUMN...
  local name=$1
  shift
  e2e_brick_in "$(shot "$name")" "$(shot start)" "$@"
}
empty_columns() {  # SHOT ROW_LOW ROW_HIGH COLUMN...
  local name=$1
  shift
  e2e_empty_columns "$(shot "$name")" "$(shot start)" "$@"
}
# The states to reach after each key, allowing time for the drop's sparks to fade.
START='e2e_brick_colour_in "$(shot start)" 4 7 14 20 && ! e2e_brick_colour_in "$(shot start)" 1 3 1 20 &&
  ! e2e_brick_colour_in "$(shot start)" 8 10 1 20 && ! e2e_brick_colour_in "$(shot start)" 4 7 1 12'
AT_LEFT='brick_in left 5 20 1 2 && empty_columns left 1 20 8 9 10 && empty_columns left 1 4 1 2 3 4 5 6 7 8 9 10'
DROPPED_LEFT='brick_in dropped_left 1 3 1 2 && empty_columns dropped_left 1 4 6 7 8 9 10'
DROPPED_RIGHT='brick_in dropped_right 1 3 9 10 && brick_in dropped_right 1 3 1 2 && empty_columns dropped_right 1 4 5'

# Presses Space and prints the seconds until bricks lie in one of the two columns near the
# floor ("none" if not within 4 s). Dropped, a figure falls 12.5 ms a row; left alone it
# would need over half a second a row.
time_to_floor() {  # COLUMN COLUMN
  local t0=$EPOCHREALTIME
  e2e_hold space 0.3
  if e2e_shot_until "$(shot landing)" 4 "brick_in landing 1 3 $1 $2"; then
    awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f\n", b - a }'
  else
    echo none
  fi
}

# The band across the well's middle, where the pause picture lies, is clearly brighter
# than in the reference picture.
pause_picture_shown() {
  local before now
  read -r before _ < <(e2e_middle_band "$(shot start)")
  read -r now _ < <(e2e_middle_band "$(shot paused)")
  awk -v a="$before" -v b="$now" 'BEGIN { exit !(b - a >= 0.05) }'
}

e2e_copy_run_folder
e2e_start_x
e2e_start_game 90 --game 1
e2e_wait_started
geometry=$(timeout 5 xdotool getwindowgeometry "$WID" | sed -n 's/.*Geometry: //p')

# The game runs on while we look, so the pictures are taken first and judged afterwards.
# A figure falls about two rows a second at level 1: it reaches the floor only after ten
# seconds, time enough for each step below.
e2e_wait_game_screen 20
# The reference picture: the first figure near the top, no other brick.
e2e_shot_until "$(shot start)" 5 "$START" || true
e2e_hold Left 1.2  # one column at the press, then one every ~45 ms after the repeat delay
reached_left=no dropped_left=no dropped_right=no
e2e_shot_until "$(shot left)" 3 "$AT_LEFT" && reached_left=yes
drop_left_time=$(time_to_floor 1 2)
e2e_shot_until "$(shot dropped_left)" 6 "$DROPPED_LEFT" && dropped_left=yes
e2e_hold Right 1.2
drop_right_time=$(time_to_floor 9 10)
e2e_shot_until "$(shot dropped_right)" 6 "$DROPPED_RIGHT" && dropped_right=yes
e2e_hold p 0.3
e2e_shot_until "$(shot paused)" 3 'pause_picture_shown' || true
e2e_terminate_game 15

check "the window's client area is 720 x 540" '[ "$geometry" = 720x540 ]'
check "SIGTERM ends the game with status 0" '[ "$GAME_STATUS" = 0 ]'

echo "== the new game"
check "the first figure shows a brick's colour where it enters (rows 14 to 20, columns 4 to 7)" \
  'e2e_brick_colour_in "$(shot start)" 4 7 14 20'
check "no brick's colour elsewhere in the well" \
  '! e2e_brick_colour_in "$(shot start)" 1 3 1 20 && ! e2e_brick_colour_in "$(shot start)" 8 10 1 20 &&
   ! e2e_brick_colour_in "$(shot start)" 4 7 1 12'
check "the glass frame at both sides of the well, from top to bottom" 'e2e_game_screen "$(shot start)"'

echo "== held Left: the figure went to the left wall ($reached_left)"
check "a brick in column 1 or 2, above the floor" 'brick_in left 5 20 1 2'
check "no brick in columns 8 to 10" 'empty_columns left 1 20 8 9 10'
check "the floor is still empty" 'empty_columns left 1 4 1 2 3 4 5 6 7 8 9 10'

echo "== Space: it dropped to the floor ($dropped_left)"
check "it lies on the floor within 2.5 s of the key (took $drop_left_time s)" \
  '[ "$drop_left_time" != none ] && awk -v t="$drop_left_time" "BEGIN { exit !(t <= 2.5) }"'
check "bricks in column 1 or 2 near the floor (rows 1 to 3)" 'brick_in dropped_left 1 3 1 2'
check "columns 6 to 10 of the floor are empty" 'empty_columns dropped_left 1 4 6 7 8 9 10'

echo "== the next figure, held Right and dropped ($dropped_right)"
check "it lies on the floor within 2.5 s of the key (took $drop_right_time s)" \
  '[ "$drop_right_time" != none ] && awk -v t="$drop_right_time" "BEGIN { exit !(t <= 2.5) }"'
check "bricks in column 9 or 10 near the floor (rows 1 to 3)" 'brick_in dropped_right 1 3 9 10'
check "the first figure is still at the left wall" 'brick_in dropped_right 1 3 1 2'
check "column 5 of the floor is empty between the two" 'empty_columns dropped_right 1 4 5'
check "the glass frame is still drawn" 'e2e_game_screen "$(shot dropped_right)"'

echo "== P: the pause picture"
read -r before_mean _ < <(e2e_middle_band "$(shot start)")
read -r paused_mean paused_sd _ < <(e2e_middle_band "$(shot paused)")
check "a picture appears across the well's middle (brightness $before_mean -> $paused_mean)" \
  'pause_picture_shown'
check "drawn with its texture, not plain (brightness $paused_mean, spread $paused_sd)" \
  'awk -v m="$paused_mean" -v s="$paused_sd" "BEGIN { exit !(m < 0.8 && s >= 0.1) }"'

[ "$FAILED" -eq 0 ] || e2e_keep_shots
finish
