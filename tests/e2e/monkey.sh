#!/usr/bin/env bash
# tests/e2e/monkey.sh [SECONDS]: the real program under random but plausible player input
# for SECONDS (default 60): keys, held keys and chords, bursts and pauses, focus taken
# away and given back, the window hidden and shown. The randomness leans towards screens
# not yet seen, so that every menu screen, a game of each type, pause, the abort question,
# game over and the name entry are reached. Passes when the program never crashed, never
# stopped drawing, printed no sanitizer report, ends with status 0 on SIGTERM, and left
# config.ini and highscores.dat complete. ZOLVANE_BUILD names the build (the sanitizer
# build: ZOLVANE_BUILD=build-sanitize); MONKEY_SEED repeats a run.
# ZOLVANE_SOAK_LOG=FILE samples the game's memory every 10 s into FILE (tests/e2e/soak.sh).
source "$(dirname "$0")/lib/session.sh"

DURATION=${1:-60}
SEED=${MONKEY_SEED:-$((RANDOM * 32768 + RANDOM))}
RANDOM=$SEED
echo "monkey: $DURATION s, seed $SEED, build $BUILD"

TRACE="$E2E_TMP/trace"
export ZOLVANE_TRACE_SCREENS="$TRACE"
ALL_SCREENS=("main" "options" "game types" "help" "high scores" "name entry"
             "game 1" "game 2" "game 3" "game 4" "pause" "abort question" "game over")
HANG_LIMIT=$(e2e_slow 10)   # seconds in focus without a frame
STARTS=0
EXITS=0
LAST_FRAMES=""
LAST_PROGRESS=$SECONDS
THIEF_PID=""

monkey_cleanup_thief() {
  if [ -n "$THIEF_PID" ]; then
    kill "$THIEF_PID" 2>/dev/null || true
    wait "$THIEF_PID" 2>/dev/null || true
  fi
  THIEF_PID=""
}
trap 'status=$?; monkey_cleanup_thief; set +e; (exit $status); e2e_cleanup' EXIT

rand() { echo $((RANDOM % $1)); }  # 0..N-1
chance() { [ $((RANDOM % 100)) -lt "$1" ]; }  # true with PERCENT probability
nap() { sleep "$(awk -v a="$1" -v b="$2" -v r=$RANDOM 'BEGIN { printf "%.2f", a + (b - a) * r / 32767 }')"; }

screen() { grep -v -e ' frames ' -e ' well ' "$TRACE" 2>/dev/null | tail -n1 | cut -d' ' -f2- || true; }
frames() { grep ' frames ' "$TRACE" 2>/dev/null | tail -n1 | cut -d' ' -f3 || true; }
seen() { grep -v -e ' frames ' -e ' well ' "$TRACE" 2>/dev/null | cut -d' ' -f2- | grep -xF -- "$1" >/dev/null; }

# A sanitizer's or the C++ runtime's report on standard error fails the run at once.
check_reports() {
  if grep -qE 'Sanitizer|runtime error:|terminate called|Assertion' "$E2E_TMP/err" 2>/dev/null; then
    sed -n '1,60p' "$E2E_TMP/err"
    die "a report on the game's standard error"
  fi
}

start_game() {
  STARTS=$((STARTS + 1))
  e2e_start_game $((DURATION + $(e2e_slow 120))) 
  e2e_wait_window "$(e2e_slow 20)"
  e2e_focus
  LAST_PROGRESS=$SECONDS
  LAST_FRAMES=""
}

# The program may end on its own: the menu's Exit is a key sequence like any other. That
# must be a clean end, after which a player starts it again.
check_alive() {
  e2e_game_running && return 0
  e2e_wait_game 5 || true
  check_reports
  [ "$GAME_STATUS" = 0 ] || { e2e_dump_game_output; die "the game ended with status $GAME_STATUS"; }
  check_files "after Exit"
  EXITS=$((EXITS + 1))
  echo "monkey: the game was left through Exit at $((SECONDS - T0)) s; starting it again"
  start_game
  return 1
}

