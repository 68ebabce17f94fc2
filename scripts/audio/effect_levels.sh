#!/usr/bin/env bash
# Levels of the effects of a run folder, to compare two builds of them:
#  - for every effect: sample peak (louder channel); RMS of the whole file; loudness as the
#    mean square of the loudest 400 ms (windows every 100 ms) of the mono sum weighted as
#    ITU-R BS.1770 weights (38 Hz high-pass, +4 dB shelf above 1.5 kHz), the generator's
#    own measure; and the small-speaker share: the RMS after a 200 Hz second-order
#    high-pass less the RMS without it (0 dB: all energy above 200 Hz; -3 dB: half);
#  - for the effects the rules start together: the peak of their sum at sound volume
#    steps 9 (0 dB) and 7 (-5 dB), where above 0 dBFS it clips before the mixer's limiter.
# Needs sox (scripts/setup.sh installs it).
# usage: scripts/audio/effect_levels.sh <run folder>
set -euo pipefail
run=${1:?usage: $0 <run folder>}
command -v sox >/dev/null || { echo "sox is missing: scripts/setup.sh installs it" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# "Pk lev dB" and "RMS lev dB" of sox stats, over all channels.
levels() {  # file [effects...]
  local file=$1; shift
  sox "$file" -n "$@" stats 2>&1 | awk '/^Pk lev dB/ {pk = $4} /^RMS lev dB/ {rms = $4} END {print pk, rms}'
}

loudness() {  # file
  # A quarter level inside sox, so the shelf cannot clip; the 12.04 dB go back on below.
  sox "$1" -t dat - remix - vol 0.25 highpass 38 0.5q treble 4 1500 1s | awk '
    /^;/ && /Sample Rate/ {rate = $4; block = int(rate / 10 + 0.5); next}
    /^;/ {next}
    {sum += $2 * $2; if (++n == block) {b[nb++] = sum; sum = 0; n = 0}}
    END {
      if (n > 0) b[nb++] = sum
      best = 0
      if (nb < 4) {t = 0; for (i = 0; i < nb; ++i) t += b[i]; best = t / (NR - 2)}
      for (i = 0; i + 4 <= nb; ++i) {
        t = b[i] + b[i + 1] + b[i + 2] + b[i + 3]
        if (t / (4 * block) > best) best = t / (4 * block)
      }
      printf "%.2f", 10 * log(best) / log(10) + 12.04
    }'
}

printf "%-12s %7s %7s %9s %9s\n" effect peak rms loudness "hp200"
for f in "$run"/sounds/*.wav; do
  name=$(basename "$f" .wav)
  read -r pk _ < <(levels "$f")
  # Mixed to mono (the mean of the channels) as the two speakers sum a stereo effect; at
  # half level, so the high-pass's overshoot cannot clip inside sox.
  read -r _ half < <(levels "$f" remix - vol 0.5)
  read -r _ hp < <(levels "$f" remix - vol 0.5 highpass 200)
  rms=$(awk -v h="$half" 'BEGIN {printf "%.2f", h + 6.02}')
  loud=$(loudness "$f")
  awk -v n="$name" -v pk="$pk" -v rms="$rms" -v loud="$loud" -v hp="$hp" -v half="$half" \
    'BEGIN {printf "%-12s %7.2f %7.2f %9.2f %9.2f\n", n, pk, rms, loud, hp - half}'
done

# Every file at 44.1 kHz stereo and a quarter level, so the sum below cannot clip inside sox.
for f in "$run"/sounds/*.wav; do
  sox "$f" -r 44100 -c 2 -b 32 -e floating-point "$work/$(basename "$f")" vol 0.25
done
sum_peak() {  # effect...
  local inputs=()
  for e in "$@"; do inputs+=(-v 1 "$work/$e.wav"); done
  [ $# -gt 1 ] || inputs+=(-v 0 "$work/$1.wav")
  local pk
  pk=$(sox -m "${inputs[@]}" -n stats 2>&1 | awk '/^Pk lev dB/ {print $4}')
  awk -v pk="$pk" 'BEGIN {printf "%.2f", pk + 20 * log(4) / log(10)}'
}
echo
printf "%-40s %s\n" "started together" "peak of the sum, dBFS: step 9 (0 dB), step 7 (-5 dB, the default)"
praise="youaregood spectacular smashing perfect great fantastic excellent"
levelup="leveldone welldone goodjob"
groups=()
for l in $levelup; do groups+=("linedel,$l"); done
for p in $praise; do
  groups+=("$p,linedellow")
  for l in $levelup; do groups+=("$p,linedellow,$l"); done
done
for group in "${groups[@]}"; do
  # shellcheck disable=SC2086
  pk=$(sum_peak ${group//,/ })
  awk -v g="${group//,/ + }" -v pk="$pk" 'BEGIN {printf "%-40s %6.2f %6.2f\n", g, pk, pk - 5}'
done
