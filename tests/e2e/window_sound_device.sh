#!/usr/bin/env bash
# The sound device goes and comes back while the game plays: a private PulseAudio server
# with one null sink is the device, its monitor what the player hears. The server is
# killed and started again, then its sink is removed and added again (as headphones
# pulled out and plugged back in); each time the music must sound again within a second,
# and the game must end cleanly while no device is there.
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"

command -v pulseaudio >/dev/null && command -v parec >/dev/null && command -v pactl >/dev/null ||
  die "pulseaudio, parec or pactl missing (scripts/setup.sh installs them)"

PA="$E2E_TMP/pulse"
PA_PID=""   # the `timeout` wrapping the server
REC_PID=""  # the `timeout` wrapping parec
RATE=44100  # the sink's rate and the recording's: 4 bytes a frame
mkdir -p "$PA"
printf 'autospawn = no\n' >"$PA/client.conf"
cat >"$PA/server.pa" <<EOF
load-module module-null-sink sink_name=speaker rate=$RATE
load-module module-native-protocol-unix socket=$PA/socket auth-anonymous=1
EOF
# The game, parec and pactl reach this server only, and never start the host's own.
export PULSE_SERVER="unix:$PA/socket" PULSE_CLIENTCONFIG="$PA/client.conf" \
  PULSE_COOKIE="$PA/cookie"

pulse_stop_recording() {
  if [ -n "$REC_PID" ]; then
    kill -TERM "$REC_PID" 2>/dev/null || true
    wait "$REC_PID" 2>/dev/null || true
    REC_PID=""
  fi
}
pulse_kill() {
  pulse_stop_recording
  [ -n "$PA_PID" ] || return 0
  # The server dies as in a crash; its `timeout` then ends and reaps it.
  pkill -KILL -P "$PA_PID" -x pulseaudio 2>/dev/null || true
  local deadline=$((SECONDS + 5))
  while e2e_running "$PA_PID" && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.02; done
  kill -KILL "$PA_PID" 2>/dev/null || true
  wait "$PA_PID" 2>/dev/null || true
  PA_PID=""
}
# The server goes on every way out, before the session's own clean-up.
trap 'status=$?; trap - ERR; set +e; pulse_kill; (exit $status); e2e_cleanup' EXIT

# Its state, runtime files and cookie stay in the temporary folder; no D-Bus, no X.
pulse_start() {
  rm -f "$PA/socket"
  (
    unset DISPLAY
    export HOME="$PA" XDG_RUNTIME_DIR="$PA" XDG_CONFIG_HOME="$PA" PULSE_RUNTIME_PATH="$PA/run" \
      PULSE_STATE_PATH="$PA/state" DBUS_SESSION_BUS_ADDRESS="unix:path=$PA/no-bus"
    exec timeout -k 3 200 pulseaudio --daemonize=no --exit-idle-time=-1 -n -F "$PA/server.pa" \
      --use-pid-file=no --realtime=no --high-priority=no --log-target=stderr
  ) >>"$PA/server.log" 2>&1 &
  PA_PID=$!
  local deadline=$((SECONDS + 10))
  until timeout 2 pactl info >/dev/null 2>&1; do
    e2e_running "$PA_PID" || { cat "$PA/server.log"; die "PulseAudio did not start"; }
    [ "$SECONDS" -lt "$deadline" ] || die "PulseAudio did not answer within 10 s"
    sleep 0.02
  done
}

# Records the sink's monitor into FILE from now on.
pulse_record() {  # FILE
  pulse_stop_recording
  timeout -k 3 100 parec --raw --format=s16le --channels=2 --rate=$RATE --latency-msec=20 \
    -d speaker.monitor "$1" 2>>"$PA/parec.log" &
  REC_PID=$!
}

