# Shared by the tests/e2e/window_*.sh scripts: a private X server, a private copy of the
# run folder, the game started in it with a deadline, keys, screenshots and pixels.
# Source it; it sets `set -euo pipefail` and an EXIT trap that removes everything it made.
set -euo pipefail
export LC_ALL=C  # decimal points in times and measurements
source "$(dirname "${BASH_SOURCE[0]}")/data_names.sh"

BUILD=${ZOLVANE_BUILD:?ZOLVANE_BUILD must name the build directory}
# A sanitizer build reports as it does in the suite (the system libraries' leaks suppressed,
# waits stretched), also when a script is run by hand.
if [ -z "${LSAN_OPTIONS:-}" ] && grep -qx 'ZOLVANE_SANITIZE:BOOL=ON' "$BUILD/CMakeCache.txt" 2>/dev/null; then
  source "$(dirname "${BASH_SOURCE[0]}")/../../sanitize/env.sh"
fi

E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/zolvane-e2e.XXXXXX")
GAME="$E2E_TMP/game"   # the run folder the game sees as its current directory
XVFB_PID=""
GAME_PID=""            # the `timeout` wrapping the game: leads its own process group
GAME_STATUS=""
WID=""
FAILED=0

e2e_cleanup() {
  local status=$?
  if [ -n "$GAME_PID" ]; then
    kill -KILL -- "-$GAME_PID" 2>/dev/null || kill -KILL "$GAME_PID" 2>/dev/null || true
    wait "$GAME_PID" 2>/dev/null || true
  fi
  if [ -n "$XVFB_PID" ]; then
    kill -TERM "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
  rm -rf "$E2E_TMP"
  exit "$status"
}
trap e2e_cleanup EXIT
trap 'exit 130' INT TERM
# A command that fails outside a condition ends the script: say which one and where.
set -E
trap 'echo "FAIL: \"$BASH_COMMAND\" failed (status $?) at ${BASH_SOURCE[0]##*/}:$LINENO${FUNCNAME[0]:+ in ${FUNCNAME[0]}}"' ERR

# True while process PID runs; an ended child stays a zombie until waited for.
e2e_running() {
  local state
  state=$(ps -o stat= -p "$1" 2>/dev/null) || return 1
  [[ $state != Z* ]]
}

fail() { echo "FAIL: $*"; FAILED=$((FAILED + 1)); }
pass() { echo "ok: $*"; }
# check "what" 'CONDITION': the condition is shell code, evaluated where check is called.
check() {
  if eval "$2"; then pass "$1"; else fail "$1"; fi
}
finish() {
  if [ "$FAILED" -ne 0 ]; then
    echo "$FAILED check(s) failed"
    exit 1
  fi
  echo "all checks passed"
}
die() {
  echo "FAIL: $*"
  e2e_dump_game_output
  exit 1
}

# A fresh copy of the run folder, without the build's own bookkeeping files.
e2e_copy_run_folder() {
  mkdir -p "$GAME"
  cp -r "$BUILD/game/zolvane" "$BUILD/game/data" "$BUILD/game/textures" "$GAME/"
  local extra
  for extra in config.ini sounds music; do
    [ -e "$BUILD/game/$extra" ] && cp -r "$BUILD/game/$extra" "$GAME/"
  done
  local name
  for name in $(data_names background); do rm -f "$GAME/textures/$name.bmp"; done
  return 0
}

# Xvfb picks a free display itself (-displayfd): no race with other servers or tests.
# The screen is 1024 x 768 unless WIDTHxHEIGHT says otherwise (a wide one for full screen).
e2e_start_x() {  # [WIDTHxHEIGHT]
  local fifo="$E2E_TMP/displayfd"
  : >"$fifo"  # the background job opens it later
  Xvfb -displayfd 3 -screen 0 "${1:-1024x768}x24" -nolisten tcp -noreset \
    3>"$fifo" >"$E2E_TMP/xvfb.log" 2>&1 &
  XVFB_PID=$!
  local deadline=$((SECONDS + 15)) n=""
  while [ -z "$n" ]; do
    n=$(head -n1 "$fifo" | tr -dc 0-9 || true)
    [ -n "$n" ] && break
    e2e_running "$XVFB_PID" || { cat "$E2E_TMP/xvfb.log"; die "Xvfb did not start"; }
    [ "$SECONDS" -lt "$deadline" ] || die "Xvfb gave no display number within 15 s"
    sleep 0.05
  done
  export DISPLAY=":$n"
  unset WAYLAND_DISPLAY XAUTHORITY
  export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1
  # Fatal errors go to standard error only: a message box would wait for a click.
  export ZOLVANE_UNATTENDED=1
}

