#!/usr/bin/env bash
# `cmake --install` with DESTDIR into a throw-away folder: the files a Linux game installs,
# validated by the desktop's own tools; then the installed game started by two players
# with homes of their own, each getting their own files and nothing written into the install.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

DEST="$E2E_TMP/dest"
timeout 120 env DESTDIR="$DEST" cmake --install "$BUILD" --prefix /usr >"$E2E_TMP/install.log" 2>&1 ||
  { cat "$E2E_TMP/install.log"; die "cmake --install failed"; }
check "nothing installed outside DESTDIR" '[ "$(ls "$DEST")" = usr ]'
USR="$DEST/usr"
SHARE="$USR/share/zolvane"

# --- The files.
for f in bin/zolvane bin/zolvane-sim share/zolvane/config.ini share/applications/zolvane.desktop \
         share/man/man6/zolvane.6.gz; do
  check "installed: $f" '[ -f "$USR/$f" ]'
done
check "the executables are executable" '[ -x "$USR/bin/zolvane" ] && [ -x "$USR/bin/zolvane-sim" ]'
check "the default config.ini is the one written by hand" \
  'cmp -s "$SHARE/config.ini" "$ZOLVANE_SOURCE/data/config.ini"'
# Every data file of the run folder, byte for byte; the player's files stay out.
missing=""
while IFS= read -r -d '' f; do
  rel=${f#"$BUILD/game/"}
  cmp -s "$f" "$SHARE/$rel" || missing+=" $rel"
done < <(find "$BUILD/game/data" "$BUILD/game/textures" "$BUILD/game/sounds" "$BUILD/game/music" \
           -type f -print0)
check "every data file of the run folder installed unchanged${missing:+ (not:$missing)}" '[ -z "$missing" ]'
for f in "${PLAYER_FILES[@]}"; do
  [ "$f" = config.ini ] && continue
  check "no $f installed" '[ -z "$(find "$DEST" -name "$f")" ]'
done
for name in $(data_names background); do
  check "the background $name comes converted to a bitmap of its picture's size" \
    '[ "$(head -c 2 "$SHARE/textures/$name.bmp")" = BM ] &&
     [ "$(timeout 10 identify -format "%wx%h" "$SHARE/textures/$name.bmp")" = \
       "$(timeout 10 identify -format "%wx%h" "$SHARE/textures/$name.jpg")" ]'
done
for size in 48 128 256; do
  check "a ${size}-pixel icon" \
    '[ "$(timeout 10 identify -format "%m %wx%h" "$USR/share/icons/hicolor/${size}x${size}/apps/zolvane.png")" = "PNG ${size}x${size}" ]'
done

# --- The desktop's validators and the manual.
check "desktop-file-validate accepts the desktop entry" \
  'timeout 20 desktop-file-validate "$USR/share/applications/zolvane.desktop"'
check "the desktop entry starts zolvane, whose icon is installed" \
  'grep -qx "Exec=zolvane" "$USR/share/applications/zolvane.desktop" &&
   grep -qx "Icon=zolvane" "$USR/share/applications/zolvane.desktop"'
metainfo=("$USR"/share/metainfo/*.metainfo.xml)
check "one metainfo file" '[ ${#metainfo[@]} -eq 1 ] && [ -f "${metainfo[0]}" ]'
check "appstreamcli validates the metainfo" \
  'timeout 30 appstreamcli validate --no-net "${metainfo[0]}" >"$E2E_TMP/appstream.log" 2>&1 || { cat "$E2E_TMP/appstream.log"; false; }'
check "the metainfo names a screenshot, the desktop entry and this version" \
  'grep -q "<screenshot type=\"default\">" "${metainfo[0]}" &&
   grep -q "<launchable type=\"desktop-id\">zolvane.desktop</launchable>" "${metainfo[0]}" &&
   grep -q "<release version=\"$VERSION\"" "${metainfo[0]}"'
MANWIDTH=80 timeout 20 man --warnings -l "$USR/share/man/man6/zolvane.6.gz" >"$E2E_TMP/man.txt" 2>"$E2E_TMP/man.err" || true
check "the manual page renders without warnings" \
  '[ ! -s "$E2E_TMP/man.err" ] && grep -q "zolvane - falling-blocks puzzle game" "$E2E_TMP/man.txt" &&
   grep -q "XDG_DATA_HOME" "$E2E_TMP/man.txt"'

# --- The installed command line.
ZOLVANE="$USR/bin/zolvane"
check "--version prints the version, status 0" '[ "$(timeout 10 "$ZOLVANE" --version)" = "zolvane $VERSION" ]'
check "--help prints the usage, status 0" 'timeout 10 "$ZOLVANE" --help | grep -q "^Usage: zolvane"'
status=0
timeout 10 "$ZOLVANE" --no-such-option >"$E2E_TMP/bad.out" 2>"$E2E_TMP/bad.err" || status=$?
check "an unknown option: status 2, the usage on standard error only" \
  '[ "$status" = 2 ] && [ ! -s "$E2E_TMP/bad.out" ] && grep -q "^Usage: zolvane" "$E2E_TMP/bad.err"'

# --- Two players.
e2e_start_x
BEFORE=$(tree_state "$DEST")
HOME_A="$E2E_TMP/ann" HOME_B="$E2E_TMP/bob" WORK="$E2E_TMP/work"
mkdir -p "$HOME_A" "$HOME_B" "$WORK"

# A player's start of the installed game from $WORK, closing by itself after 60 frames with
# status 0; GAME must name the player's folder, where it logs.
play_sixty_frames() {  # HOME [env NAME=VALUE...]
  local home=$1
  shift
  install_start_game 60 "$home" "$WORK" "$@" -- "$ZOLVANE" --quit-after-frames 60
  install_wait_started
  e2e_wait_game 30 || die "the installed game did not close after 60 frames"
  [ "$GAME_STATUS" = 0 ] || die "the installed game ended with status $GAME_STATUS"
}

GAME="$HOME_A/.local/share/zolvane"
play_sixty_frames "$HOME_A"
check_player_folder "first player" "$GAME" "$SHARE"
check "first player: config.ini began as the default" \
  'grep -qx "Music volume=6" <(tr -d "\r" <"$GAME/config.ini")'
sed -i 's/^Music volume=6/Music volume=2/' "$GAME/config.ini"

# The second player keeps the files in XDG_DATA_HOME.
GAME="$HOME_B/data/zolvane"
play_sixty_frames "$HOME_B" env XDG_DATA_HOME="$HOME_B/data"
check_player_folder "second player" "$GAME" "$SHARE"
check "second player: the default settings, not the first player's" \
  'grep -qx "Music volume=6" <(tr -d "\r" <"$GAME/config.ini")'
check "first player: the changed setting kept" \
  'grep -qx "Music volume=2" <(tr -d "\r" <"$HOME_A/.local/share/zolvane/config.ini")'
check "second player: nothing under ~/.local/share" '[ ! -e "$HOME_B/.local/share/zolvane" ]'

check "nothing written into the install tree" '[ "$(tree_state "$DEST")" = "$BEFORE" ]'
check "nothing written into the folder the game was started from" '[ -z "$(ls -A "$WORK")" ]'
check_no_stray_files "first player" "$HOME_A" "$HOME_A/.local/share/zolvane"
check_no_stray_files "second player" "$HOME_B" "$HOME_B/data/zolvane"
finish
