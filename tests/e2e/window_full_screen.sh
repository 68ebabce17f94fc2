#!/usr/bin/env bash
# The window at any size and full screen on a key, as a player uses them on a wide screen
# (1280 x 720): the window made 1000 x 500 shows the 4:3 picture in its middle with black
# bars, the well scaled and not stretched; Alt+Enter in the menu and F11 in a game switch
# to full screen (bars left and right) and back without acting in the menu, pausing the
# game or typing into the name entry; config.ini keeps the choice in [Options]
# "FullScreen" and changes nowhere else.
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"

e2e_shots_folder
TRACE="$E2E_TMP/trace"
export ZOLVANE_TRACE_SCREENS="$TRACE"

# The largest channel value (0..1) in a part of a screenshot.
maxima() {  # SHOT CROP
  timeout 10 convert "$1" -crop "$2" +repage -format '%[fx:maxima]' info:
}
black() { awk -v m="$(maxima "$@")" 'BEGIN { exit !(m != "" && m + 0 == 0) }'; }
lit() { awk -v m="$(maxima "$@")" 'BEGIN { exit !(m + 0 > 0.05) }'; }

# The picture fills exactly W x H at (X, Y) of the screenshot, of size SW x SH: its edge
# columns and rows show something, everything beside it is black.
picture_at() {  # SHOT SW SH X Y W H
  local f=$1 sw=$2 sh=$3 x=$4 y=$5 w=$6 h=$7
  lit "$f" "1x$h+$x+$y" && lit "$f" "1x$h+$((x + w - 1))+$y" &&
    lit "$f" "${w}x1+$x+$y" && lit "$f" "${w}x1+$x+$((y + h - 1))" || return 1
  if [ "$x" -gt 0 ]; then
    black "$f" "${x}x$sh+0+0" && black "$f" "$((sw - x - w))x$sh+$((x + w))+0" || return 1
  fi
  if [ "$y" -gt 0 ]; then
    black "$f" "${sw}x$y+0+0" && black "$f" "${sw}x$((sh - y - h))+0+$((y + h))" || return 1
  fi
  [ "$(timeout 10 identify -format '%wx%h' "$f")" = "${sw}x$sh" ]
}

# The picture part of a screenshot brought back to 720 x 540, where the frame of the well
# has its known places (e2e_game_screen): scaled, not stretched, it is found there.
normalised() {  # SHOT CROP OUT
  rm -f "$3.blocks"
  timeout 10 convert "$1" -crop "$2" +repage -resize '720x540!' "$3"
}
game_in() {  # SHOT CROP
  normalised "$1" "$2" "$1.norm.png" && e2e_game_screen "$1.norm.png"
}

geometry() {
  timeout 5 xdotool getwindowgeometry "$WID" | awk '/Position/ { p = $2 } /Geometry/ { g = $2 } END { print p, g }'
}
wait_geometry() {  # "X,Y WxH"
  local deadline=$((SECONDS + 10))
  until [ "$(geometry)" = "$1" ]; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
  sleep 0.5  # a frame or two at the new size
}
full_screen_key() {  # F11 | alt
  if [ "$1" = alt ]; then
    timeout 5 xdotool keydown Alt_L keydown Return
    sleep 0.15
    timeout 5 xdotool keyup Return keyup Alt_L
  else
    e2e_hold F11
  fi
}
ini_full_screen() { tr -d '\r' <"$GAME/config.ini" | grep -ix 'FullScreen=[0-9]*' | head -n1; }
# config.ini as it was, FullScreen in [Options] set to VALUE.
expected_config() {  # VALUE
  sed "s/^FullScreen=[01]\r\$/FullScreen=$1\r/" "$E2E_TMP/config.before"
}
screens() { awk '$2 != "frames" && $2 != "well" { $1 = ""; print substr($0, 2) }' "$TRACE" 2>/dev/null; }

e2e_copy_run_folder
# Seven-digit scores at the top of every table; low ones below, so that a game ranks.
for type in 1 2 3 4; do
  for rank in 1 2 3 4 5 6 7 8 9 10; do
    if [ "$rank" -le 5 ]; then score=$((8888888 - rank * 111111)); else score=$((11 - rank)); fi
    printf '%d %d %d Player %d\n' "$type" "$rank" "$score" "$rank"
  done
done | e2e_highscores_encode >"$GAME/highscores.dat"
tr -d '\r' <"$GAME/config.ini" | grep -qx 'FullScreen=0' || die "the default config.ini is not windowed"
cp "$GAME/config.ini" "$E2E_TMP/config.before"

e2e_start_x 1280x720
e2e_start_game 150
e2e_wait_started
sleep 0.5