# e2e_start_game SECONDS [args...]: runs the game in $GAME in the background, killed after
# SECONDS at the latest. Standard output and error go to $E2E_TMP/out and err.
e2e_start_game() {
  local limit=$1
  shift
  (cd "$GAME" && exec timeout -k 3 "$limit" ./zolvane "$@") \
    >"$E2E_TMP/out" 2>"$E2E_TMP/err" &
  GAME_PID=$!
  GAME_STATUS=""
}

# True while the game (its wrapper) runs.
e2e_game_running() { e2e_running "$GAME_PID"; }

# Waits for the game to end (at most SECONDS) and sets GAME_STATUS.
e2e_wait_game() {
  local limit=$1 deadline=$((SECONDS + $1))
  while e2e_game_running; do
    [ "$SECONDS" -lt "$deadline" ] || { GAME_STATUS=timeout; return 1; }
    sleep 0.1
  done
  GAME_STATUS=0
  wait "$GAME_PID" || GAME_STATUS=$?
  GAME_PID=""
}

# SIGTERM to the game itself (the wrapping `timeout` would forward it too, but then the
# status could come from the wrapper); then wait at most SECONDS.
e2e_terminate_game() {
  local limit=${1:-15} child
  child=$(pgrep -P "$GAME_PID" -x zolvane || true)
  [ -n "$child" ] || die "the game process is gone before SIGTERM"
  kill -TERM "$child"
  e2e_wait_game "$limit" || die "the game did not end within ${limit} s of SIGTERM"
}

e2e_dump_game_output() {
  local f
  for f in out err; do
    if [ -s "$E2E_TMP/$f" ]; then
      echo "--- game std$f:"
      tail -n 20 "$E2E_TMP/$f"
    fi
  done
}

# The game's window, once it is mapped (at most SECONDS); sets WID.
e2e_wait_window() {
  local limit=${1:-20} deadline=$((SECONDS + ${1:-20}))
  WID=""
  while [ -z "$WID" ]; do
    e2e_game_running || die "the game ended before its window appeared"
    [ "$SECONDS" -lt "$deadline" ] || die "no window named Zolvane within ${limit} s"
    WID=$(timeout 2 xdotool search --onlyvisible --name '^Zolvane$' 2>/dev/null | head -n1 || true)
    [ -n "$WID" ] || sleep 0.1
  done
}

# Gives the window the keyboard: the game only runs while its window has the focus.
e2e_focus() {
  timeout 5 xdotool windowfocus --sync "$WID" || die "could not focus the window"
}

# Asks the game's window to close as its close button does: the tests' helper
# e2e_close_window sends WM_DELETE_WINDOW (the X server runs no window manager).
e2e_close_window() {
  local helper="$BUILD/tests/e2e_close_window"
  [ -x "$helper" ] || die "no $helper: the tests' helpers are not built"
  timeout 5 "$helper" "$WID" || die "could not ask the window to close"
}

# Waits until debug.txt holds LINE (at most SECONDS): the start-up has got that far.
e2e_wait_log_line() {
  local line=$1 limit=${2:-20} deadline=$((SECONDS + ${2:-20}))
  until tr -d '\r' 2>/dev/null <"$GAME/debug.txt" | grep -qxF -- "$line"; do
    e2e_game_running || die "the game ended before logging '$line'"
    [ "$SECONDS" -lt "$deadline" ] || die "'$line' not logged within ${limit} s"
    sleep 0.05
  done
}

