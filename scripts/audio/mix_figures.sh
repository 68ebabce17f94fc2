#!/usr/bin/env bash
# The mixer's figures, before and after: bench/mix_measure built against this checkout
# (build/bench/mix_measure) and, with --base, against an older checkout that is already
# built, linked with that checkout's own libraries (its mixer), then both run on the same
# run folder. Needs what the build needs (a C++ compiler, pkg-config, SDL2, FluidSynth).
#
#   scripts/audio/mix_figures.sh [--base SRC BUILD] [--run-dir DIR] [--music STEP] [--sound STEP]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${ZOLVANE_BUILD:-$here/build}
base_src="" base_build="" run_dir="$build/game" music=0 sound=9
while [ $# -gt 0 ]; do
  case $1 in
    --base) base_src=$(cd "$2" && pwd); base_build=$(cd "$3" && pwd); shift 3 ;;
    --run-dir) run_dir=$2; shift 2 ;;
    --music) music=$2; shift 2 ;;
    --sound) sound=$2; shift 2 ;;
    *) echo "usage: $0 [--base SRC BUILD] [--run-dir DIR] [--music STEP] [--sound STEP]" >&2; exit 2 ;;
  esac
done

after=$build/bench/mix_measure
[ -x "$after" ] || { echo "no $after: build the project first" >&2; exit 1; }

run() {  # PROGRAM
  "$1" overlaps --run-dir "$run_dir" --music "$music" --sound "$sound"
  "$1" clicks --run-dir "$run_dir"
  "$1" cost --run-dir "$run_dir"
}

if [ -n "$base_src" ]; then
  before=$(mktemp -d "${TMPDIR:-/tmp}/mix_figures.XXXXXX")
  trap 'rm -rf "$before"' EXIT
  # The older checkout's headers first; bench/pulled_backend.h from here if it has none.
  # shellcheck disable=SC2046
  timeout 600 c++ -std=c++20 -O2 -I"$base_src" -I"$here" "$here/bench/mix_measure.cpp" \
    $(pkg-config --cflags sdl2 fluidsynth) -o "$before/mix_measure" \
    "$base_build/audio/libzolvane_audio.a" "$base_build/platform/libzolvane_platform_sdl.a" \
    "$base_build/platform/libzolvane_platform_fluidsynth.a" \
    "$base_build/platform/libzolvane_platform.a" $(pkg-config --libs sdl2 fluidsynth) -ljpeg
  echo "===== before: $base_src"
  timeout 600 bash -c "$(declare -f run); run_dir='$run_dir' music='$music' sound='$sound' run '$before/mix_measure'"
  echo "===== after: $here"
fi
timeout 600 bash -c "$(declare -f run); run_dir='$run_dir' music='$music' sound='$sound' run '$after'"
