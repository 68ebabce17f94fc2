#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz into build-fuzz/ and runs each one for SECONDS
# (default 60), one after the other on one core, starting from a copy of its checked-in
# corpus. Prints one line per target; exits non-zero when any target found a crash, leak,
# timeout, out-of-memory or sanitizer report, with the input that caused it saved in
# build-fuzz/findings/<target>/.
#
# usage: scripts/fuzz.sh [SECONDS] [TARGET ...]     (no TARGET: all of them)
# ZOLVANE_FUZZ_RUNS=N also stops a target after N executions, whichever comes first.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
fuzz_src="$root/tests/fuzz"

seconds=60
if [ $# -gt 0 ]; then
  case "$1" in
    -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *[!0-9]*|'') echo "fuzz.sh: SECONDS must be a whole number, found '$1'" >&2; exit 2 ;;
  esac
  seconds=$1
  shift
fi

# target          longest input (bytes)  dictionary
TABLE="
config            4096                   config.dict
high_scores       2048                   -
figure_shapes     2048                   -
model             8192                   model.dict
model_list        512                    -
picture           8192                   -
brick_picture     8192                   -
font              65536                  -
wave              8192                   wave.dict
sim_script        4096                   sim_script.dict
jpeg              8192                   -
replay            65536                  -
"

all_targets=$(echo "$TABLE" | awk 'NF == 3 { print $1 }')
targets=("$@")
[ ${#targets[@]} -gt 0 ] || read -r -a targets <<< "$(echo $all_targets)"
for t in "${targets[@]}"; do
  echo "$all_targets" | grep -qx "$t" || { echo "fuzz.sh: no target '$t' (targets: $(echo $all_targets))" >&2; exit 2; }
done

# ---- Packages: clang and its fuzzer runtime beside what the game's core needs.
"$root/scripts/setup.sh" clang libclang-rt-14-dev cmake ninja-build libjpeg62-turbo-dev libstb-dev \
  zlib1g-dev

# ---- Build.
build_start=$(date +%s)
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DZOLVANE_FUZZ=ON \
    -DZOLVANE_WITH_SDL=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo > "$build.configure.log" 2>&1 ||
    { cat "$build.configure.log" >&2; exit 1; }
  mv "$build.configure.log" "$build/configure.log"
fi
cmake --build "$build" -j "${ZOLVANE_FUZZ_BUILD_JOBS:-2}" --target $(printf 'fuzz_%s ' "${targets[@]}") \
  > "$build/build.log" 2>&1 || { tail -n 40 "$build/build.log" >&2; exit 1; }
echo "Built ${#targets[@]} fuzz targets in $(( $(date +%s) - build_start )) s; running each for $seconds s."

# ---- Run.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
failed=()
run_start=$(date +%s)
for t in "${targets[@]}"; do
  read -r _ max_len dict <<< "$(echo "$TABLE" | awk -v t="$t" '$1 == t')"
  work="$build/run/$t"
  findings="$build/findings/$t"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$findings"
  cp "$fuzz_src/corpus/$t/"* "$work/corpus/"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len"
        -print_final_stats=1 -artifact_prefix="$findings/")
  [ "$dict" = "-" ] || args+=(-dict="$fuzz_src/dict/$dict")
  [ -z "${ZOLVANE_FUZZ_RUNS:-}" ] || args+=(-runs="$ZOLVANE_FUZZ_RUNS")
  status=0
  # libFuzzer stops itself after SECONDS; the outer limit only catches a run that hangs.
  timeout -k 10 $((seconds + 120)) "$build/tests/fuzz/fuzz_$t" "${args[@]}" "$work/corpus" \
    > "$work/log.txt" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log.txt" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log.txt" | tail -n 1)
  found=$(find "$findings" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' \
            -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  verdict=ok
  if [ "$status" -ne 0 ] || [ "$found" -gt 0 ]; then
    verdict="FINDING (exit $status; log $work/log.txt; inputs in $findings/)"
    failed+=("$t")
  fi
  printf '%-14s %12s execs %8s exec/s  %s\n' "$t" "${execs:-?}" "${rate:-?}" "$verdict"
done
echo "Ran ${#targets[@]} targets in $(( $(date +%s) - run_start )) s."

if [ ${#failed[@]} -gt 0 ]; then
  echo "Findings in: ${failed[*]} (reproduce: build-fuzz/tests/fuzz/fuzz_TARGET FILE)" >&2
  exit 1
fi
