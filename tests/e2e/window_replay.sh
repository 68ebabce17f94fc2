#!/usr/bin/env bash
# A game of each type played in the real window with random keys, as a player would, and
# then proven by its replay: `zolvane-sim --verify` on lastgame.zrp gives the score, lines,
# level and game time the game recorded, and the well the screen trace saw as it ended; the
# high score row the name went into has that score, and its own replay under replays/
# verifies too. Then the game is watched in the window: Advanced by `zolvane --replay` and
# Crazy from its high score row, at the recorded pace, each ending on the picture the game
# ended on; Classic and Special by `zolvane --replay` at 4x.
#
# Each type has a seed of its own for the keys, printed below: ZOLVANE_REPLAY_SEED=N plays
# the keys of seed N + type again (the game's own timing still varies from run to run).
# ZOLVANE_REPLAY_SECONDS sets the random play's game time (45 s by default: the first
# garbage row of Advanced and Crazy comes at 45 s, and Crazy's speed has risen by then).
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"

SIM="$BUILD/zolvane-sim"
[ -x "$SIM" ] || die "no $SIM: build zolvane-sim first"
SEED_BASE=${ZOLVANE_REPLAY_SEED:-7100}
PLAY_SECONDS=${ZOLVANE_REPLAY_SECONDS:-45}
TYPES=${ZOLVANE_REPLAY_TYPES:-1 2 3 4}

# --- Time in milliseconds, and random waits.

now_ms() { local t=${EPOCHREALTIME/./}; echo $((t / 1000)); }
# A random number of milliseconds from LOW to HIGH, as seconds for sleep, in WAIT. Never
# drawn in a subshell: bash seeds RANDOM afresh there, and the seed would repeat nothing.
pick_wait() {  # LOW HIGH
  local ms=$(($1 + RANDOM % ($2 - $1 + 1)))
  printf -v WAIT '%d.%03d' $((ms / 1000)) $((ms % 1000))
}
random_sleep() { pick_wait "$@"; sleep "$WAIT"; }

# --- The keys. A key goes down only while the game runs: once the game is over a key still
# to come would leave the game-over picture or land in the name entry. Every key is let up.

PLAYING=""   # the screen of the game being played, "game T"
TYPE_NAMES=("" Classic Advanced Special Crazy)
HELD=()

key_down() {
  [ "$(e2e_screen)" = "$PLAYING" ] || return 0
  timeout 5 xdotool keydown "$1"
  HELD+=("$1")
  echo "$(now_ms) $1" >>"$RUN/keys"  # the keys as they went down, for a failure's report
}
keys_up() {
  local key
  for key in "${HELD[@]}"; do timeout 5 xdotool keyup "$key"; done
  HELD=()
}
still_playing() { [ "$(e2e_screen)" = "$PLAYING" ]; }

# Moves and turns most of the time, a drop one time in thirteen (Down held as briefly drops a
# figure as far). The moves lean to one side for a while, then to the other, so that the
# figures spread over the well instead of piling up where they come in: the stack grows
# slowly enough for the game to outlast its first garbage row. The key goes to KEY.
DRIFT=Left
pick_key() {
  local r=$((RANDOM % 90)) drops=(Down space ctrl)
  if [ $((RANDOM % 8)) -eq 0 ]; then
    if [ "$DRIFT" = Left ]; then DRIFT=Right; else DRIFT=Left; fi
  fi
  if [ "$r" -lt 7 ]; then
    KEY=${drops[RANDOM % 3]}
  elif [ "$r" -lt 30 ]; then
    KEY=Up
  elif [ "$r" -lt 75 ]; then
    KEY=$DRIFT
  elif [ "$DRIFT" = Left ]; then
    KEY=Right
  else
    KEY=Left
  fi
}

# One key held 0.05 to 0.6 s.
press_one() {
  pick_key
  key_down "$KEY"
  random_sleep 50 600
  keys_up
}
# Two keys held across each other: the second goes down while the first is held, the
# first comes up while the second still is.
press_overlapping() {
  local first second
  pick_key
  first=$KEY
  pick_key
  second=$KEY
  [ "$first" != "$second" ] || second=Up
  [ "$first" != Up ] || [ "$second" != Up ] || second=Left
  key_down "$first"
  random_sleep 50 300
  key_down "$second"
  random_sleep 50 300
  timeout 5 xdotool keyup "$first"
  random_sleep 50 300
  keys_up
}

