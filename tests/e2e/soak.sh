#!/usr/bin/env bash
# tests/e2e/soak.sh [SIM_MINUTES] [MONKEY_SECONDS]: memory over long play, not part of ctest.
#  1. zolvane-sim plays SIM_MINUTES (default 60) of simulated time of each game type from a
#     generated script of key snapshots (the well emptied now and then so a game goes on; a
#     game that ends by its type's rules is followed by the next one), and reports its own
#     resident memory every simulated minute: the hour runs in about a second, too fast to
#     sample from outside.
#  2. The real program under tests/e2e/monkey.sh for MONKEY_SECONDS (default 600), its
#     resident memory sampled every 10 s.
# Fails when the memory grows: the last quarter's resident size may exceed the second
# quarter's by at most SOAK_GROWTH_KIB (default 4096 KiB for the sim, 16384 KiB for the game).
# ZOLVANE_BUILD names the build folder (default build).
set -euo pipefail
export LC_ALL=C
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=${ZOLVANE_BUILD:-build}
export ZOLVANE_BUILD=$BUILD
SIM_MINUTES=${1:-60}
MONKEY_SECONDS=${2:-600}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/zolvane-soak.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
FAILED=0

# Steps of 16 ms with a player's keys: mostly none (keys must be released to act again),
# moves, turns, soft and hard drops, a pause now and then; the well is emptied every 0.32 s
# of game time, before drops at that rate can fill it; the state every simulated minute.
# A pause ends with Escape, then N: a second P would pause the next game for good when a
# game over had swallowed the first, and N answers the question Escape then asks.
make_script() {  # MINUTES SEED
  awk -v minutes="$1" -v seed="$2" 'BEGIN {
    srand(seed)
    split("Left Right Up Down Space Ctrl Left Right Up Space", keys, " ")
    steps = minutes * 60000 / 16
    for (s = 1; s <= steps; s++) {
      r = rand()
      if (r < 0.70) print 16
      else if (r < 0.9995) print 16, keys[1 + int(rand() * 10)]
      else {
        print 16, "P"; print 16; print "repeat 60 16"
        print 16, "Escape"; print 16; print 16, "N"; print 16
      }
      if (s % 20 == 0) for (row = 1; row <= 20; row++) print "well", row, ".........."
      if (s % 3750 == 0) print "print"
    }
    print "print"
  }'
}

# "MAX_RSS SECOND_QUARTER_RSS LAST_QUARTER_RSS SAMPLES" from lines "TIME RSS ...".
summarise() {  # FILE
  awk '{ t[NR] = $1; r[NR] = $2; if ($2 > max) max = $2 }
    END {
      if (NR < 4) { print max + 0, 0, 0, NR; exit }
      for (i = int(NR / 4) + 1; i <= int(NR / 2); i++) { a += r[i]; na++ }
      for (i = int(3 * NR / 4) + 1; i <= NR; i++) { b += r[i]; nb++ }
      printf "%d %d %d %d\n", max, a / na, b / nb, NR
    }' "$1"
}

check_growth() {  # WHAT FILE LIMIT_KIB
  local max early late n
  read -r max early late n < <(summarise "$2")
  echo "soak: $1: $n samples, resident memory second quarter $early KiB, last quarter $late KiB, peak $max KiB"
  if [ "$n" -lt 4 ]; then
    echo "FAIL: $1: only $n memory samples"
    FAILED=$((FAILED + 1))
  elif [ $((late - early)) -gt "$3" ]; then
    echo "FAIL: $1: resident memory grew by $((late - early)) KiB (limit $3 KiB)"
    FAILED=$((FAILED + 1))
  fi
}

# --- 1. The rules for an hour of each game type.
for type in 1 2 3 4; do
  make_script "$SIM_MINUTES" "$type" >"$WORK/script"
  status=0
  timeout 600 "$BUILD/zolvane-sim" --type "$type" --seed "$type" --again --memory "$WORK/script" \
    >"$WORK/sim.out" 2>"$WORK/sim.err" || status=$?
  [ "$status" = 0 ] || { echo "FAIL: zolvane-sim type $type ended with $status"; tail -n5 "$WORK/sim.err"; FAILED=$((FAILED + 1)); }
  # One sample per printed line: "MINUTE RESIDENT_KIB GAMES".
  samples="$WORK/sim-$type.mem"
  sed -n 's/.*"Games":\([0-9]*\),"ResidentKiB":\([0-9]*\).*/\2 \1/p' "$WORK/sim.out" |
    awk '{ print NR, $1, $2 }' >"$samples"
  games=$(tail -n1 "$samples" | cut -d' ' -f3)
  echo "soak: sim type $type: status $status, $(wc -l <"$samples") lines, ${games:-?} games"
  check_growth "sim type $type" "$samples" "${SOAK_GROWTH_KIB:-4096}"
done

# --- 2. The real program under the monkey, its memory every 10 s.
mem="$WORK/game.mem"
: >"$mem"
if ZOLVANE_SOAK_LOG="$mem" MONKEY_REQUIRE_ALL=0 timeout $((MONKEY_SECONDS + 600)) \
    bash "$HERE/monkey.sh" "$MONKEY_SECONDS" >"$WORK/monkey.out" 2>&1; then
  echo "soak: monkey passed"
else
  echo "FAIL: the monkey failed"; tail -n 30 "$WORK/monkey.out"; FAILED=$((FAILED + 1))
fi
grep '^monkey:' "$WORK/monkey.out" || true
echo "soak: seconds, resident KiB, peak KiB, games started so far:"
awk '{ printf "  %5d s %7d KiB %7d KiB %3d games\n", $1, $2, $3, $4 }' "$mem"
# The first minute loads the sounds and the music: growth counts from the second quarter on.
check_growth "game under the monkey" "$mem" "${SOAK_GAME_GROWTH_KIB:-16384}"

if [ "$FAILED" -ne 0 ]; then echo "$FAILED check(s) failed"; exit 1; fi
echo "all checks passed"