# Waits for the window and the start-up's last step (at most SECONDS each), then gives the
# window the keyboard: the game started takes keys from here on.
e2e_wait_started() {  # [SECONDS]
  e2e_wait_window "${1:-20}"
  e2e_wait_log_line "DirectSound+DirectMusic - done" "${1:-20}"
  e2e_focus
}

# A game of type 1 started, left running for SECONDS after its start-up (it must not end
# by itself meanwhile), then ended by SIGTERM; sets GAME_STATUS.
e2e_start_and_terminate() {  # [SECONDS]
  e2e_start_game 40 --game 1
  e2e_wait_started
  sleep "${1:-0.5}"
  e2e_game_running || die "the game ended on its own after the start-up"
  e2e_terminate_game 15
}

# e2e_hold KEY [SECONDS]: the game reads the keyboard state once per frame, so a key is
# held down across several frames.
e2e_hold() {
  timeout 5 xdotool keydown "$1"
  sleep "${2:-0.15}"
  timeout 5 xdotool keyup "$1"
}

# e2e_shots_folder: the script's screenshots go to $SHOTS, `shot NAME` naming the file of
# one. e2e_keep_shots copies them to $E2E_KEEP_SHOTS, when set, for a person to look at.
e2e_shots_folder() {
  SHOTS="$E2E_TMP/shots"
  mkdir -p "$SHOTS"
}
shot() { echo "$SHOTS/$1.png"; }
e2e_keep_shots() {
  [ -n "${E2E_KEEP_SHOTS:-}" ] || return 0
  mkdir -p "$E2E_KEEP_SHOTS" && cp "$SHOTS"/*.png "$E2E_KEEP_SHOTS"/
  echo "screenshots kept in $E2E_KEEP_SHOTS"
}

# A screenshot of the game window's client area (720 x 540). Light PNG compression: a
# screenshot takes 40 ms instead of half a second, and the game runs on meanwhile.
e2e_shot() {
  rm -f "$1.blocks"
  timeout 10 import -window "$WID" -quality 10 "$1"
}

# e2e_shot_until FILE SECONDS 'CONDITION': screenshots into FILE until the condition
# (shell code, evaluated here) holds or SECONDS have passed. For states that settle: the
# sparks of a drop fade, a brick of the well turns over now and then.
e2e_shot_until() {
  local deadline=$((SECONDS + $2))
  while :; do
    e2e_shot "$1"
    if eval "$3"; then return 0; fi
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

# --- Pixels. A screenshot is read as 5 x 5 pixel blocks (144 x 108 of them), each the
# average of its pixels, so that a star of the background cannot pass for a brick.

# "BX BY R G B" per block of SHOT, cached beside it.
e2e_blocks() {  # SHOT
  [ -s "$1.blocks" ] && return 0
  timeout 20 convert "$1" -scale 20% -depth 8 txt:- |
    sed -n 's/^\([0-9]*\),\([0-9]*\): *(\([0-9]*\), *\([0-9]*\), *\([0-9]*\)).*/\1 \2 \3 \4 \5/p' \
      >"$1.blocks.new"
  [ "$(wc -l <"$1.blocks.new")" -eq $((144 * 108)) ] || { rm -f "$1.blocks.new"; return 1; }
  mv "$1.blocks.new" "$1.blocks"
}

# "R G B" (0..255) of the block holding pixel (X, Y).
e2e_mean() {  # SHOT X Y
  e2e_blocks "$1" || return 1
  awk -v x=$(($2 / 5)) -v y=$(($3 / 5)) '$1 == x && $2 == y { print $3, $4, $5; exit }' "$1.blocks"
}

# The screen position of well cell (row, column) in the 720 x 540 client area: the camera
# looks at the well's centre (5.5, 10.5) from 19 units away with a 1-radian field of view,
# which makes one well unit 26 pixels in the plane of the bricks.
cell_x() { echo $((217 + 26 * $1)); }
cell_y() { echo $((543 - 26 * $1)); }