# The pause held a random while, the pause screen for a second, the pause pressed again.
pause_and_resume() {
  still_playing || return 0
  key_down p
  random_sleep 50 600
  keys_up
  e2e_screen_within pause 5 || { fail "p gave no pause screen (last: '$(e2e_screen)')"; return 0; }
  e2e_shot "$(shot pause)"
  sleep 1
  pick_wait 50 300
  e2e_hold p "$WAIT"
  e2e_screen_within "$PLAYING" 5 || fail "p did not resume the game (last: '$(e2e_screen)')"
}

# Escape, and the question whether to end the game answered No.
escape_answered_no() {
  still_playing || return 0
  key_down Escape
  random_sleep 50 300
  keys_up
  e2e_screen_within "abort question" 5 || { fail "Escape asked nothing (last: '$(e2e_screen)')"; return 0; }
  e2e_shot "$(shot abort_question)"
  random_sleep 200 800
  pick_wait 50 300
  e2e_hold n "$WAIT"
  e2e_screen_within "$PLAYING" 5 || fail "n did not take the game back (last: '$(e2e_screen)')"
}

# Random keys until the game has run PLAY_SECONDS of its own time (the pause and the
# question do not count) or has ended by itself. The pause and Escape come once each, at
# random moments of the first two thirds.
random_play() {
  local start stopped=0 t0 pause_at escape_at events=0
  pause_at=$((3000 + RANDOM % (PLAY_SECONDS * 600)))
  escape_at=$((3000 + RANDOM % (PLAY_SECONDS * 600)))
  start=$(now_ms)
  while still_playing; do
    local played=$(($(now_ms) - start - stopped))
    [ "$played" -lt $((PLAY_SECONDS * 1000 + 500)) ] || break
    if [ -n "$pause_at" ] && [ "$played" -ge "$pause_at" ]; then
      t0=$(now_ms)
      pause_and_resume
      stopped=$((stopped + $(now_ms) - t0))
      pause_at=""
    elif [ -n "$escape_at" ] && [ "$played" -ge "$escape_at" ]; then
      t0=$(now_ms)
      escape_answered_no
      stopped=$((stopped + $(now_ms) - t0))
      escape_at=""
    elif [ $((RANDOM % 5)) -eq 0 ]; then
      press_overlapping
    else
      press_one
    fi
    events=$((events + 1))
    [ "$events" -ne 20 ] || e2e_shot "$(shot playing)"
    random_sleep 20 500
  done
  keys_up
  [ -z "$pause_at" ] || fail "the game ended before the pause came"
  [ -z "$escape_at" ] || fail "the game ended before Escape came"
  echo "  random play: $events key events, $((($(now_ms) - start - stopped) / 1000)) s played"
}

# Down held until the well is full: unlike Ctrl, Space, Enter or Esc it does not leave the
# game-over picture, which stays for its screenshot and for the watching to end on.
top_out() {
  local deadline=$((SECONDS + $(e2e_slow 90)))
  key_down Down
  while still_playing; do
    [ "$SECONDS" -lt "$deadline" ] || die "Down held did not end the game within $(e2e_slow 90) s"
    sleep 0.1
  done
  keys_up
}

# --- One game.

# play_type TYPE: a fresh run folder in $RUN/game, the game started from the main menu,
# played, ended and its name entered, the program left through Exit. Leaves behind the run
# folder, the screen trace $RUN/trace, the screenshots in $RUN/shots and the game's output
# in $RUN/out and $RUN/err. Sets NAME, the name typed.
play_type() {  # TYPE
  local type=$1 seed=$((SEED_BASE + $1)) i
  RUN="$E2E_TMP/type$type"
  GAME="$RUN/game" TRACE="$RUN/trace" SHOTS="$RUN/shots"
  NAME="Rnd $type"
  PLAYING="game $type"
  mkdir -p "$SHOTS"
  e2e_copy_run_folder
  export ZOLVANE_TRACE_SCREENS="$TRACE"
  RANDOM=$seed
  DRIFT=Left
  echo "== type $type, ${TYPE_NAMES[type]}: keys of seed $seed"

  e2e_start_game "$(e2e_slow $((PLAY_SECONDS + 150)))"
  e2e_wait_started "$(e2e_slow 20)"
  e2e_wait_screen main "$(e2e_slow 10)"
  local downs=()
  for ((i = 1; i < type; i++)); do downs+=(Down); done
  e2e_press Return "${downs[@]}" Return
  e2e_wait_screen "$PLAYING" "$(e2e_slow 10)"
  sleep 0.6  # the fade in
  e2e_shot "$(shot start)"

  random_play
  top_out
  e2e_wait_screen "game over" 5
  e2e_shot "$(shot game_over)"
  # Ctrl held as the well filled leaves the picture by itself, and a Space pressed during
  # that fade would still be down as the entry opens, typing a space once it comes up.
  e2e_screen_within "name entry" "$(e2e_slow 2)" || e2e_press space
  e2e_wait_screen "name entry" "$(e2e_slow 10)"
  sleep 0.3
  timeout 10 xdotool type --delay 120 "$NAME"
  sleep 0.3
  e2e_shot "$(shot name_typed)"
  e2e_press Return
  e2e_wait_screen "high scores" 5
  e2e_press Escape Up Return
  e2e_wait_game "$(e2e_slow 15)" || die "Exit did not end the program within $(e2e_slow 15) s"
  cp "$E2E_TMP/out" "$RUN/out"
  cp "$E2E_TMP/err" "$RUN/err"
  check "type $type: Exit, status 0 (got $GAME_STATUS)" '[ "$GAME_STATUS" = 0 ]'
}

