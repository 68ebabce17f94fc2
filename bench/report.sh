#!/usr/bin/env bash
# The figures a performance review needs, measured on this machine: the frame rate of the
# game screen per brick quality with and without sparks, the CPU the game takes in the menu
# and in a game, its peak resident memory with and without a sound device, the time from
# launch to the first frame, and the cost of the audio callback.
#
# usage: bench/report.sh [BUILD_DIR]   (default: $ZOLVANE_BUILD, else build)
#        bench/report.sh --before BEFORE_BUILD_DIR [BUILD_DIR]
#   REPEAT=N   runs of the frame benchmark, the best kept (default 3)
# With --before, a table of the main figures instead, for both builds, each figure measured
# for one build right after the other so the two see the same machine: the full well at
# high quality, the CPU at 60 fps in the menu and in a game at high quality, the peak
# memory in a game without sound and with music, and the launch with and without sound.
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

# inner_launch RUN TO: seconds from launch to the first menu frame (TO=frame, as the game
# reports it) or to the end of a one-frame run (TO=exit: the shutdown too), each run at most
# 30 s; one run to warm the caches, then five, sorted.
inner_launch() {
  cd "$1" || exit 1
  local run start end out status times=()
  for run in 0 1 2 3 4 5; do
    rm -f debug.txt
    start=$(date +%s.%N)
    status=0
    out=$(timeout -k 2 30 ./zolvane --quit-after-frames 1 2>/dev/null) || status=$?
    end=$(date +%s.%N)
    [ "$status" -eq 0 ] || { echo "run $run: exit status $status (124: no frame in 30 s)" >&2; exit 1; }
    if [ "$2" = frame ]; then
      end=$(sed -n 's/^first frame drawn at //p' <<<"$out")
      [ -n "$end" ] || { echo "this zolvane does not report its first frame" >&2; exit 1; }
    fi
    [ "$run" -gt 0 ] && times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')")
  done
  printf '%s\n' "${times[@]}" | sort -n
}

if [ -n "${REPORT_INNER:-}" ]; then
  "inner_$REPORT_INNER" "$@"
  exit
fi

# --- The report.