# The blocks down the centre of a well column between two rows (both included, with 10
# pixels to spare): "R G B" per block, from the top down.
e2e_column() {  # SHOT COLUMN ROW_LOW ROW_HIGH
  e2e_blocks "$1" || return 1
  awk -v bx=$(($(cell_x "$2") / 5)) -v y0=$((($(cell_y "$4") - 10) / 5)) -v y1=$((($(cell_y "$3") + 10) / 5)) \
    '$1 == bx && $2 >= y0 && $2 <= y1 { print $3, $4, $5 }' "$1.blocks"
}

# A brick's colour: bright, and pure (one or two channels near zero, or grey as the white
# and the garbage bricks), unlike the purple and blue of the background and its stars.
E2E_AWK_BRICK='
  function abs(v) { return v < 0 ? -v : v }
  function brick(r, g, b,   mx, mn) {
    mx = r; mn = r
    if (g > mx) mx = g; if (b > mx) mx = b; if (g < mn) mn = g; if (b < mn) mn = b
    return mx >= 100 && (mn <= 0.15 * mx || mn >= 0.8 * mx)
  }'

# Some block of the column part shows a brick where REF showed none: a brick's colour,
# and far from REF's colour there.
e2e_has_brick() {  # SHOT REF COLUMN ROW_LOW ROW_HIGH
  paste -d' ' <(e2e_column "$1" "$3" "$4" "$5") <(e2e_column "$2" "$3" "$4" "$5") |
    awk "$E2E_AWK_BRICK"'
      NF == 6 && brick($1, $2, $3) && abs($1 - $4) + abs($2 - $5) + abs($3 - $6) >= 90 { found = 1 }
      END { exit !found }'
}

# Every block of the column part looks as in REF (a little noise allowed).
e2e_unchanged() {  # SHOT REF COLUMN ROW_LOW ROW_HIGH
  paste -d' ' <(e2e_column "$1" "$3" "$4" "$5") <(e2e_column "$2" "$3" "$4" "$5") |
    awk '
      function abs(v) { return v < 0 ? -v : v }
      { n++; if (NF != 6 || abs($1 - $4) + abs($2 - $5) + abs($3 - $6) > 45) bad = 1 }
      END { exit bad || n == 0 }'
}

# Some block of the columns' parts shows a brick's colour (no reference needed).
e2e_brick_colour_in() {  # SHOT COLUMN_LOW COLUMN_HIGH ROW_LOW ROW_HIGH
  local c
  for ((c = $2; c <= $3; c++)); do e2e_column "$1" "$c" "$4" "$5"; done |
    awk "$E2E_AWK_BRICK"' NF == 3 && brick($1, $2, $3) { found = 1 } END { exit !found }'
}

# A brick in the rows of one of the columns, where REF showed none. At a wall any figure
# has two or more bricks in the two columns next to it: one brick of the well turning over
# now and then (it swings up to a column aside) cannot hide them all.
e2e_brick_in() {  # SHOT REF ROW_LOW ROW_HIGH COLUMN...
  local shot=$1 ref=$2 low=$3 high=$4 c
  shift 4
  for c in "$@"; do e2e_has_brick "$shot" "$ref" "$c" "$low" "$high" && return 0; done
  return 1
}
# The rows of every one of the columns look as in REF.
e2e_empty_columns() {  # SHOT REF ROW_LOW ROW_HIGH COLUMN...
  local shot=$1 ref=$2 low=$3 high=$4 c
  shift 4
  for c in "$@"; do e2e_unchanged "$shot" "$ref" "$c" "$low" "$high" || return 1; done
}

# The glass frame at (X, Y): drawn additively over the background, a light blue with more
# green than red, where the background beside the well is a dark purple.
e2e_is_frame() {  # SHOT X Y
  local r g b
  read -r r g b < <(e2e_mean "$1" "$2" "$3") || return 1
  [ "$b" -ge 80 ] && [ "$b" -ge $((r + 50)) ] && [ "$g" -ge $((r + 5)) ]
}

