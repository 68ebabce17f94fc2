#!/usr/bin/env bash
# The CPU the game takes, in percent of one core, in the main menu and in a game of type 1,
# under a private virtual X server with Mesa's software renderer and no sound device.
#
# usage: bench/cpu_usage.sh RUN_FOLDER [--seconds S] [--max-fps N] [--rate]
#   RUN_FOLDER   a run folder (build/game): zolvane, config.ini and the data folders;
#                it is copied, never changed
#   --seconds S  the measured stretch (default 10), after 5 s of start-up and warm-up
#   --max-fps N  writes "Max FPS=N" into the copy's [Options]
#   --rate       also the frames per second, from the time of 601 frames less that of 1
#                (needs --quit-after-frames)
# Prints "menu: X % of a core (Xvfb: Z %)" and "game: Y % of a core (Xvfb: Z %)".
# The figures are only as quiet as the machine: say what else was running.
set -euo pipefail
export LC_ALL=C

if [ -z "${CPU_USAGE_INNER:-}" ]; then
  [ $# -ge 1 ] && [ -x "$1/zolvane" ] || { sed -n '5,13p' "$0" >&2; exit 2; }
  CPU_USAGE_INNER=1 exec timeout 600 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
    bash "$0" "$@"
fi

RUN=$(cd "$1" && pwd)
shift
SECONDS_MEASURED=10 MAX_FPS="" RATE=0
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) SECONDS_MEASURED=$2; shift 2 ;;
    --max-fps) MAX_FPS=$2; shift 2 ;;
    --rate) RATE=1; shift ;;
    *) echo "cpu_usage.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

export SDL_AUDIODRIVER=no-such-driver LIBGL_ALWAYS_SOFTWARE=1 ZOLVANE_UNATTENDED=1
XVFB_PID=$(pgrep -P "$PPID" -x Xvfb || true)  # xvfb-run is our parent
TMP=$(mktemp -d "${TMPDIR:-/tmp}/zolvane-cpu.XXXXXX")
GAME_PID=""
cleanup() {
  [ -n "$GAME_PID" ] && kill -KILL "$GAME_PID" 2>/dev/null || true
  rm -rf "$TMP"
}
trap cleanup EXIT

cp -r "$RUN/." "$TMP/"
rm -f "$TMP/debug.txt"
if [ -n "$MAX_FPS" ]; then
  tr -d '\r' <"$TMP/config.ini" | grep -vi '^max fps *=' |
    awk -v n="$MAX_FPS" '{ print } /^\[Options\]/ { print "Max FPS=" n }' >"$TMP/config.new"
  grep -q '^\[Options\]' "$TMP/config.new" || printf '[Options]\nMax FPS=%s\n' "$MAX_FPS" >>"$TMP/config.new"
  mv "$TMP/config.new" "$TMP/config.ini"
fi

ticks() { [ -n "$1" ] && awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
now() { date +%s.%N; }

# measure LABEL [zolvane arguments]
measure() {
  local label=$1 a x s b y e
  shift
  (cd "$TMP" && exec ./zolvane "$@" >/dev/null 2>&1) &
  GAME_PID=$!
  sleep 3
  # Without a window manager nobody hands out the focus, and an unfocused game rests.
  local wid
  wid=$(xdotool search --onlyvisible --name '^Zolvane$' 2>/dev/null | head -1 || true)
  [ -n "$wid" ] && xdotool windowfocus --sync "$wid" 2>/dev/null || true
  sleep 2
  kill -0 "$GAME_PID" 2>/dev/null || { echo "$label: the game ended early" >&2; exit 1; }
  a=$(ticks "$GAME_PID") x=$(ticks "$XVFB_PID") s=$(now)
  sleep "$SECONDS_MEASURED"
  b=$(ticks "$GAME_PID") y=$(ticks "$XVFB_PID") e=$(now)
  kill -TERM "$GAME_PID"
  wait "$GAME_PID" || true
  GAME_PID=""
  awk -v l="$label" -v a="$a" -v b="$b" -v x="$x" -v y="$y" -v s="$s" -v e="$e" \
      -v hz="$(getconf CLK_TCK)" 'BEGIN {
    printf "%s: %.0f %% of a core (Xvfb: %.0f %%)\n", l, (b-a)/hz/(e-s)*100, (y-x)/hz/(e-s)*100 }'
}

# rate LABEL [zolvane arguments]: frames per second once started.
rate() {
  local label=$1 s m e
  shift
  s=$(now); (cd "$TMP" && timeout 120 ./zolvane "$@" --quit-after-frames 1 >/dev/null 2>&1); m=$(now)
  (cd "$TMP" && timeout 120 ./zolvane "$@" --quit-after-frames 601 >/dev/null 2>&1); e=$(now)
  awk -v l="$label" -v s="$s" -v m="$m" -v e="$e" 'BEGIN {
    printf "%s: %.0f frames/s (launch to first frame and out: %.2f s)\n", l, 600/((e-m)-(m-s)), m-s }'
}

measure menu
measure game --game 1
if [ "$RATE" = 1 ]; then
  rate menu
  rate game --game 1
fi