BEFORE=""
if [ "${1:-}" = --before ]; then
  [ $# -ge 2 ] || { echo "report: --before needs a build folder" >&2; exit 2; }
  BEFORE=$(cd "$2" && pwd) || exit 2
  shift 2
fi
BUILD=$(cd "${1:-${ZOLVANE_BUILD:-$SOURCE/build}}" && pwd) || exit 2
REPEAT=${REPEAT:-3}
for b in $BEFORE "$BUILD"; do
  [ -x "$b/game/zolvane" ] || { echo "report: no $b/game/zolvane" >&2; exit 2; }
done
TMP=$(mktemp -d "${TMPDIR:-/tmp}/zolvane-report.XXXXXX")
trap 'rm -rf "$TMP"' EXIT

# fresh_run BUILD: a fresh copy of its run folder, at high quality, in RUN.
fresh_run() {
  RUN=$(mktemp -d "$TMP/run.XXXXXX")
  cp -r "$1/game/." "$RUN/"
  rm -f "$RUN/debug.txt"
  sed -i "s/^Brick Quality=[0-9]*/Brick Quality=3/" "$RUN/config.ini"
}

# under_x SECONDS INNER [arguments]: an inner measurement under its own X server.
under_x() {
  local limit=$1 inner=$2
  shift 2
  REPORT_INNER=$inner timeout -k 5 "$limit" "${XVFB[@]}" bash "$SELF" "$@"
}

# frame_runs BUILD FILTER: REPEAT runs of frame_bench, their output in $TMP/frames.*.
frame_runs() {
  local i
  rm -f "$TMP"/frames.*
  for ((i = 1; i <= REPEAT; i++)); do
    fresh_run "$1"
    timeout -k 5 600 "${XVFB[@]}" "$1/bench/frame_bench" --run-dir "$RUN" \
      --benchmark_filter="$2" >"$TMP/frames.$i" 2>&1 ||
      echo "(run $i failed: $(tail -n1 "$TMP/frames.$i"))" >&2
  done
}

# memory_mib BUILD AUDIO_DRIVER [zolvane arguments]: the peak resident memory in MiB.
memory_mib() {
  local build=$1 audio=$2 kb
  shift 2
  fresh_run "$build"
  kb=$(SDL_AUDIODRIVER=$audio under_x 90 memory "$RUN" "$@" 2>"$TMP/err") && [ -n "$kb" ] ||
    { echo "failed ($(tail -n1 "$TMP/err"))"; return 1; }
  awk -v kb="$kb" 'BEGIN { printf "%.1f MiB\n", kb / 1024 }'
}

# launch_times BUILD AUDIO_DRIVER TO: the five warm launches, sorted, one a line.
launch_times() {
  fresh_run "$1"
  SDL_AUDIODRIVER=$2 under_x 300 launch "$RUN" "$3" 2>"$TMP/err" ||
    { echo "failed ($(tail -n1 "$TMP/err"))"; return 1; }
}

echo "== Machine"
echo "cores: $(nproc)"
echo "CPU: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"

if [ -n "$BEFORE" ]; then
  echo "before: $BEFORE"
  echo "after:  $BUILD"
  row() { printf '| %s | %s | %s |\n' "$1" "$2" "$3"; }
  echo
  row figure before after
  row --- --- ---
  # One figure per row, the builds measured one right after the other.
  both() {  # LABEL FUNCTION [arguments]: the row of FUNCTION BUILD [arguments]
    local label=$1 fn=$2
    shift 2
    row "$label" "$("$fn" "$BEFORE" "$@" 2>&1 | tr '\n' ' ' | sed 's/ $//')" \
      "$("$fn" "$BUILD" "$@" 2>&1 | tr '\n' ' ' | sed 's/ $//')"
  }
  high_frame() {  # BUILD: the best time of the full well at high quality, no sparks
    [ -x "$1/bench/frame_bench" ] || { echo "no frame_bench"; return; }
    frame_runs "$1" 'BM_GameFrame/quality:2/sparks:0/'
    cat "$TMP"/frames.* | awk '$1 ~ /^BM_GameFrame\/quality:2\/sparks:0\// && $3 == "ms" {
      if (best == "" || $2 + 0 < best) best = $2 + 0 } END { printf "%.2f ms\n", best }'
  }
  cpu() {  # BUILD: menu and game at 60 fps, high quality, no sound
    fresh_run "$1"
    timeout -k 5 300 bash "$SOURCE/bench/cpu_usage.sh" "$RUN" --max-fps 60 2>&1 |
      sed -n 's/^\(menu\|game\): \([0-9]*\) % of a core.*/\2 %/p' | paste -sd/ - | sed 's|/| / |'
  }
  launch() {  # BUILD AUDIO_DRIVER TO: the median, and the range
    local t
    t=$(launch_times "$1" "$2" "$3") || { echo "$t"; return; }
    echo "$(sed -n 3p <<<"$t") s ($(head -n1 <<<"$t")-$(tail -n1 <<<"$t"))"
  }
  both "game frame, full well, high quality (frame_bench, best of $REPEAT)" high_frame
  both "CPU of a core at 60 fps, main menu / game at high quality" cpu
  both "peak resident memory in a game, without sound" memory_mib no-such-driver --game 1
  both "peak resident memory in a game, with music" memory_mib dummy --game 1
  both "launch to the first menu frame, without sound (median of 5 warm)" \
    launch no-such-driver frame
  both "launch to the first menu frame, with sound (median of 5 warm)" launch dummy frame
  both "launch to the first menu frame and out, with sound (median of 5 warm)" \
    launch dummy exit
  echo
  echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
  exit 0
fi

echo
echo "== Frame rate of the game screen: a full well (200 bricks), best of $REPEAT runs"
if [ -x "$BUILD/bench/frame_bench" ]; then
  frame_runs "$BUILD" 'BM_GameFrame/|BM_FrameParts/quality:[0-2]/parts:(8|32)/' 2>&1
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
    label="$screen, SDL_AUDIODRIVER=$audio"
    [ "$audio" = dummy ] && label+=" (sound device)" || label+=" (no sound device)"
    mib=$(memory_mib "$BUILD" "$audio" "${args[@]}") &&
      printf '%-56s %10s\n' "$label:" "$mib" || echo "$label: $mib"
  done
done

echo
echo "== Launch to the first frame, and to the end of a one-frame run (--quit-after-frames 1)"
if grep -qa -- '--quit-after-frames' "$BUILD/game/zolvane"; then
  for audio in dummy no-such-driver; do
    for to in frame exit; do
      if times=$(launch_times "$BUILD" "$audio" "$to"); then
        echo "SDL_AUDIODRIVER=$audio, to the $to: median of 5 warm runs: $(sed -n 3p <<<"$times") s (all: $(echo $times))"
      else
        echo "SDL_AUDIODRIVER=$audio, to the $to: $times"
      fi
    done
  done
else
  echo "skipped: this zolvane has no --quit-after-frames yet"
fi

echo
echo "== Audio callback (bench/audio_bench --seconds 20)"
if [ -x "$BUILD/bench/audio_bench" ]; then
  fresh_run "$BUILD"
  timeout -k 5 300 "$BUILD/bench/audio_bench" --run-dir "$RUN" --seconds 20 ||
    echo "(audio_bench failed)"
else
  echo "skipped: no $BUILD/bench/audio_bench"
fi

echo
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
