#!/usr/bin/env bash
# A player with a gamepad, in the real program: SDL's virtual joystick, mapped as a game
# controller, driven through the game's test hook (ZOLVANE_TEST_PAD, platform/sdl/test_pad.h).
# config.ini's [Gamepad] binds X to Pause besides Start and has two lines that cannot be
# used. The pad is plugged in while the main menu shows; A starts a game from the menus;
# the d-pad moves the figure to the left wall and B drops it; Start pauses and X resumes;
# the pad is pulled out and plugged in again, and Back asks to abort, B says no. Then B held
# drops figures until the stack tops out and leaves the game-over picture for the name
# entry, where the picker spells a name (B held from the game deletes nothing), and Start
# stores it in highscores.dat.
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"

TRACE="$E2E_TMP/trace"
PAD="$E2E_TMP/pad"
export ZOLVANE_TRACE_SCREENS="$TRACE" ZOLVANE_TEST_PAD="$PAD"
: >"$PAD"

# A line for the pad; the game reads them each frame.
pad() { echo "$*" >>"$PAD"; }
# pad_press BUTTON... : each pressed for a few frames, then a pause, as a player presses.
pad_press() {
  local b
  for b in "$@"; do
    pad press "$b"
    sleep 0.15
    pad release "$b"
    sleep 0.25
  done
}
pad_hold() {  # BUTTON SECONDS
  pad press "$1"
  sleep "$2"
  pad release "$1"
}
log_count() { tr -d '\r' <"$GAME/debug.txt" | grep -cxF -- "$1" || true; }
wait_log_count() {  # LINE COUNT SECONDS
  local deadline=$((SECONDS + $3))
  until [ "$(log_count "$1")" -ge "$2" ]; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}
classic_name() { e2e_highscores "$GAME/highscores.dat" | awk '$1 == 1 && $2 == 1 { $1 = $2 = $3 = ""; sub(/^ +/, ""); print; exit }'; }

e2e_shots_folder
e2e_copy_run_folder
rm -f "$GAME/highscores.dat"
# X pauses as well as Start; a line naming no action and one giving B's drop to A (which
# turns) are reported with their numbers, and Drop stays on B.
printf '\n[Gamepad]\nPause=start, X\nJump=a\nDrop=a\n' >>"$GAME/config.ini"
line_of() { grep -n -- "^$1\$" "$GAME/config.ini" | cut -d: -f1; }
e2e_start_x
e2e_start_game "$(e2e_slow 150)"
e2e_wait_started "$(e2e_slow 20)"
e2e_wait_screen main "$(e2e_slow 10)"

echo "== [Gamepad] in config.ini"
check "an unknown action is reported with its line" \
  '[ "$(log_count "config.ini line $(line_of Jump=a): Jump=a: Jump is not an action (Left, Right, Turn, SoftDrop, Drop, TurboDrop, Pause, Abort, Yes, No, Confirm, Back)")" = 1 ]'
check "a clash is reported with its line, the default kept" \
  '[ "$(log_count "config.ini line $(line_of Drop=a): Drop=a: \"a\" is already Turn'"'"'s button; Drop keeps its default buttons")" = 1 ]'

echo "== plugged in at the main menu, A through the menus into a game"
pad attach
check "the pad is attached (debug.txt)" \
  'wait_log_count "Gamepad attached: Zolvane test pad" 1 "$(e2e_slow 5)"'
sleep 0.3
pad_press a
check "A on New Game: the game types" 'e2e_screen_within "game types" 3'
pad_press a
check "A on Classic: a game" 'e2e_screen_within "game 1" "$(e2e_slow 5)"'
e2e_wait_game_screen "$(e2e_slow 20)"
e2e_shot_until "$(shot start)" 5 'e2e_brick_colour_in "$(shot start)" 4 7 14 20' || true

echo "== the d-pad to the left wall, B drops"
pad_hold dpleft 1.2
e2e_shot_until "$(shot left)" 3 'e2e_brick_in "$(shot left)" "$(shot start)" 5 20 1 2' || true
check "a brick in column 1 or 2, above the floor" 'e2e_brick_in "$(shot left)" "$(shot start)" 5 20 1 2'
check "no brick in columns 8 to 10" 'e2e_empty_columns "$(shot left)" "$(shot start)" 1 20 8 9 10'
pad_press b
e2e_shot_until "$(shot dropped)" 4 'e2e_brick_in "$(shot dropped)" "$(shot start)" 1 3 1 2' || true
check "B: it lies on the floor at the left wall" 'e2e_brick_in "$(shot dropped)" "$(shot start)" 1 3 1 2'
check "columns 6 to 10 of the floor are empty" 'e2e_empty_columns "$(shot dropped)" "$(shot start)" 1 4 6 7 8 9 10'

echo "== Start pauses, X resumes"
pad_press start
check "Start: the pause" 'e2e_screen_within pause 3'
e2e_shot "$(shot paused)"
read -r before _ < <(e2e_middle_band "$(shot start)")
read -r paused _ < <(e2e_middle_band "$(shot paused)")
check "the pause picture across the well ($before -> $paused)" \
  'awk -v a="$before" -v b="$paused" "BEGIN { exit !(b - a >= 0.05) }"'
pad_press x
check "X, as config.ini has it, resumes" 'e2e_screen_within "game 1" 3'

echo "== pulled out and plugged in again; Back asks to abort, B says no"
pad detach
check "the pad is removed (debug.txt)" 'wait_log_count "Gamepad removed" 1 "$(e2e_slow 5)"'
pad attach
check "attached again" 'wait_log_count "Gamepad attached: Zolvane test pad" 2 "$(e2e_slow 5)"'
sleep 0.3
pad_press back
check "Back: the abort question" 'e2e_screen_within "abort question" 3'
e2e_shot "$(shot abort_question)"
pad_press b
check "B: no, the game goes on" 'e2e_screen_within "game 1" 3'

echo "== B held to the end of the game and into the name entry"
pad press b
e2e_wait_screen "name entry" "$(e2e_slow 60)"
check "the game went through game over" 'grep -q " game over$" "$TRACE"'
sleep 1
pad release b
sleep 0.3
e2e_shot "$(shot entry_opened)"
# A adds the letter under the cursor; Up and Down pick it; B takes the last one back.
pad_press a dpup dpup dpup a dpup a
e2e_shot "$(shot entry_picking)"
pad_press b dpdown dpdown dpdown dpdown a
sleep 0.2
e2e_shot "$(shot entry_spelt)"
pad_press start
check "Start ends the entry" 'e2e_screen_within "high scores" 3'
e2e_terminate_game "$(e2e_slow 15)"
check "SIGTERM: exit status 0 (got $GAME_STATUS)" '[ "$GAME_STATUS" = 0 ]'
check "highscores.dat is complete" 'e2e_highscores_complete "$GAME/highscores.dat"'
name=$(classic_name)
check "Classic rank 1 holds the name spelt with the pad ('$name')" '[ "$name" = ADA ]'
check "nothing was reported" '! grep -q "test pad" "$E2E_TMP/err"'

[ "$FAILED" -eq 0 ] || { e2e_dump_game_output; grep -v " frames " "$TRACE" | tail -n 30; }
e2e_keep_shots
finish
