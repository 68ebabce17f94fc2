#!/usr/bin/env bash
# The menus of the real program, driven by keys as a player presses them: it starts in the
# main menu; Options changes every setting; Help and High Scores show their panel and Esc
# leaves them; Exit ends the program with status 0 and config.ini holds the new values.
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"

e2e_shots_folder
ini_value() {  # KEY of [Settings]
  tr -d '\r' <"$GAME/config.ini" | awk -v k="$1" '
    /^\[/ { s = ($0 == "[Settings]"); next }
    s { i = index($0, "="); if (i && substr($0, 1, i - 1) == k) { print substr($0, i + 1); exit } }'
}

e2e_copy_run_folder
e2e_start_x
[ -s "$GAME/config.ini" ] || die "the run folder has no default config.ini"
sound_before=$(ini_value "Sound volume")
music_before=$(ini_value "Music volume")
rotation_before=$(ini_value "Rotation")
quality_before=$(ini_value "Brick Quality")

e2e_start_game 90
e2e_wait_started
sleep 1
e2e_shot "$(shot main)"

# Help (item 4, Up twice from New Game wraps through Exit), then Esc.
e2e_press Up Up Return
sleep 0.4
e2e_shot "$(shot help)"
e2e_press Escape
# High Scores (item 3), then Esc.
e2e_press Up Return
sleep 0.4
e2e_shot "$(shot highscores)"
e2e_press Escape
sleep 0.4
e2e_shot "$(shot back_to_main)"

# Options: sound up one step (held: one step only), music down, rotation and quality.
e2e_press Up Return
e2e_hold Right 1.0
sleep 0.25
e2e_press Down Left Down Return Down Return
sleep 0.4
e2e_shot "$(shot options)"
# Return (item 5) leads back to the main menu with New Game selected; Up selects Exit.
e2e_press Down Return Up Return
e2e_wait_game 15 || die "Exit did not end the program within 15 s"

check "Exit: exit status 0 (got $GAME_STATUS)" '[ "$GAME_STATUS" = 0 ]'
check "the program starts in the menu, not in a game" '! e2e_game_screen "$(shot main)"'
check "Help shows the panel" 'e2e_panel_shown "$(shot help)"'
check "High Scores shows the panel" 'e2e_panel_shown "$(shot highscores)"'
check "the main menu has no panel" '! e2e_panel_shown "$(shot main)"'
check "Esc leaves the high score screen for the main menu" \
  '! e2e_panel_shown "$(shot back_to_main)" && e2e_differ "$(shot highscores)" "$(shot back_to_main)"'
check "the options screen differs from the main menu" 'e2e_differ "$(shot main)" "$(shot options)"'

echo "== config.ini after Exit"
sound=$(ini_value "Sound volume")
music=$(ini_value "Music volume")
rotation=$(ini_value "Rotation")
quality=$(ini_value "Brick Quality")
check "a held Right raised the sound volume by one ($sound_before -> $sound)" \
  '[ "$sound" = $((sound_before < 9 ? sound_before + 1 : 9)) ]'
check "Left lowered the music volume by one ($music_before -> $music)" \
  '[ "$music" = $((music_before > 0 ? music_before - 1 : 0)) ]'
check "the rotation turned round ($rotation_before -> $rotation)" \
  '[ -n "$rotation" ] && [ "$rotation" != "$rotation_before" ]'
# Stored as quality + 1; the menu cycles low, medium, high.
check "the brick quality moved on one step ($quality_before -> $quality)" \
  '[ "$quality" = $((quality_before % 3 + 1)) ]'

e2e_keep_shots
finish
