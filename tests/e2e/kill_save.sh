#!/usr/bin/env bash
# The shutdown save killed at random moments: SIGTERM starts the shutdown, which writes
# config.ini and highscores.dat; SIGKILL follows after a random delay. Each file must then
# be the old one or the new one, byte for byte, and the next start must work with whatever
# the kill left behind. tests/e2e/kill_save.sh [KILLS] (default 100).
source "$(dirname "$0")/lib/session.sh"

KILLS=${1:-${KILL_SAVE_COUNT:-100}}
TRACE="$E2E_TMP/trace"
export ZOLVANE_TRACE_SCREENS="$TRACE"
RANDOM=${KILL_SAVE_SEED:-$$}

# The old files hold the same settings and table as the game writes them back, but in forms
# it writes differently (hexadecimal values, scores with leading zeros): old and new differ.
make_old_files() {
  tr -d '\r' <"$GAME/config.ini" | awk '
    /^\[/ { section = $0 }
    section == "[Settings]" && /=/ { split($0, kv, "="); printf "%s= 0x%x\r\n", kv[1], kv[2]; next }
    { printf "%s\r\n", $0 }' >"$E2E_TMP/config.old"
  local type rank
  for type in 1 2 3 4; do
    for rank in 1 2 3 4 5 6 7 8 9 10; do
      printf '%d %d %03d Noname\n' "$type" "$rank" $(((11 - rank) * 7))
    done
  done | e2e_highscores_encode >"$E2E_TMP/highscores.old"
}

put_old_files() {
  cp "$E2E_TMP/config.old" "$GAME/config.ini"
  cp "$E2E_TMP/highscores.old" "$GAME/highscores.dat"
}

# Started, its window focused, and its loop drawing the main menu.
start_to_menu() {
  rm -f "$TRACE"
  e2e_start_game "$(e2e_slow 60)"
  e2e_wait_window "$(e2e_slow 20)"
  e2e_focus
  local deadline=$((SECONDS + $(e2e_slow 20)))
  until grep -q ' main$' "$TRACE" 2>/dev/null; do
    e2e_game_running || die "the game ended before its menu"
    [ "$SECONDS" -lt "$deadline" ] || die "no menu within $(e2e_slow 20) s"
    sleep 0.05
  done
}

game_child() { pgrep -P "$GAME_PID" -x zolvane || die "the game process is gone"; }

now_ms() { date +%s%3N; }

leftovers() { find "$GAME" -maxdepth 1 -name '.*' -type f | wc -l; }

# --- The new files, and how long a whole shutdown takes.
e2e_copy_run_folder
e2e_start_x
make_old_files
put_old_files
start_to_menu
child=$(game_child)
t0=$(now_ms)
kill -TERM "$child"
e2e_wait_game "$(e2e_slow 20)" || die "no end within $(e2e_slow 20) s of SIGTERM"
SHUTDOWN_MS=$(($(now_ms) - t0))
[ "$GAME_STATUS" = 0 ] || die "a clean shutdown ended with status $GAME_STATUS"
cp "$GAME/config.ini" "$E2E_TMP/config.new"
cp "$GAME/highscores.dat" "$E2E_TMP/highscores.new"
cmp -s "$E2E_TMP/config.old" "$E2E_TMP/config.new" && die "config.ini: old and new are the same bytes"
cmp -s "$E2E_TMP/highscores.old" "$E2E_TMP/highscores.new" && die "highscores.dat: old and new are the same bytes"
e2e_config_complete "$E2E_TMP/config.new" || die "the new config.ini is not complete"
e2e_highscores_complete "$E2E_TMP/highscores.new" || die "the new highscores.dat is not complete"
echo "kill_save: a clean shutdown takes $SHUTDOWN_MS ms from SIGTERM to the end"

# Which of the two a file now is: "old", "new", or "damaged".
state_of() {  # NAME
  if cmp -s "$GAME/$1" "$E2E_TMP/$1.old"; then echo old
  elif cmp -s "$GAME/$1" "$E2E_TMP/$1.new"; then echo new
  else echo damaged; fi
}
# The names the comparisons use.
cp "$E2E_TMP/config.old" "$E2E_TMP/config.ini.old"; cp "$E2E_TMP/config.new" "$E2E_TMP/config.ini.new"
cp "$E2E_TMP/highscores.old" "$E2E_TMP/highscores.dat.old"; cp "$E2E_TMP/highscores.new" "$E2E_TMP/highscores.dat.new"

# --- The kills. The first fifth spread over the whole shutdown find where the files turn
# new; the rest are spread round that stretch, so most land inside the save.
declare -A OUTCOMES=()
LOW=0
HIGH=$SHUTDOWN_MS
FIRST_CONFIG_NEW=""
FIRST_BOTH_NEW=""
DAMAGED=0
MAX_LEFT=0
for ((i = 1; i <= KILLS; i++)); do
  if [ "$i" -eq $((KILLS / 5 + 1)) ]; then
    LOW=$(( ${FIRST_CONFIG_NEW:-0} > 25 ? ${FIRST_CONFIG_NEW:-0} - 25 : 0 ))
    HIGH=$(( ${FIRST_BOTH_NEW:-$SHUTDOWN_MS} + 10 ))
    echo "kill_save: the files turn new from about ${FIRST_CONFIG_NEW:-?} to ${FIRST_BOTH_NEW:-?} ms; kills now over $LOW..$HIGH ms"
  fi
  start_to_menu  # the start after the previous kill, with what it left
  put_old_files  # what the shutdown replaces; the game already holds the settings and table
  child=$(game_child)
  delay=$((LOW + RANDOM % (HIGH - LOW + 1)))
  kill -TERM "$child"
  sleep "$(awk -v d="$delay" 'BEGIN { printf "%.3f", d / 1000 }')"
  kill -KILL "$child" 2>/dev/null || true
  e2e_wait_game 10 || die "the game did not end after SIGKILL"
  c=$(state_of config.ini)
  h=$(state_of highscores.dat)
  OUTCOMES["config $c, highscores $h"]=$(( ${OUTCOMES["config $c, highscores $h"]:-0} + 1 ))
  if [ "$c" = damaged ] || [ "$h" = damaged ]; then
    DAMAGED=$((DAMAGED + 1))
    echo "kill $i after $delay ms: config.ini $c, highscores.dat $h"
    cp "$GAME/config.ini" "$E2E_TMP/damaged-config-$i" 2>/dev/null || true
  fi
  if [ "$c" = new ] && { [ -z "$FIRST_CONFIG_NEW" ] || [ "$delay" -lt "$FIRST_CONFIG_NEW" ]; }; then FIRST_CONFIG_NEW=$delay; fi
  if [ "$h" = new ] && { [ -z "$FIRST_BOTH_NEW" ] || [ "$delay" -lt "$FIRST_BOTH_NEW" ]; }; then FIRST_BOTH_NEW=$delay; fi
  left=$(leftovers)
  [ "$left" -gt "$MAX_LEFT" ] && MAX_LEFT=$left
done

# A last start with everything the kills left behind, and a clean end.
start_to_menu
e2e_terminate_game "$(e2e_slow 15)"
echo "kill_save: $KILLS kills:"
for k in "${!OUTCOMES[@]}"; do echo "  ${OUTCOMES[$k]} x $k"; done
echo "kill_save: hidden temporaries left by the kills: $(leftovers)"
check "no kill left a damaged file ($DAMAGED did)" '[ "$DAMAGED" -eq 0 ]'
# Whether a kill falls between the two saves is luck of a few milliseconds (less still
# under a loaded machine's scheduling); that the kills spread across the save is not.
echo "kill_save: kills between the two saves: ${OUTCOMES["config new, highscores old"]:-0}"
check "the kills spread across the save (some found the old files, some the new)" \
  '[ "${OUTCOMES["config old, highscores old"]:-0}" -gt 0 ] && [ "${OUTCOMES["config new, highscores new"]:-0}" -gt 0 ]'
check "the start after the kills ends with status 0" '[ "$GAME_STATUS" = 0 ]'
check "it wrote the new config.ini" '[ "$(state_of config.ini)" = new ]'
check "and the new highscores.dat" '[ "$(state_of highscores.dat)" = new ]'
finish
