#!/usr/bin/env bash
# The figures a performance review needs, measured on this machine: the frame rate of the
# game screen per brick quality with and without sparks, the CPU the game takes in the menu
# and in a game, its peak resident memory with and without a sound device, the time from
# launch to the first frame, and the cost of the audio callback.
#
# usage: bench/report.sh [BUILD_DIR]   (default: $ZOLVANE_BUILD, else build)
#   REPEAT=N   runs of the frame benchmark, the best kept (default 3)
# Each measurement has a time limit, runs under its own virtual X server with Mesa's
# software renderer, and from a copy of the run folder, so no player file changes. It takes
# a few minutes. The figures are only as quiet as the machine: say what else was running.
set -uo pipefail
export LC_ALL=C

SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SELF="$SOURCE/bench/report.sh"
XVFB=(xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp")
export LIBGL_ALWAYS_SOFTWARE=1 ZOLVANE_UNATTENDED=1

# --- Run inside a private X server (DISPLAY set), in a copy of the run folder. With no
# window manager the window under the pointer has the focus, so the game draws unaided.

# inner_memory RUN [zolvane arguments]: VmHWM in kB once the start-up is over and five
# seconds have been drawn.
inner_memory() {
  cd "$1" || exit 1
  shift
  ./zolvane "$@" >/dev/null 2>&1 &
  local pid=$! i
  trap 'kill -KILL "$pid" 2>/dev/null' EXIT
  for ((i = 0; i < 300; i++)); do  # the SoundFont takes a while to load
    tr -d '\r' 2>/dev/null <debug.txt | grep -qx 'DirectSound+DirectMusic - done' && break
    kill -0 "$pid" 2>/dev/null || { echo "the game ended during its start-up" >&2; exit 1; }
    sleep 0.1
  done
  sleep 5
  awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status"
  kill -TERM "$pid"
  timeout 20 tail --pid="$pid" -f /dev/null
  trap - EXIT
}

# inner_launch RUN: seconds from launch to the end of a one-frame run, each run at most
# 30 s; one run to warm the caches, then five, sorted.
inner_launch() {
  cd "$1" || exit 1
  local run start end status times=()
  for run in 0 1 2 3 4 5; do
    rm -f debug.txt
    start=$(date +%s.%N)
    status=0
    timeout -k 2 30 ./zolvane --quit-after-frames 1 >/dev/null 2>&1 || status=$?
    end=$(date +%s.%N)
    [ "$status" -eq 0 ] || { echo "run $run: exit status $status (124: no frame in 30 s)" >&2; exit 1; }
    [ "$run" -gt 0 ] && times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')")
  done
  printf '%s\n' "${times[@]}" | sort -n
}

if [ -n "${REPORT_INNER:-}" ]; then
  "inner_$REPORT_INNER" "$@"
  exit
fi

# --- The report.

BUILD=$(cd "${1:-${ZOLVANE_BUILD:-$SOURCE/build}}" && pwd) || exit 2
REPEAT=${REPEAT:-3}
[ -x "$BUILD/game/zolvane" ] || { echo "report: no $BUILD/game/zolvane" >&2; exit 2; }
TMP=$(mktemp -d "${TMPDIR:-/tmp}/zolvane-report.XXXXXX")
trap 'rm -rf "$TMP"' EXIT

# A fresh copy of the run folder for each measurement, in RUN.
fresh_run() {
  RUN=$(mktemp -d "$TMP/run.XXXXXX")
  cp -r "$BUILD/game/." "$RUN/"
  rm -f "$RUN/debug.txt"
}

# under_x SECONDS INNER [arguments]: an inner measurement under its own X server.
under_x() {
  local limit=$1 inner=$2
  shift 2
  REPORT_INNER=$inner timeout -k 5 "$limit" "${XVFB[@]}" bash "$SELF" "$@"
}

echo "== Machine"
echo "cores: $(nproc)"
echo "CPU: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"

echo
echo "== Frame rate of the game screen: a full well (200 bricks), best of $REPEAT runs"
if [ -x "$BUILD/bench/frame_bench" ]; then
  for ((i = 1; i <= REPEAT; i++)); do
    fresh_run
    timeout -k 5 600 "${XVFB[@]}" "$BUILD/bench/frame_bench" --run-dir "$RUN" \
      --benchmark_filter='BM_GameFrame/|BM_FrameParts/quality:[0-2]/parts:(8|32)/' \
      >"$TMP/frames.$i" 2>&1 ||
      echo "(run $i failed: $(tail -n1 "$TMP/frames.$i"))"
  done
  renderer=$(sed -n 's/^gl_renderer: //p' "$TMP"/frames.* | head -n1)
  echo "GL renderer: ${renderer:-unknown}"
  # "BM_GameFrame/quality:Q/sparks:S/real_time  T ms ...": the shortest time of each case.
  cat "$TMP"/frames.* | awk '
    $1 ~ /^BM_GameFrame\/quality:[0-9]+\/sparks:[01]/ && $3 == "ms" {
      split($1, p, "[/:]"); key = p[3] " " p[5]
      if (!(key in best) || $2 + 0 < best[key]) best[key] = $2 + 0
    }
    END {
      split("low medium high", name, " ")
      printf "%-8s %-7s %9s %7s\n", "quality", "sparks", "ms", "fps"
      for (q = 0; q <= 2; q++)
        for (s = 0; s <= 1; s++)
          if ((q " " s) in best)
            printf "%-8s %-7s %9.2f %7.1f\n", q " " name[q + 1], s ? "50" : "none",
                   best[q " " s], 1000 / best[q " " s]
    }'
  echo "The well alone: colour by colour as DrawWell draws it, and brick by brick"
  cat "$TMP"/frames.* | awk '
    $1 ~ /^BM_FrameParts\/quality:[0-9]+\/parts:(8|32)\// && $3 == "ms" {
      split($1, p, "[/:]"); key = p[3] " " p[5]
      if (!(key in best) || $2 + 0 < best[key]) best[key] = $2 + 0
    }
    END {
      printf "%-8s %16s %16s\n", "quality", "by colour ms", "brick by brick ms"
      for (q = 0; q <= 2; q++)
        if ((q " 8") in best && (q " 32") in best)
          printf "%-8s %16.2f %16.2f\n", q, best[q " 8"], best[q " 32"]
    }'
