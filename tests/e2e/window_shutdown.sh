#!/usr/bin/env bash
# SIGTERM ends the real program like closing its window: exit status 0, the "Settings"
# section of config.ini written (the "Options" section left as it was), the high score
# table saved to highscores.dat, and the timing report result.txt replaced.
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"

# Lines of config.ini without CR, and the value of KEY in SECTION ("" when missing).
ini_lines() { tr -d '\r' <"$GAME/config.ini"; }
ini_value() {  # SECTION KEY
  ini_lines | awk -v s="$1" -v k="$2" '
    /^\[/ { cur = $0; sub(/^\[/, "", cur); sub(/\].*$/, "", cur); next }
    cur == s { i = index($0, "="); if (i && substr($0, 1, i - 1) == k) { print substr($0, i + 1); exit } }'
}

# highscores.dat as the default table: 40 entries "Noname" with score 0, 9 bytes each, each
# scrambled with its rank's key. Prints what it finds wrong.
default_table_ok() {
  local size table
  size=$(wc -c <"$GAME/highscores.dat")
  [ "$size" -eq 360 ] || { echo "size $size bytes, expected 40 entries of 9"; return 1; }
  table=$(e2e_highscores "$GAME/highscores.dat")
  [ "$(grep -cx '[1-4] [0-9]* 0 Noname' <<<"$table")" -eq 40 ] ||
    { echo "not 40 entries \"Noname\" 0:"; head -n 3 <<<"$table"; return 1; }
}

e2e_copy_run_folder
e2e_start_x

echo "== no config.ini"
rm -f "$GAME/config.ini" "$GAME/highscores.dat"
printf 'timings of an earlier run\n' >"$GAME/result.txt"
e2e_start_and_terminate 0.5
check "SIGTERM: exit status 0 (got $GAME_STATUS)" '[ "$GAME_STATUS" = 0 ]'
check "config.ini written" '[ -s "$GAME/config.ini" ]'
if [ -s "$GAME/config.ini" ]; then
  sections=$(ini_lines | grep '^\[' || true)
  keys=$(ini_lines | grep -v '^\[' | sed '/^[[:space:]]*$/d' | cut -d= -f1)
  check "it holds only the section Settings (found: $(echo $sections))" '[ "$sections" = "[Settings]" ]'
  check "with the five keys in order" \
    '[ "$keys" = "$(printf "%s\n" "Music volume" "Sound volume" "Rotation" "Brick Quality" "Music Number")" ]'
  # A missing file reads as zeros; the brick quality keeps its start value (stored + 1).
  check "values of a missing file: volumes 0, Rotation 0, Brick Quality 2" \
    '[ "$(ini_value Settings "Music volume")/$(ini_value Settings "Sound volume")/$(ini_value Settings Rotation)/$(ini_value Settings "Brick Quality")" = 0/0/0/2 ]'
  check "Music Number is a number" '[[ $(ini_value Settings "Music Number") =~ ^[0-9]+$ ]]'
fi
check "highscores.dat written: the default table, 40 entries in 360 bytes" \
  '[ -f "$GAME/highscores.dat" ] && default_table_ok'
check "result.txt written anew (empty: nothing is measured)" \
  '[ -f "$GAME/result.txt" ] && [ ! -s "$GAME/result.txt" ]'
cp "$GAME/highscores.dat" "$E2E_TMP/highscores.first"

echo "== config.ini with an Options section"
# Written by hand: LF line ends, blanks around "=", a comment; the game only reads it.
options=$'[Options]\n; set by hand\nFullScreen = 0\nuse desktop settings=1\nResolution=4\nRotation Speed=2\nKeys Sensetive=0\n\n'
{
  printf '%s' "$options"
  printf '[Settings]\r\nMusic volume=3\r\nSound volume=12\r\nRotation=2\r\nBrick Quality=3\r\nPlayer=Anna\r\nMusic Number=0\r\n'
} >"$GAME/config.ini"
e2e_start_and_terminate 0.5
check "SIGTERM: exit status 0 (got $GAME_STATUS)" '[ "$GAME_STATUS" = 0 ]'
check "the Options section is unchanged, byte for byte" \
  '[ "$(head -c ${#options} "$GAME/config.ini" | od -An -tx1)" = "$(printf "%s" "$options" | od -An -tx1)" ]'
check "it is still the first section" '[ "$(ini_lines | grep -m1 "^\[")" = "[Options]" ]'
check "one Settings section" '[ "$(ini_lines | grep -c "^\[Settings\]")" = 1 ]'
check "volumes written back in range: 3 as read, 12 as 9" \
  '[ "$(ini_value Settings "Music volume")/$(ini_value Settings "Sound volume")" = 3/9 ]'
check "Rotation=2 reads as counter-clockwise and is written back as 0" '[ "$(ini_value Settings Rotation)" = 0 ]'
check "Brick Quality 3 written back as 3" '[ "$(ini_value Settings "Brick Quality")" = 3 ]'
check "a key the game does not know keeps its line" '[ "$(ini_value Settings Player)" = Anna ]'
check "each Settings key once" \
  '[ "$(ini_lines | grep -c -e "^Music volume=" -e "^Sound volume=" -e "^Rotation=" -e "^Brick Quality=" -e "^Music Number=")" = 5 ]'
check "highscores.dat read and written back unchanged" 'cmp -s "$GAME/highscores.dat" "$E2E_TMP/highscores.first"'

finish
