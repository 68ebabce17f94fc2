# Shared by the install tests: the installed game started as a player would start it, in
# a home folder of its own, on the private X server of tests/e2e/lib/session.sh.
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib/session.sh"

PLAYER_FILES=(config.ini highscores.dat debug.txt result.txt)
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
[ -n "$VERSION" ] || die "no project version in $BUILD/CMakeCache.txt"

# "<sha256>  <path>" of every file under a folder, and "<path> -> <target>" of every link:
# compared before and after a run, it shows anything written there.
tree_state() {  # FOLDER
  (cd "$1" && find . -type f -print0 | sort -z | xargs -0 -r sha256sum
   find . -type l -printf '%p -> %l\n' | sort)
}

# install_start_game SECONDS HOME WORKDIR [env NAME=VALUE...] -- COMMAND [args...]: the
# game started with a clean environment (only HOME, PATH, the display and the test's
# own settings, and a sanitizer build's report settings), from WORKDIR, killed after SECONDS at the latest. RUN_AS, when set, is a
# prefix such as `setpriv --reuid=...` that drops root first.
install_start_game() {
  local limit=$1 home=$2 workdir=$3
  shift 3
  local vars=()
  while [ "$1" != "--" ]; do vars+=("$1"); shift; done
  shift
  (cd "$workdir" && exec timeout -k 3 "$limit" ${RUN_AS:-} env -i HOME="$home" \
     PATH="/usr/local/bin:/usr/bin:/bin:/usr/games" DISPLAY="$DISPLAY" \
     SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1 ZOLVANE_UNATTENDED=1 \
     ${ASAN_OPTIONS:+ASAN_OPTIONS="$ASAN_OPTIONS"} ${LSAN_OPTIONS:+LSAN_OPTIONS="$LSAN_OPTIONS"} \
     ${UBSAN_OPTIONS:+UBSAN_OPTIONS="$UBSAN_OPTIONS"} "${vars[@]}" "$@") >"$E2E_TMP/out" 2>"$E2E_TMP/err" &
  GAME_PID=$!
  GAME_STATUS=""
}

# Waits for the window and the end of the start-up (debug.txt in $GAME, the player's
# folder), then gives the window the keyboard.
install_wait_started() {
  e2e_wait_started 30
  sleep 0.3
}

# The player's files in FOLDER, and its links to the shared data at DATA.
check_player_folder() {  # LABEL FOLDER DATA
  local label=$1 folder=$2 data=$3 f name
  for f in "${PLAYER_FILES[@]}"; do
    check "$label: $f in the player's folder" '[ -f "$folder/$f" ] && [ ! -L "$folder/$f" ]'
  done
  for name in data textures sounds music; do
    check "$label: $name links to the installed data" \
      '[ "$(readlink "$folder/$name")" = "$data/$name" ]'
  done
  check "$label: debug.txt logged the start-up" \
    'tr -d "\r" <"$folder/debug.txt" | grep -qxF "DirectSound+DirectMusic - done"'
}

# None of the player's files anywhere under FOLDER but in the player's folder KEEP.
check_no_stray_files() {  # LABEL FOLDER KEEP
  local label=$1 stray
  stray=$(find "$2" \( -path "$3" -prune \) -o -type f \( -name config.ini -o -name highscores.dat \
            -o -name debug.txt -o -name result.txt \) -print)
  check "$label: no player's file outside the player's folder${stray:+ (found: $stray)}" '[ -z "$stray" ]'
}
