#!/usr/bin/env bash
# Classic games played by keys (turns, moves, drops) under a private X server, with
# the game's sound written by SDL's disk driver, one game after the other for SECONDS;
# then the recordings (stereo 32-bit float at the device's rate), one after the other,
# are written to OUT and measured with bench/mix_measure stats. Needs Xvfb and xdotool
# (scripts/setup.sh installs them). SEED repeats the keys (the game's figures differ).
#
#   ZOLVANE_BUILD=build scripts/audio/record_game.sh MUSIC SOUND SECONDS OUT [SEED]
#
# ZOLVANE_MEASURE names the mix_measure to use (default: the one of this checkout's build),
# so that a recording of an older build is measured by the same program.
here=$(cd "$(dirname "$0")/../.." && pwd)
source "$here/tests/e2e/lib/session.sh"
[ $# -ge 4 ] || { echo "usage: $0 MUSIC SOUND SECONDS OUT [SEED]" >&2; exit 2; }
music=$1 sound=$2 limit=$3 out=$4
RANDOM=${5:-1}
measure=${ZOLVANE_MEASURE:-$here/build/bench/mix_measure}

e2e_copy_run_folder
printf '[Options]\r\nFullScreen=0\r\n\r\n[Settings]\r\nMusic volume=%s\r\nSound volume=%s\r\nRotation=1\r\nBrick Quality=2\r\nMusic Number=0\r\n' \
  "$music" "$sound" >"$GAME/config.ini"
e2e_start_x
trace="$E2E_TMP/trace"
export ZOLVANE_TRACE_SCREENS="$trace" SDL_AUDIODRIVER=disk
screen() { grep -v -e ' frames ' -e ' well ' "$trace" 2>/dev/null | tail -n1 | cut -d' ' -f2- || true; }

# Each figure: held to the left wall, moved one column further than the one before
# (cycling over the well), now and then turned, dropped, all in one xdotool run (one per
# key is too slow once the game speeds up); now and then it is left to fall. Spread that
# way the rows fill and some are cleared. A game over starts the next game, until SECONDS
# have passed.
play() {  # SECONDS: one game, until game over or the time is up
  local until=$((SECONDS + $1)) keys side
  while [ "$SECONDS" -lt "$until" ] && e2e_game_running; do
    case $(screen) in "game over" | "name entry") return 0 ;; esac
    keys=(keydown Left sleep 0.5 keyup Left sleep 0.03)  # held: to the wall
    for _ in $(seq $((drops % 9))); do keys+=(keydown Right sleep 0.04 keyup Right sleep 0.03); done
    [ $((RANDOM % 4)) = 0 ] && keys+=(keydown Up sleep 0.04 keyup Up sleep 0.03)
    [ $((RANDOM % 8)) = 0 ] || keys+=(keydown space sleep 0.04 keyup space)
    timeout 10 xdotool "${keys[@]}"
    drops=$((drops + 1))
    sleep 0.3
  done
}
start=$SECONDS drops=0 games=0 parts=()
while [ $((SECONDS - start)) -lt "$limit" ]; do
  : >"$trace"
  export SDL_DISKAUDIOFILE="$E2E_TMP/heard$games.raw"
  e2e_start_game $((limit + 60)) --game 1
  e2e_wait_started 60
  play $((limit - (SECONDS - start)))
  games=$((games + 1))
  parts+=("$SDL_DISKAUDIOFILE")
  echo "record_game: game $games ends at $((SECONDS - start)) s, $drops figures so far, on '$(screen)'"
  sleep 4  # game over's sounds
  e2e_terminate_game 15
done
cat "${parts[@]}" >"$out"
"$measure" stats "$out"