# The loop draws while the window has the focus: the frame count must keep moving.
check_progress() {
  local now
  now=$(frames)
  if [ "$now" != "$LAST_FRAMES" ]; then
    LAST_FRAMES=$now
    LAST_PROGRESS=$SECONDS
  elif [ $((SECONDS - LAST_PROGRESS)) -gt "$HANG_LIMIT" ]; then
    die "no frame drawn for $HANG_LIMIT s in focus (screen '$(screen)', frames $now)"
  fi
}

check_files() {
  e2e_config_complete "$GAME/config.ini" || { cat "$GAME/config.ini"; die "config.ini damaged ($1)"; }
  if [ -e "$GAME/highscores.dat" ]; then
    e2e_highscores_complete "$GAME/highscores.dat" || die "highscores.dat damaged ($1)"
  fi
}

# --- Input.
KEYS=(Left Right Up Down space Control_L Return Escape p y n BackSpace a e k q z 1 7 0 F1 Tab)

hold() { timeout 5 xdotool keydown "$1" 2>/dev/null || true; nap "$2" "$3"; timeout 5 xdotool keyup "$1" 2>/dev/null || true; }
tap() { hold "$1" 0.08 0.13; nap 0.1 0.25; }
taps() { local k; for k in "$@"; do tap "$k"; done; }

random_key() { echo "${KEYS[$(rand ${#KEYS[@]})]}"; }

# Another window takes the keyboard for a while; the game pauses until it gets it back.
steal_focus() {
  if [ -z "$THIEF_PID" ] || ! e2e_running "$THIEF_PID"; then
    xmessage -name monkeythief -title monkeythief -geometry +760+600 "focus" >/dev/null 2>&1 &
    THIEF_PID=$!
    sleep 0.5
  fi
  local thief
  thief=$(timeout 3 xdotool search --name '^monkeythief$' 2>/dev/null | head -n1 || true)
  [ -n "$thief" ] || return 0
  # Now and then a key is still held while the focus goes.
  local held=""
  if chance 30; then held=$(random_key); timeout 5 xdotool keydown "$held" 2>/dev/null || true; fi
  timeout 5 xdotool windowfocus --sync "$thief" 2>/dev/null || true
  nap 0.3 1.2
  if [ -n "$held" ]; then timeout 5 xdotool keyup "$held" 2>/dev/null || true; fi
  e2e_focus
  LAST_PROGRESS=$SECONDS
}

# The window unmapped and mapped again, as a minimize and restore without a window manager.
hide_and_show() {
  timeout 5 xdotool windowunmap --sync "$WID" 2>/dev/null || true
  nap 0.3 1.5
  timeout 5 xdotool windowmap --sync "$WID" 2>/dev/null || true
  sleep 0.2
  e2e_focus
  LAST_PROGRESS=$SECONDS
}

noise() {
  case $(rand 10) in
    0 | 1 | 2) tap "$(random_key)" ;;
    3) hold "$(random_key)" 0.3 1.5 ;;
    4)  # a chord
      local a b
      a=$(random_key); b=$(random_key)
      timeout 5 xdotool keydown "$a" keydown "$b" 2>/dev/null || true
      nap 0.1 0.6
      timeout 5 xdotool keyup "$b" keyup "$a" 2>/dev/null || true
      ;;
    5)  # a burst
      local i n=$((5 + $(rand 12)))
      for ((i = 0; i < n; i++)); do
        timeout 5 xdotool key --delay 20 "$(random_key)" 2>/dev/null || true
      done
      ;;
    6) nap 0.3 1.5 ;;
    7) if chance 50; then steal_focus; else hide_and_show; fi ;;
    8) taps Left Left Right Up Down ;;
    9) tap space ;;
  esac
}

# --- Plans: key sequences that lead to a screen, with the randomness of a hurried player.

