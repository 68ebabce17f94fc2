#!/usr/bin/env bash
# The music as a player hears it, written by SDL's disk audio driver: one piece follows the
# last within a beat; and without a SoundFont the game starts all the same, its effects
# heard, the music off, the reason in debug.txt and the Music Number kept for later.
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"

write_config() {  # MUSIC_VOLUME SOUND_VOLUME MUSIC_NUMBER
  printf '[Options]\r\nFullScreen=0\r\n\r\n[Settings]\r\nMusic volume=%s\r\nSound volume=%s\r\nRotation=1\r\nBrick Quality=2\r\nMusic Number=%s\r\n' \
    "$1" "$2" "$3" >"$GAME/config.ini"
}

# An organ chord held for one second at the default tempo, its end of track right after.
write_chord() {  # FILE
  printf 'MThd\0\0\0\6\0\0\0\1\1\340MTrk\0\0\0\40' >"$1"
  printf '\0\300\20\0\220\74\144\0\220\100\144\0\220\103\144' >>"$1"
  printf '\207\100\200\74\0\0\200\100\0\0\200\103\0\0\377\57\0' >>"$1"
}

# The peak of each 10 ms of FILE (stereo 32-bit float at 44100 Hz), one a line.
peaks() {  # FILE
  sox -t f32 -r 44100 -c 2 "$1" -t dat - |
    awk '!/^;/ { a = $2 < 0 ? -$2 : $2; b = $3 < 0 ? -$3 : $3; if (b > a) a = b
                 if (a > p) p = a; if (++n == 441) { print p; n = 0; p = 0 } }'
}

e2e_copy_run_folder
e2e_start_x
[ -d "$GAME/sounds" ] && [ -d "$GAME/music" ] || die "the run folder has no sounds/ or music/"

echo "== the next piece within a beat of the last"
# Every piece a one-second chord: the cycle moves on as soon as one has rung out.
for f in "$GAME"/music/theme*.mid; do write_chord "$f"; done
write_config 6 0 0
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$E2E_TMP/cycle.raw"
e2e_start_game 60
e2e_wait_started
sleep 7
e2e_terminate_game 15
check "SIGTERM: exit status 0 (got $GAME_STATUS)" '[ "$GAME_STATUS" = 0 ]'
# From the first sound on, for five seconds: the longest silence (below -60 dBFS) and the
# chords begun (rising above -30 dBFS after falling below it).
read -r silence chords < <(peaks "$E2E_TMP/cycle.raw" | awk '
  !started && $1 > 0.001 { started = 1; at = NR }
  started && NR < at + 500 {
    if ($1 < 0.001) { run++; if (run > longest) longest = run } else run = 0
    if ($1 > 0.03 && !loud) { chords++; loud = 1 } else if ($1 < 0.03) loud = 0
  }
  END { print longest * 10, chords + 0 }')
check "at most a beat of silence between pieces (${silence} ms)" '[ "$silence" -le 600 ]'
check "the pieces follow one another (${chords} chords in 5 s)" '[ "$chords" -ge 3 ]'

echo "== no SoundFont"
e2e_copy_run_folder  # the real pieces again
write_config 6 9 5
export ZOLVANE_SOUNDFONT=/nowhere/gm.sf2 SDL_DISKAUDIOFILE="$E2E_TMP/nosf.raw"
e2e_start_game 60
e2e_wait_started
sleep 1.5
before=$(stat -c %s "$E2E_TMP/nosf.raw")
e2e_press Down
sleep 1
e2e_terminate_game 15
unset ZOLVANE_SOUNDFONT
check "the game ran and ended normally (status $GAME_STATUS)" '[ "$GAME_STATUS" = 0 ]'
loud_before=$(head -c "$before" "$E2E_TMP/nosf.raw" | tr -d '\0' | wc -c)
loud_after=$(tail -c "+$((before + 1))" "$E2E_TMP/nosf.raw" | tr -d '\0' | wc -c)
check "no music ($loud_before loud bytes in the first $before)" '[ "$before" -gt 100000 ] && [ "$loud_before" -eq 0 ]'
check "the menu's click is heard ($loud_after loud bytes after the key)" '[ "$loud_after" -gt 1000 ]'
log=$(tr -d '\r' <"$GAME/debug.txt" | tail -n 2)
check "debug.txt names the SoundFont before the audio step" \
  '[ "$log" = "$(printf "Music off: cannot open the SoundFont /nowhere/gm.sf2\nDirectSound+DirectMusic - done")" ]'
check "standard error names it too" 'grep -q "/nowhere/gm.sf2" "$E2E_TMP/err"'
check "the Music Number is kept" \
  '[ "$(tr -d "\r" <"$GAME/config.ini" | grep "^Music Number=")" = "Music Number=5" ]'
finish