# Seconds from the start of FILE to its first sample that is not silence; empty if none.
first_sound() {  # FILE
  local at
  at=$(cmp "$1" /dev/zero 2>/dev/null | sed -n 's/.* differ: [a-z]* \([0-9]*\),.*/\1/p' || true)
  [ -z "$at" ] || awk -v b="$at" -v r=$RATE 'BEGIN { printf "%.3f", (b - 1) / (4 * r) }'
}
# Bytes of FILE that are not zero.
loud_bytes() { tr -d '\0' <"$1" | wc -c; }
# Lines of the game's standard error holding TEXT.
err_lines() { grep -c -- "$1" "$E2E_TMP/err" || true; }
# Waits (at most SECONDS) until FILE holds BYTES.
wait_size() {  # FILE BYTES SECONDS
  local deadline=$((SECONDS + $3))
  until [ "$(stat -c %s "$1" 2>/dev/null || echo 0)" -ge "$2" ]; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

e2e_copy_run_folder
e2e_start_x
[ -d "$GAME/music" ] || die "the run folder has no music/"
printf '[Options]\r\nFullScreen=0\r\n\r\n[Settings]\r\nMusic volume=6\r\nSound volume=9\r\nRotation=1\r\nBrick Quality=2\r\nMusic Number=0\r\n' \
  >"$GAME/config.ini"

pulse_start
export SDL_AUDIODRIVER=pulseaudio
e2e_start_game 120 --game 1
e2e_wait_started
pulse_record "$E2E_TMP/before.raw"
wait_size "$E2E_TMP/before.raw" $((2 * 4 * RATE)) 10 || die "parec recorded nothing"
e2e_press Left Right
check "music while the game plays ($(loud_bytes "$E2E_TMP/before.raw") loud bytes in 2 s)" \
  '[ "$(loud_bytes "$E2E_TMP/before.raw")" -gt $((4 * RATE / 2)) ]'

echo "== the sound server is killed and comes back"
pulse_kill
e2e_press Left Right Up  # the game goes on taking keys, its effects unheard
sleep 1.5
check "the game plays on without a device" 'e2e_game_running'
check "standard error says the device is gone, once" '[ "$(err_lines "device is gone")" = 1 ]'
pulse_start
pulse_record "$E2E_TMP/server_back.raw"
wait_size "$E2E_TMP/server_back.raw" $((2 * 4 * RATE)) 10 || die "parec recorded nothing"
back=$(first_sound "$E2E_TMP/server_back.raw")
check "music within a second of the server's return (${back:-never} s)" \
  '[ -n "$back" ] && awk -v t="$back" "BEGIN { exit !(t < 1.0) }"'
check "and on after it ($(loud_bytes "$E2E_TMP/server_back.raw") loud bytes in 2 s)" \
  '[ "$(loud_bytes "$E2E_TMP/server_back.raw")" -gt $((4 * RATE)) ]'
check "standard error says sound is back, once" '[ "$(err_lines "sound is back")" = 1 ]'

echo "== the sink is removed and added again"
sink=$(timeout 5 pactl list short modules | awk '$2 == "module-null-sink" { print $1 }')
[ -n "$sink" ] || die "no null sink module"
pulse_stop_recording
timeout 5 pactl unload-module "$sink"
e2e_press Left Right
sleep 1
check "standard error says the device is gone again" '[ "$(err_lines "device is gone")" = 2 ]'
timeout 5 pactl load-module module-null-sink sink_name=speaker rate=$RATE >/dev/null
pulse_record "$E2E_TMP/sink_back.raw"
wait_size "$E2E_TMP/sink_back.raw" $((2 * 4 * RATE)) 10 || die "parec recorded nothing"
back=$(first_sound "$E2E_TMP/sink_back.raw")
check "music within a second of the sink's return (${back:-never} s)" \
  '[ -n "$back" ] && awk -v t="$back" "BEGIN { exit !(t < 1.0) }"'
check "and on after it ($(loud_bytes "$E2E_TMP/sink_back.raw") loud bytes in 2 s)" \
  '[ "$(loud_bytes "$E2E_TMP/sink_back.raw")" -gt $((4 * RATE)) ]'

echo "== the game ends while no device is there"
pulse_kill
sleep 0.5
e2e_terminate_game 15
check "SIGTERM with the device gone: exit status 0 (got $GAME_STATUS)" '[ "$GAME_STATUS" = 0 ]'
check "nothing on standard error but the device's coming and going" \
  '! grep -v -e "device is gone" -e "sound is back" "$E2E_TMP/err"'
[ "$FAILED" = 0 ] || { e2e_dump_game_output; tail -n 5 "$PA/server.log"; }
finish