# The game screen of a "Classic" game: the frame's glass at both sides of the well (the
# inner parts of its sides, at four heights between its studs), and the dark background
# outside it (not a screen of one colour, as the menu's clear colour before the game).
e2e_game_screen() {  # SHOT
  local y r g b
  for y in 110 216 323 430; do
    e2e_is_frame "$1" 222 "$y" && e2e_is_frame "$1" 497 "$y" || return 1
  done
  read -r r g b < <(e2e_mean "$1" 100 300) || return 1
  [ "$r" -lt 60 ] && [ "$g" -lt 60 ] && [ "$b" -lt 80 ]
}

# Waits until the window shows the game (at most SECONDS), then for the end of the fade
# in: keys are read only once it is over.
e2e_wait_game_screen() {  # SECONDS
  e2e_shot_until "$E2E_TMP/game_screen.png" "$1" 'e2e_game_screen "$E2E_TMP/game_screen.png"' ||
    die "the window did not show the game within $1 s"
  sleep 0.4
}

# "MEAN STDDEV MINIMUM" (0..1, grey levels) of the 240 x 40 band across the well's middle,
# where a break picture (pause, game over) is drawn.
e2e_middle_band() {  # SHOT
  timeout 10 convert "$1" -crop 240x40+240+250 +repage -colorspace gray \
    -format '%[fx:mean] %[fx:standard_deviation] %[fx:minima]\n' info:
}

# e2e_press KEY...: each key held briefly, then a pause, as a player presses keys one
# after the other in the menus.
e2e_press() {
  local key
  for key in "$@"; do
    e2e_hold "$key" 0.12
    sleep 0.25
  done
}

# highscores.dat, read apart from the game's own reader so that a fault in one is not
# matched by the other: 4 game types x 10 ranks, each entry its name, byte 255, its score's
# decimal digits, byte 32, every byte XORed with the rank's key (37 r + 90) mod 256. awk has
# no XOR of its own.
e2e_bytes() { od -An -v -tu1 "$1" | tr -s ' ' '\n' | sed '/^$/d'; }
E2E_AWK_HIGHSCORES='
    function xor(a, b,   r, bit) {
      r = 0
      for (bit = 1; bit < 256; bit *= 2) if ((int(a / bit) % 2) != (int(b / bit) % 2)) r += bit
      return r
    }
    function key(rank) { return (37 * rank + 90) % 256 }'

# The file decoded, "TYPE RANK SCORE NAME" per entry; with "complete", nothing printed and
# the status tells whether it holds exactly 40 entries, each with both end markers and
# score digits only, and nothing after the last.
e2e_highscores() {  # FILE [complete]
  e2e_bytes "$1" | awk -v complete="${2:-}" "$E2E_AWK_HIGHSCORES"'
    { byte[n++] = $1 }
    END {
      p = 0
      for (e = 0; e < 40 && (complete || p < n); e++) {
        rank = e % 10 + 1; k = key(rank); name = ""; score = 0; digits = 0
        while (p < n && xor(byte[p], k) != 255) name = name sprintf("%c", xor(byte[p++], k))
        if (p++ >= n && complete) exit 1
        while (p < n && xor(byte[p], k) != 32) {
          c = xor(byte[p++], k)
          if (complete && (c < 48 || c > 57)) exit 1
          score = score * 10 + c - 48; digits++
        }
        if (p++ >= n && complete || complete && digits == 0) exit 1
        if (!complete) print int(e / 10) + 1, rank, score, name
      }
      if (complete) exit p != n
    }'
}

# highscores.dat is complete (see e2e_highscores).
e2e_highscores_complete() {  # FILE
  [ -f "$1" ] && e2e_highscores "$1" complete
}

# The file of "TYPE RANK SCORE NAME" lines (scores as written, leading zeros and all) on
# standard input, in the file's order, encoded as highscores.dat on standard output.
e2e_highscores_encode() {
  LC_ALL=C awk "$E2E_AWK_HIGHSCORES"'
    BEGIN { for (i = 32; i < 127; i++) code[sprintf("%c", i)] = i }
    {
      k = key($2); score = $3; name = $0
      sub(/^[^ ]+ [^ ]+ [^ ]+ /, "", name)
      for (i = 1; i <= length(name); i++) printf "%c", xor(code[substr(name, i, 1)], k)
      printf "%c", xor(255, k)
      for (i = 1; i <= length(score); i++) printf "%c", xor(code[substr(score, i, 1)], k)
      printf "%c", xor(32, k)
    }'
}