else
  echo "skipped: no $BUILD/bench/frame_bench (Google Benchmark missing at configure time)"
fi

echo
echo "== CPU, % of one core, at the default pacing"
if [ -f "$SOURCE/bench/cpu_usage.sh" ]; then
  timeout -k 5 300 bash "$SOURCE/bench/cpu_usage.sh" "$BUILD/game" || echo "(cpu_usage.sh failed)"
else
  echo "skipped: bench/cpu_usage.sh is not there yet"
fi

echo
echo "== Peak resident memory (VmHWM), after start-up and 5 s on the screen"
for audio in dummy no-such-driver; do
  for screen in menu game; do
    args=()
    [ "$screen" = game ] && args=(--game 1)
    fresh_run
    label="$screen, SDL_AUDIODRIVER=$audio"
    [ "$audio" = dummy ] && label+=" (sound device)" || label+=" (no sound device)"
    if kb=$(SDL_AUDIODRIVER=$audio under_x 90 memory "$RUN" "${args[@]}" 2>"$TMP/err") &&
      [ -n "$kb" ]; then
      awk -v l="$label" -v kb="$kb" 'BEGIN { printf "%-56s %6.1f MiB\n", l ":", kb / 1024 }'
    else
      echo "$label: failed ($(tail -n1 "$TMP/err"))"
    fi
  done
done

echo
echo "== Launch to first frame (zolvane --quit-after-frames 1, SDL_AUDIODRIVER=dummy)"
if grep -qa -- '--quit-after-frames' "$BUILD/game/zolvane"; then
  fresh_run
  if times=$(SDL_AUDIODRIVER=dummy under_x 300 launch "$RUN" 2>"$TMP/err"); then
    echo "median of 5 warm runs: $(sed -n 3p <<<"$times") s (all: $(echo $times))"
  else
    echo "failed ($(tail -n1 "$TMP/err"))"
  fi
else
  echo "skipped: this zolvane has no --quit-after-frames yet"
fi

echo
echo "== Audio callback (bench/audio_bench --seconds 20)"
if [ -x "$BUILD/bench/audio_bench" ]; then
  fresh_run
  timeout -k 5 300 "$BUILD/bench/audio_bench" --run-dir "$RUN" --seconds 20 ||
    echo "(audio_bench failed)"
else
  echo "skipped: no $BUILD/bench/audio_bench"
fi

echo
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
