#!/usr/bin/env bash
# What the real program plays, written by SDL's disk audio driver: music from the first menu
# on; an effect exactly when a key asks for it; silence with both volumes at 0; and without
# any sound device the game runs silently and logs its audio step all the same.
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"

set_volumes() {  # MUSIC SOUND [MUSIC_NUMBER]
  printf '[Options]\r\nFullScreen=0\r\n\r\n[Settings]\r\nMusic volume=%s\r\nSound volume=%s\r\nRotation=1\r\nBrick Quality=2\r\nMusic Number=%s\r\n' \
    "$1" "$2" "${3:-0}" >"$GAME/config.ini"
}

# Starts the game writing its sound to FILE and waits for its loop.
start_with_disk_audio() {  # FILE
  export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$1
  e2e_start_game 60
  e2e_wait_started
}

# Bytes of FILE from OFFSET on that are not zero (FILE is read up to its current end).
nonzero_bytes() {  # FILE [OFFSET [COUNT]]
  local skip=${2:-0}
  if [ -n "${3:-}" ]; then
    head -c "$((skip + $3))" "$1" | tail -c "+$((skip + 1))" | tr -d '\0' | wc -c
  else
    tail -c "+$((skip + 1))" "$1" | tr -d '\0' | wc -c
  fi
}

e2e_copy_run_folder
e2e_start_x
[ -d "$GAME/sounds" ] && [ -d "$GAME/music" ] || die "the run folder has no sounds/ or music/"

echo "== music from the menu on"
set_volumes 6 0
start_with_disk_audio "$E2E_TMP/music.raw"
sleep 4
e2e_terminate_game 15
music_bytes=$(stat -c %s "$E2E_TMP/music.raw")
music_heard=$(nonzero_bytes "$E2E_TMP/music.raw")
check "SIGTERM: exit status 0 (got $GAME_STATUS)" '[ "$GAME_STATUS" = 0 ]'
check "the device was fed for the whole run ($music_bytes bytes)" '[ "$music_bytes" -gt 200000 ]'
check "music is heard in the menu ($music_heard of $music_bytes bytes not silent)" \
  '[ "$music_heard" -gt $((music_bytes / 4)) ]'

echo "== an effect when a key asks for it"
set_volumes 0 9
start_with_disk_audio "$E2E_TMP/effect.raw"
sleep 1.5
before=$(stat -c %s "$E2E_TMP/effect.raw")
e2e_press Down
sleep 1
e2e_terminate_game 15
silent_before=$(nonzero_bytes "$E2E_TMP/effect.raw" 0 "$before")
heard_after=$(nonzero_bytes "$E2E_TMP/effect.raw" "$before")
check "silence before the key ($silent_before loud bytes in the first $before)" '[ "$silent_before" -eq 0 ]'
check "the menu's click after it ($heard_after loud bytes)" '[ "$heard_after" -gt 1000 ]'

echo "== both volumes at 0"
set_volumes 0 0
start_with_disk_audio "$E2E_TMP/quiet.raw"
e2e_press Down Down Return Escape Up
sleep 1
e2e_terminate_game 15
quiet_bytes=$(stat -c %s "$E2E_TMP/quiet.raw")
quiet_heard=$(nonzero_bytes "$E2E_TMP/quiet.raw")
check "nothing but silence ($quiet_heard loud bytes of $quiet_bytes)" \
  '[ "$quiet_bytes" -gt 100000 ] && [ "$quiet_heard" -eq 0 ]'

echo "== no sound device"
set_volumes 6 7 5
export SDL_AUDIODRIVER=no-such-driver
e2e_start_game 60
e2e_wait_started
e2e_press Down Return
sleep 0.5
running=no
e2e_game_running && running=yes
e2e_terminate_game 15
check "the game runs on without sound" '[ "$running" = yes ] && [ "$GAME_STATUS" = 0 ]'
check "and says nothing about it on standard error" '! [ -s "$E2E_TMP/err" ]'
check "the audio step is the log's last line" \
  '[ "$(tr -d "\r" <"$GAME/debug.txt" | tail -n 1)" = "DirectSound+DirectMusic - done" ]'
check "the Music Number read is kept" \
  '[ "$(tr -d "\r" <"$GAME/config.ini" | grep "^Music Number=")" = "Music Number=5" ]'
finish