# --- Its proof.

# zolvane-sim --verify FILE into $RUN/verify-NAME.txt; sets VERIFY_STATUS.
verify_file() {  # FILE NAME
  VERIFY_STATUS=0
  timeout "$(e2e_slow 60)" "$SIM" --verify "$1" >"$RUN/verify-$2.txt" 2>&1 || VERIFY_STATUS=$?
}
# "RECORDED REPLAYED" of a row of the --verify table.
verify_row() { awk -v r="$2" '$1 == r { print $2, $3; exit }' "$RUN/verify-$1.txt"; }

verify_type() {  # TYPE
  local type=$1 row rec rep
  local last="$GAME/lastgame.zrp"
  check "type $type: lastgame.zrp written" '[ -s "$last" ]'
  [ -s "$last" ] || return 0
  verify_file "$last" last
  cat "$RUN/verify-last.txt"
  check "type $type: zolvane-sim --verify exits 0 (got $VERIFY_STATUS)" '[ "$VERIFY_STATUS" = 0 ]'
  for row in Score Lines Level Seconds; do
    read -r rec rep < <(verify_row last "$row") || true
    check "type $type: $row replayed as recorded ($rec, $rep)" '[ -n "$rec" ] && [ "$rec" = "$rep" ]'
  done
  local score seconds
  read -r score _ < <(verify_row last Score) || true
  read -r seconds _ < <(verify_row last Seconds) || true
  check "type $type: at least $PLAY_SECONDS s of game time ($seconds)" '[ "${seconds:-0}" -ge "$PLAY_SECONDS" ]'

  local live replayed
  live=$(awk '$2 == "well" { w = $3 } END { print w }' "$TRACE")
  replayed=$(awk '$1 == "Well" { print $2 }' "$RUN/verify-last.txt")
  check "type $type: the trace saw the well at game over" '[ ${#live} -eq 219 ]'
  check "type $type: the replay ends with the well the game ended with" '[ "$live" = "$replayed" ]'
  [ "$live" = "$replayed" ] || printf '  live     %s\n  replayed %s\n' "$live" "$replayed"

  if [ "$type" = 2 ] || [ "$type" = 4 ]; then
    check "type $type: a garbage row came up by game over" '[[ $live == *8* ]]'
  fi

  check "type $type: highscores.dat is complete" 'e2e_highscores_complete "$GAME/highscores.dat"'
  local entry
  entry=$(e2e_highscores "$GAME/highscores.dat" | awk -v t="$type" '$1 == t && $2 == 1')
  check "type $type: rank 1 holds the name and the recorded score ('$entry')" \
    '[ "$entry" = "$type 1 $score $NAME" ]'

  local hex ranked
  hex=$(printf '%s' "$NAME" | od -An -tx1 | tr -d ' \n')
  ranked="$GAME/replays/$(printf '%d-%07d-%s.zrp' "$type" "${score:-0}" "$hex")"
  check "type $type: the row's replay ${ranked#"$GAME"/} exists" '[ -s "$ranked" ]'
  [ -s "$ranked" ] || return 0
  verify_file "$ranked" ranked
  check "type $type: the row's replay verifies (status $VERIFY_STATUS)" '[ "$VERIFY_STATUS" = 0 ]'
  check "type $type: with the same figures and well" \
    'diff <(tail -n +2 "$RUN/verify-last.txt") <(tail -n +2 "$RUN/verify-ranked.txt") >/dev/null'

  local steps lines
  steps=$(sed -n '1s/.*, \([0-9]*\) steps$/\1/p' "$RUN/verify-last.txt")
  read -r lines _ < <(verify_row last Lines) || true
  FIGURES+=("$(printf '%-5s %7s %6s %8s %8s %6s bytes  seed %s' "$type" "$score" "$lines" \
    "$seconds" "$steps" "$(stat -c %s "$last")" "$((SEED_BASE + type))")")
}

