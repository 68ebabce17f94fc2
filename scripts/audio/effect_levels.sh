#!/usr/bin/env bash
# Prints, for every effect of a run folder: sample peak (louder channel), RMS over the whole file, the
# loudest 50 ms RMS window, and how much of its energy a small speaker plays, as the
# level after a 200 Hz high-pass (second order, Q 0.707) less the level without it.
# Needs sox (scripts/setup.sh installs it).
# usage: scripts/audio/effect_levels.sh <run folder>
set -euo pipefail
run=${1:?usage: $0 <run folder>}
command -v sox >/dev/null || { echo "sox is missing: scripts/setup.sh installs it" >&2; exit 2; }

# "Pk lev dB", "RMS lev dB" and "RMS Pk dB" from sox stats, louder channel for stereo.
levels() {
  sox "$1" -n "${@:2}" stats 2>&1 | awk '
    /^Pk lev dB/  {pk = $4} /^RMS lev dB/ {rms = $4} /^RMS Pk dB/ {win = $4}
    END {printf "%s %s %s\n", pk, rms, win}'
}

printf "%-12s %8s %8s %8s %8s %7s\n" effect "peak" "rms" "rms50ms" "hp200rms" "hp-dB"
for f in "$run"/sounds/*.wav; do
  name=$(basename "$f" .wav)
  # Mixed to mono first so stereo effects measure as one channel, as the speakers sum them.
  read -r pk _ _ < <(levels "$f")
  read -r _ rms win < <(levels "$f" remix -)
  read -r _ hprms _ < <(levels "$f" remix - highpass 200)
  awk -v n="$name" -v pk="$pk" -v rms="$rms" -v win="$win" -v hp="$hprms" \
    'BEGIN {printf "%-12s %8.2f %8.2f %8.2f %8.2f %7.2f\n", n, pk, rms, win, hp, hp - rms}'
done