wait_screen() {  # PATTERN SECONDS
  local deadline=$((SECONDS + $2))
  while [ "$SECONDS" -le "$deadline" ]; do
    [[ $(screen) =~ $1 ]] && return 0
    sleep 0.1
  done
  return 1
}

to_main() {
  local tries
  for ((tries = 0; tries < 6; tries++)); do
    check_alive || return 0
    case $(screen) in
      main) return 0 ;;
      "name entry") type_name ;;
      "game "[1-4] | pause) tap Escape ;;
      "abort question") tap y; wait_screen '^main$' "$(e2e_slow 3)" || true ;;
      "game over") tap Return; sleep 1 ;;
      *) tap Escape ;;
    esac
    sleep 0.3
  done
}

# Main menu item N (1 New Game .. 4 Help): Esc selects Exit, Down wraps round to New Game.
main_item() {
  to_main
  [ "$(screen)" = main ] || return 0
  tap Escape
  local i
  for ((i = 0; i < $1 % 5; i++)); do tap Down; done
  tap Return
  sleep 0.4
}

NAME_KEYS=({a..z} {0..9} space)
type_name() {
  local i n=$((2 + $(rand 8)))
  for ((i = 0; i < n; i++)); do
    if chance 15; then tap BackSpace; else tap "${NAME_KEYS[$(rand ${#NAME_KEYS[@]})]}"; fi
  done
  if chance 20; then tap Escape; fi
  tap Return
  sleep 0.5
}

plan_options() {
  main_item 2
  local i
  local n=$((3 + $(rand 6)))
  for ((i = 0; i < n; i++)); do
    case $(rand 5) in
      0) tap Up ;; 1) tap Down ;; 2) hold Left 0.2 0.8 ;; 3) hold Right 0.2 0.8 ;; 4) tap Return ;;
    esac
  done
  tap Escape
}

plan_help() { main_item 4; nap 0.5 2; tap Escape; }

plan_scores() {
  main_item 3
  local i
  local n=$((1 + $(rand 5)))
  for ((i = 0; i < n; i++)); do if chance 50; then tap Left; else tap Right; fi; done
  tap Escape
}

# A game of type T, played for a little while.
plan_game() {  # T
  main_item 1
  [ "$(screen)" = "game types" ] || return 0
  local i
  for ((i = 1; i < $1; i++)); do tap Down; done
  tap Return
  wait_screen '^game [1-4]$' "$(e2e_slow 4)" || return 0
  sleep 0.4
  local n=$((4 + $(rand 10)))
  for ((i = 0; i < n; i++)); do
    case $(rand 7) in
      0) tap Left ;; 1) tap Right ;; 2) tap Up ;; 3) hold Down 0.2 0.6 ;; 4) tap space ;;
      5) tap Control_L ;; 6) if chance 30; then noise; fi ;;
    esac
  done
}

in_game() { [[ $(screen) =~ ^game\ [1-4]$ ]] || plan_game $((1 + $(rand 4))); [[ $(screen) =~ ^game\ [1-4]$ ]]; }

plan_pause() {
  in_game || return 0
  tap p
  nap 0.5 2
  if chance 50; then tap p; else tap Escape; fi
}

plan_abort() {
  in_game || return 0
  tap Escape
  wait_screen '^abort question$' 2 || return 0
  nap 0.3 1.5
  case $(rand 3) in 0) tap n ;; 1) tap Escape ;; 2) tap y ;; esac
}

# Figures dropped at once fill the well; a score above the table's last ranks for a name.
plan_game_over() {
  in_game || return 0
  local i
  for ((i = 0; i < 60; i++)); do
    [ "$(screen)" = "game over" ] && break
    [[ $(screen) =~ ^game\ [1-4]$ ]] || return 0
    if chance 80; then tap Control_L; else tap "$(random_key)"; fi
  done
  [ "$(screen)" = "game over" ] || return 0
  nap 0.5 1.5
  tap Return
  wait_screen '^(name entry|high scores)$' "$(e2e_slow 3)" || return 0
  [ "$(screen)" = "name entry" ] && type_name
  return 0
}