# --- Watching it.

# The game-over picture less the band its sign sways in: the well, the figures and the texts
# as the game ended, which nothing moves any more. Not a pixel may differ.
still_part_same() {  # SHOT SHOT
  local crop
  for crop in 720x226+0+0 720x226+0+314; do
    [ "$(compare -metric AE "$1[$crop]" "$2[$crop]" null: 2>&1)" = 0 ] || return 1
  done
}

# Milliseconds from the game's first screen to "game over" in a trace.
trace_span() {  # TRACE
  awk -v g="$PLAYING" '$0 ~ " " g "$" && !s { s = $1 } / game over$/ && s { print $1 - s; exit }' "$1"
}

# watch_type TYPE: the game watched in the window, from the command line or from its row of
# the table (Crazy), at 1x or 4x (Classic, Special). At 1x it ends on the picture the game
# ended on; either way the recorded key leaves it, for the screen it was started from.
watch_type() {  # TYPE
  local type=$1 speed=1 after=main live watched
  [ "$type" = 1 ] || [ "$type" = 3 ] && speed=4
  local live_trace="$TRACE"
  TRACE="$RUN/watch-trace"
  export ZOLVANE_TRACE_SCREENS="$TRACE"
  if [ "$type" = 4 ]; then
    after="high scores"
    e2e_start_game "$(e2e_slow $((PLAY_SECONDS + 120)))"
    e2e_wait_started "$(e2e_slow 20)"
    e2e_wait_screen main "$(e2e_slow 10)"
    e2e_press Down Down Return
    e2e_wait_screen "high scores" 5
    e2e_press Right Right Right Return
    sleep 0.3
    e2e_shot "$(shot table_marked)"
    e2e_press Return
  else
    e2e_start_game "$(e2e_slow $((PLAY_SECONDS + 120)))" --replay lastgame.zrp
    e2e_wait_started "$(e2e_slow 20)"
  fi
  e2e_wait_screen "$PLAYING" "$(e2e_slow 10)"
  [ "$speed" = 1 ] || e2e_press Right Right
  e2e_wait_screen "game over" "$(e2e_slow $((PLAY_SECONDS + 60)))"
  live=$(trace_span "$live_trace")
  watched=$(trace_span "$TRACE")
  echo "  watched at ${speed}x: ${watched} ms to game over, played in ${live} ms"
  if [ "$speed" = 1 ]; then
    sleep 0.3
    e2e_shot "$(shot watched_over)"
    check "type $type: the watched game ends on the picture the game ended on" \
      'still_part_same "$(shot game_over)" "$(shot watched_over)"'
    # A slow build's frames pass the 100 ms a step waits at most, so it watches faster.
    [ "$E2E_SLOW" != 1 ] || check "type $type: at the pace it was played" \
      '[ "$watched" -gt $((live * 9 / 10)) ] && [ "$watched" -lt $((live * 11 / 10 + 2000)) ]'
  else
    check "type $type: at 4x, in less than half the time it was played" \
      '[ "$watched" -lt $((live / 2)) ] && [ "$watched" -gt $((live / 8)) ]'
  fi
  e2e_wait_screen "$after" "$(e2e_slow 10)"
  pass "type $type: the recorded key leaves the watching for the $after screen"
  e2e_terminate_game
  check "type $type: closed after watching, status 0 (got $GAME_STATUS)" '[ "$GAME_STATUS" = 0 ]'
  check "type $type: watching kept no game" 'cmp -s "$GAME/lastgame.zrp" "$RUN/lastgame.zrp"'
}

e2e_start_x
FIGURES=()
for type in $TYPES; do
  play_type "$type"
  verify_type "$type"
  cp "$GAME/lastgame.zrp" "$RUN/lastgame.zrp"
  watch_type "$type"
  # Run folders, traces and screenshots for a person to look at.
  [ -z "${E2E_KEEP_SHOTS:-}" ] || { mkdir -p "$E2E_KEEP_SHOTS" && cp -r "$RUN" "$E2E_KEEP_SHOTS/"; }
  if [ "$FAILED" -ne 0 ]; then
    e2e_dump_game_output
    grep -v ' frames ' "$TRACE" | tail -n 12
    break
  fi
done
echo "type   score  lines  seconds    steps   file"
printf '%s\n' "${FIGURES[@]}"
finish
