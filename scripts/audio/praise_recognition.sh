#!/usr/bin/env bash
# How well a player understands the spoken praise: a speech recogniser that may only
# choose among the nine lines and a few look-alike distractors listens to each of the
# nine files of a run folder, and the script prints what it heard and the score (9/9
# when every line is heard as itself; the exit status is 1 when one is not). Not part of
# the test suite: it needs pocketsphinx and its English model, which it installs with
# apt-get when missing.
# usage: scripts/audio/praise_recognition.sh <run folder>
set -euo pipefail
run=${1:?usage: $0 <run folder>}
here=$(cd "$(dirname "$0")" && pwd)
bash "$here/../setup.sh" pocketsphinx pocketsphinx-en-us sox >&2

# Where the package put the acoustic model and the dictionary.
hmm=$(dirname "$(dpkg -L pocketsphinx-en-us | grep '/mdef$' | head -1)")
dict=$(dpkg -L pocketsphinx-en-us | grep '/cmudict-en-us.dict$' | head -1)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# File name and the phrase it says.
lines=(
  "youaregood:you are good" "spectacular:spectacular" "smashing:smashing"
  "perfect:perfect" "great:great" "fantastic:fantastic" "excellent:excellent"
  "welldone:well done" "goodjob:good job"
)
# Short praise a recogniser could mistake for one of ours, so a blurred line loses.
distractors="nice one | awesome | brilliant | amazing | terrific | super | well played | good game | try again | game over"

{
  echo "#JSGF V1.0;"
  echo "grammar praise;"
  printf "public <praise> = "
  for l in "${lines[@]}"; do printf "%s | " "${l#*:}"; done
  echo "$distractors;"
} > "$work/praise.gram"

# Each line is heard as the mixer plays it (44.1 kHz), then resampled to the 16 kHz the
# acoustic model knows, in three ways: as it is, through a small speaker that plays
# little under 200 Hz, and 12 dB quieter, where the dither of the rounding to 16 bits
# weighs more. A line counts as understood only when all three are heard right: the
# recogniser is touchy, and a score should not rest on one lucky rounding.
conditions=("plain:" "small speaker:highpass 200 highpass 200" "quiet:gain -12")
hear() {  # file, sox effects
  local in=$1; shift
  # -R: the dither seeded the same each run, so a rerun scores the same.
  sox -R "$in" -r 44100 "$work/t44.wav"
  sox -R "$work/t44.wav" -r 16000 -c 1 -b 16 "$work/t16.wav" "$@"
  timeout 120 pocketsphinx_continuous -infile "$work/t16.wav" -hmm "$hmm" \
    -dict "$dict" -jsgf "$work/praise.gram" -samprate 16000 2>/dev/null |
    tr -s ' ' | sed 's/^ //; s/ $//' | paste -sd' ' -
}

score=0
declare -A per
for l in "${lines[@]}"; do
  name=${l%%:*} want=${l#*:} all=1 out=""
  for c in "${conditions[@]}"; do
    # shellcheck disable=SC2086
    heard=$(hear "$run/sounds/$name.wav" ${c#*:})
    if [ "$heard" = "$want" ]; then per[${c%%:*}]=$((${per[${c%%:*}]:-0} + 1)); else all=0; fi
    out+=$(printf ' %s="%s"' "${c%%:*}" "$heard")
  done
  [ $all = 1 ] && score=$((score + 1))
  printf "%-12s %s %s\n" "$name" "$([ $all = 1 ] && echo ok || echo WRONG)" "$out"
done
for c in "${conditions[@]}"; do printf "%s: %d/%d\n" "${c%%:*}" "${per[${c%%:*}]:-0}" "${#lines[@]}"; done
echo "understood $score/${#lines[@]}"
[ "$score" = "${#lines[@]}" ]