plan_for() {  # SCREEN
  case $1 in
    main) to_main ;;
    options) plan_options ;;
    "game types") main_item 1; nap 0.3 1 ;;
    help) plan_help ;;
    "high scores") plan_scores ;;
    "name entry" | "game over") plan_game_over ;;
    "game "[1-4]) plan_game "${1#game }" ;;
    pause) plan_pause ;;
    "abort question") plan_abort ;;
  esac
}

# The next goal: a screen not seen yet, or now and then any.
next_goal() {
  local missing=() s
  for s in "${ALL_SCREENS[@]}"; do seen "$s" || missing+=("$s"); done
  if [ ${#missing[@]} -gt 0 ] && chance 95; then
    echo "${missing[$(rand ${#missing[@]})]}"
  else
    echo "${ALL_SCREENS[$(rand ${#ALL_SCREENS[@]})]}"
  fi
}

sample_memory() {
  [ -n "${ZOLVANE_SOAK_LOG:-}" ] || return 0
  [ $((SECONDS - LAST_SAMPLE)) -ge 10 ] || return 0
  LAST_SAMPLE=$SECONDS
  local child
  child=$(pgrep -P "$GAME_PID" -x zolvane || true)
  [ -n "$child" ] && echo "$((SECONDS - T0)) $(e2e_memory "$child") $(grep -c '^[0-9]* game [1-4]$' "$TRACE")" >>"$ZOLVANE_SOAK_LOG"
}

# --- The run.
e2e_copy_run_folder
cp "$GAME/config.ini" "$E2E_TMP/config.before"
e2e_start_x
T0=$SECONDS
LAST_SAMPLE=-100
start_game
while [ $((SECONDS - T0)) -lt "$DURATION" ]; do
  check_alive || continue
  check_reports
  check_progress
  sample_memory
  if chance 12; then noise || true; else plan_for "$(next_goal)" || true; fi
done

check_alive || true
check_reports
monkey_cleanup_thief
e2e_focus
e2e_terminate_game "$(e2e_slow 15)"
check_reports
check "SIGTERM ends the game with status 0 (got $GAME_STATUS)" '[ "$GAME_STATUS" = 0 ]'
check "config.ini is complete" 'e2e_config_complete "$GAME/config.ini"'
check "its [Options] are as they were" \
  'diff <(tr -d "\r" <"$E2E_TMP/config.before" | sed -n "/^\[Options\]/,/^\[/p" | grep -v "^\[Settings") \
        <(tr -d "\r" <"$GAME/config.ini" | sed -n "/^\[Options\]/,/^\[/p" | grep -v "^\[Settings")'
check "highscores.dat is complete" 'e2e_highscores_complete "$GAME/highscores.dat"'
echo "monkey: high score table:"
e2e_highscores "$GAME/highscores.dat" | awk '$3 > 0' | head -n 12

missing=()
for s in "${ALL_SCREENS[@]}"; do seen "$s" || missing+=("$s"); done
[ -n "${MONKEY_TRACE_COPY:-}" ] && cp "$TRACE" "$MONKEY_TRACE_COPY"
changes=$(grep -vc -e ' frames ' -e ' well ' "$TRACE" || true)
echo "monkey: $changes screen changes, $(frames) frames, $STARTS start(s), $EXITS exit(s) through the menu"
for s in "${ALL_SCREENS[@]}"; do
  printf '  %-15s %s\n' "$s" "$(grep -v -e ' frames ' -e ' well ' "$TRACE" | cut -d' ' -f2- | grep -cxF -- "$s" || true)"
done
if [ "${MONKEY_REQUIRE_ALL:-1}" = 1 ]; then
  check "every screen was reached (missing: ${missing[*]:-none})" '[ ${#missing[@]} -eq 0 ]'
fi
finish