# The root mean square difference of two screenshots, 0..1; CROP (WxH+X+Y) compares a part.
e2e_rmse() {  # SHOT SHOT [CROP]
  local crop=()
  [ -n "${3:-}" ] && crop=(-crop "$3" +repage)
  timeout 20 convert "$1" "$2" "${crop[@]}" miff:- |
    timeout 20 compare -metric RMSE - null: 2>&1 | sed -n 's/.*(\([0-9.e-]*\)).*/\1/p'
}

# The two screenshots differ clearly (above 3 % of full scale): the screen changed, not
# just an animation's few pixels.
e2e_differ() {  # SHOT SHOT [CROP]
  awk -v d="$(e2e_rmse "$@")" 'BEGIN { exit !(d + 0 > 0.03) }'
}

# The two show the same screen: no more apart than its own animations take it (the menu's
# labels wobble and glow; a different screen is 15 % or more away).
e2e_same_screen() {  # SHOT SHOT [CROP]
  local d
  d=$(e2e_rmse "$@")
  [ -n "$d" ] && awk -v d="$d" 'BEGIN { exit !(d + 0 < 0.10) }'
}

# The translucent green panel of the help and high score screens covers the screen's middle.
e2e_panel_shown() {  # SHOT
  local r g b
  read -r r g b < <(e2e_mean "$1" 360 150) || return 1
  [ "$g" -ge $((r + 25)) ] && [ "$g" -ge $((b + 10)) ]
}

# --- Robustness runs (monkey, kill test, soak).

# Waits scale with this factor under a sanitizer build (./test.sh --sanitize sets 4).
E2E_SLOW=${ZOLVANE_SLOW:-1}
e2e_slow() { echo $(($1 * E2E_SLOW)); }

# config.ini as the game writes it: every line blank, a comment, a section or key=value,
# and [Settings] with its five keys holding integers.
e2e_config_complete() {  # FILE
  [ -f "$1" ] || return 1
  tr -d '\r' <"$1" | awk '
    /^[ \t]*$/ || /^[ \t]*;/ { next }
    /^[ \t]*\[[^]]*\][ \t]*$/ { section = tolower($0); gsub(/[][ \t]/, "", section); next }
    /=/ {
      if (section == "settings") {
        key = tolower(substr($0, 1, index($0, "=") - 1)); value = substr($0, index($0, "=") + 1)
        if (value !~ /^-?[0-9]+$/) exit 1
        seen[key] = 1
      }
      next
    }
    { exit 1 }
    END {
      exit !(seen["music volume"] && seen["sound volume"] && seen["rotation"] &&
             seen["brick quality"] && seen["music number"])
    }'
}

# The resident and peak resident memory of process PID in KiB: "RSS HWM".
e2e_memory() {  # PID
  awk '/^VmRSS:/ { r = $2 } /^VmHWM:/ { h = $2 } END { print r + 0, h + 0 }' "/proc/$1/status" 2>/dev/null
}

# The screen the game last drew into ZOLVANE_TRACE_SCREENS's file $TRACE
# (app/screen_trace.cpp), without its heartbeat lines and the well after a game over.
e2e_screen() { grep -v -e ' frames ' -e ' well ' "$TRACE" 2>/dev/null | tail -n1 | cut -d' ' -f2- || true; }
# Waits up to SECONDS for the screen NAME; false when it does not come or the game ends.
e2e_screen_within() {  # NAME SECONDS
  local deadline=$((SECONDS + $2))
  until [ "$(e2e_screen)" = "$1" ]; do
    e2e_game_running || return 1
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}
# The same, ending the script when the screen does not come.
e2e_wait_screen() {  # NAME SECONDS
  e2e_screen_within "$1" "$2" || die "no screen '$1' within $2 s (last: '$(e2e_screen)')"
}