echo "== the window made 1000 x 500"
timeout 5 xdotool windowsize "$WID" 1000 500
deadline=$((SECONDS + 10))
until [[ $(geometry) == *" 1000x500" ]]; do
  [ "$SECONDS" -lt "$deadline" ] || die "the window did not take 1000 x 500: $(geometry)"
  sleep 0.1
done
sleep 0.5
WINDOWED=$(geometry)  # where it comes back to
e2e_shot "$(shot menu_resized)"
# 4:3 in 500 rows is 667 columns, 166 of bar on the left and 167 on the right.
check "resized: the menu is 667 x 500 in the middle, black bars beside it" \
  'picture_at "$(shot menu_resized)" 1000 500 166 0 667 500'

echo "== Alt+Enter in the main menu"
full_screen_key alt
wait_geometry "0,0 1280x720" || fail "Alt+Enter: the window did not cover the screen: $(geometry)"
e2e_shot "$(shot menu_full)"
check "Alt+Enter: the menu is 960 x 720 in the middle of the screen, bars left and right" \
  'picture_at "$(shot menu_full)" 1280 720 160 0 960 720'
check "Alt+Enter: config.ini says FullScreen=1 and nothing else changed" \
  'cmp -s <(expected_config 1) "$GAME/config.ini"'
full_screen_key alt
wait_geometry "$WINDOWED" || fail "Alt+Enter again: the window is not back ($WINDOWED): $(geometry)"
check "Alt+Enter again: config.ini is as before, FullScreen=0" 'cmp -s "$E2E_TMP/config.before" "$GAME/config.ini"'
check "Alt+Enter chose nothing in the menu: still the main menu" '[ "$(screens | sort -u)" = main ]'

echo "== a game in the resized window"
e2e_press Return Return
deadline=$((SECONDS + 15))
until e2e_shot "$(shot game_resized)" && game_in "$(shot game_resized)" 667x500+166+0; do
  [ "$SECONDS" -lt "$deadline" ] || break
  sleep 0.3
done
check "resized: the game's well and frame at their places, scaled to 500 rows" \
  'game_in "$(shot game_resized)" 667x500+166+0'
check "resized: the game keeps the bars" 'picture_at "$(shot game_resized)" 1000 500 166 0 667 500'

echo "== F11 in the game"
sleep 0.5
full_screen_key F11
wait_geometry "0,0 1280x720" || fail "F11: the window did not cover the screen: $(geometry)"
e2e_shot "$(shot game_full)"
check "F11: the game at 960 x 720 with bars left and right" \
  'picture_at "$(shot game_full)" 1280 720 160 0 960 720 && game_in "$(shot game_full)" 960x720+160+0'
check "F11: config.ini says FullScreen=1 and nothing else changed" \
  'cmp -s <(expected_config 1) "$GAME/config.ini"'
sleep 1
full_screen_key F11
wait_geometry "$WINDOWED" || fail "F11 again: the window is not back ($WINDOWED): $(geometry)"
e2e_shot "$(shot game_back)"
check "F11 again: the window's picture with its bars" 'picture_at "$(shot game_back)" 1000 500 166 0 667 500'
check "F11 again: config.ini is as before" 'cmp -s "$E2E_TMP/config.before" "$GAME/config.ini"'
check "the game ran on through both switches: never paused, never left" \
  '[ "$(screens | uniq | tr "\n" /)" = "main/game types/game 1/" ]'

echo "== the name entry"
# Turbo drops until the well is full: the game ranks below the seven-digit scores.
timeout 5 xdotool keydown ctrl
sleep 12
timeout 5 xdotool keyup ctrl
sleep 1.2
timeout 10 xdotool type --delay 120 "Ab"
sleep 0.3
full_screen_key F11
wait_geometry "0,0 1280x720" || fail "F11 in the name entry: not full screen: $(geometry)"
full_screen_key alt
wait_geometry "$WINDOWED" || fail "Alt+Enter in the name entry: not back: $(geometry)"
timeout 10 xdotool type --delay 120 "c"
sleep 0.3
e2e_shot "$(shot name_entry)"
e2e_press Return
sleep 0.3
check "the name entry stayed open through F11 and Alt+Enter" \
  '[ "$(screens | uniq | tail -n1)" = "high scores" ] && screens | grep -qx "name entry"'
e2e_close_window
e2e_wait_game 15 || die "the window did not close within 15 s"
check "closed: exit status 0 (got $GAME_STATUS)" '[ "$GAME_STATUS" = 0 ]'
check "the name typed around the switches is stored whole" \
  'e2e_highscores "$GAME/highscores.dat" | grep -q "^1 [0-9]* [0-9]* Abc$"'
check "config.ini after the shutdown: FullScreen=0" '[ "$(ini_full_screen)" = FullScreen=0 ]'

e2e_keep_shots
finish
