#!/usr/bin/env bash
# Games started from the menu of the real program: one of each type through New Game and
# the game type screen, each left by Esc and Y back to the main menu; then a game that
# ranks, the name typed into the high score table, and the name in highscores.dat after
# Exit.
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"

e2e_shots_folder
LABELS=480x330+120+160  # the main menu's labels, below the swaying logo

e2e_copy_run_folder
e2e_start_x
rm -f "$GAME/highscores.dat"

e2e_start_game 150
e2e_wait_started
sleep 1
e2e_shot "$(shot menu)"

for type in 1 2 3 4; do
  downs=()
  for ((i = 1; i < type; i++)); do downs+=(Down); done
  e2e_press Return "${downs[@]}" Return
  sleep 1.2  # the fade out and in
  e2e_shot "$(shot "game$type")"
  e2e_press Escape y
  sleep 1.2
  e2e_shot "$(shot "menu_after$type")"
done

# A game that ranks: turbo drops straight down until the well is full. Ctrl still held at
# the end of the game leaves it for the high score screen.
e2e_press Return Return
sleep 1.2
timeout 5 xdotool keydown ctrl
sleep 12
timeout 5 xdotool keyup ctrl
sleep 1.2
e2e_shot "$(shot name_entry)"
timeout 10 xdotool type --delay 120 "Ada L"
sleep 0.3
e2e_shot "$(shot name_typed)"
e2e_press Return
sleep 0.3
e2e_shot "$(shot name_done)"
e2e_press Escape Up Return
e2e_wait_game 15 || die "Exit did not end the program within 15 s"

check "Exit: exit status 0 (got $GAME_STATUS)" '[ "$GAME_STATUS" = 0 ]'
check "the Classic game shows the game screen" 'e2e_game_screen "$(shot game1)"'
for type in 1 2 3 4; do
  check "game type $type: a game screen, not the menu" '! e2e_same_screen "$(shot menu)" "$(shot "game$type")" "$LABELS"'
  check "game type $type: Esc and Y lead back to the main menu" \
    'e2e_same_screen "$(shot menu)" "$(shot "menu_after$type")" "$LABELS"'
done
check "the four game types show four different screens" \
  'e2e_differ "$(shot game1)" "$(shot game2)" && e2e_differ "$(shot game2)" "$(shot game3)" &&
   e2e_differ "$(shot game3)" "$(shot game4)" && e2e_differ "$(shot game1)" "$(shot game4)"'
check "the high score screen with its panel follows the game" 'e2e_panel_shown "$(shot name_entry)"'

echo "== highscores.dat after Exit"
[ -s "$GAME/highscores.dat" ] || die "highscores.dat was not written"
table=$(e2e_highscores "$GAME/highscores.dat")
read -r _ _ score name < <(awk '$1 == 1 && $2 == 1' <<<"$table")
check "Classic rank 1 holds the typed name ('$name')" '[ "$name" = "Ada L" ]'
check "with the game's score ($score)" '[ "${score:-0}" -gt 0 ]'
check "Classic rank 2 is the old first entry" '[ "$(awk "\$1 == 1 && \$2 == 2 { print \$4 }" <<<"$table")" = Noname ]'
check "the other game types' tables are untouched" \
  '[ "$(awk "\$1 > 1 && \$4 != \"Noname\"" <<<"$table" | wc -l)" -eq 0 ] && [ "$(wc -l <<<"$table")" -eq 40 ]'

e2e_keep_shots
finish
