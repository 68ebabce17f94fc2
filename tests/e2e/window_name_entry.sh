#!/usr/bin/env bash
# The name entry at the end of a game in the real program, from an empty high score table.
# Space held while the stack tops out goes through game over into the name entry: its
# auto-repeat must type nothing there (a key held as the entry opens types only once it has
# come up). A name typed after it, Enter, and SIGTERM: highscores.dat holds that name. A
# second game: spaces only typed, then the window closed during the entry: the shutdown
# stores "Anonymous", as Enter would, and never an empty row.
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"

TRACE="$E2E_TMP/trace"
export ZOLVANE_TRACE_SCREENS="$TRACE"

# The score and the name (spaces and all) of Classic rank RANK in highscores.dat.
classic_entry() { e2e_highscores "$GAME/highscores.dat" | awk -v r="$1" '$1 == 1 && $2 == r { print; exit }'; }
classic_score() { classic_entry "$1" | cut -d' ' -f3; }
classic_name() { classic_entry "$1" | cut -d' ' -f4-; }

# A game of type 1 from the command line, Space held from its start: figures drop until
# the stack tops out, and Space, still held, leaves the game-over picture for the entry.
# Space stays down a while longer there, long enough for many auto-repeats.
top_out_holding_space() {
  rm -f "$TRACE" "$GAME/highscores.dat"
  e2e_start_game "$(e2e_slow 120)" --game 1
  e2e_wait_started "$(e2e_slow 20)"
  e2e_wait_screen "game 1" "$(e2e_slow 10)"
  sleep 0.5  # the fade in: keys are read once it is over
  timeout 5 xdotool keydown space
  e2e_wait_screen "name entry" "$(e2e_slow 60)"
  sleep 1.5
  e2e_shot "$(shot "$1_held")"
  timeout 5 xdotool keyup space
  sleep 0.3
}

e2e_shots_folder
e2e_copy_run_folder
e2e_start_x

echo "== Space held into the name entry, a name typed, Enter, SIGTERM"
top_out_holding_space first
check "the game went through game over" 'grep -q " game over$" "$TRACE"'
check "the entry is still open after Space came up" '[ "$(e2e_screen)" = "name entry" ]'
timeout 10 xdotool type --delay 120 "Ada"
sleep 0.3
e2e_shot "$(shot first_typed)"
e2e_press Return
sleep 0.3
check "Enter ends the entry" '[ "$(e2e_screen)" = "high scores" ]'
e2e_terminate_game "$(e2e_slow 15)"
check "SIGTERM: exit status 0 (got $GAME_STATUS)" '[ "$GAME_STATUS" = 0 ]'
check "highscores.dat is complete" 'e2e_highscores_complete "$GAME/highscores.dat"'
name=$(classic_name 1) score=$(classic_score 1)
check "Classic rank 1 holds the name typed, no spaces before it ('$name')" '[ "$name" = Ada ]'
check "with the game's score ($score)" '[ "${score:-0}" -gt 0 ]'
check "Classic rank 2 is the old first entry" '[ "$(classic_entry 2)" = "1 2 0 Noname" ]'

echo "== spaces only typed, then the window closed during the entry"
top_out_holding_space second
check "the entry is open" '[ "$(e2e_screen)" = "name entry" ]'
e2e_press space space  # pressed after the entry opened: they type
e2e_shot "$(shot second_spaces)"
e2e_close_window
e2e_wait_game "$(e2e_slow 15)" || die "the game did not end within $(e2e_slow 15) s of the close"
check "closed: exit status 0 (got $GAME_STATUS)" '[ "$GAME_STATUS" = 0 ]'
check "highscores.dat is complete" 'e2e_highscores_complete "$GAME/highscores.dat"'
name=$(classic_name 1) score=$(classic_score 1)
check "Classic rank 1 holds \"Anonymous\" ('$name')" '[ "$name" = Anonymous ]'
check "with the game's score ($score)" '[ "${score:-0}" -gt 0 ]'
check "no entry has a blank name" \
  '[ "$(e2e_highscores "$GAME/highscores.dat" | awk "NF < 4" | wc -l)" -eq 0 ]'

e2e_keep_shots
finish
