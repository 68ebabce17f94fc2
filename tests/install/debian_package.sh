#!/usr/bin/env bash
# The Debian package from end to end: built with cpack, installed with apt-get from the
# machine's own packages, the game started from its desktop entry by an unprivileged user
# with a throw-away home under Xvfb, a few keys played, ended with SIGTERM; the player's
# files appear in that home and nowhere else; then the package is removed again.
# It changes the machine, so it runs only when asked (ZOLVANE_PACKAGE_TEST=1, as .ci/run
# does). Needs root; skipped (77) otherwise, and when a zolvane package is installed
# already, which it must not replace or remove.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

PLAYER_UID=65534  # nobody
SHOTS=${ZOLVANE_INSTALL_SHOTS:-}  # a folder to keep the screenshots in, for a person to look at

[ "${ZOLVANE_PACKAGE_TEST:-}" = 1 ] || {
  echo "SKIP: installs into the system; ZOLVANE_PACKAGE_TEST=1 runs it"; exit 77; }
[ "$(id -u)" = 0 ] || { echo "SKIP: installing a package needs root"; exit 77; }
for tool in apt-get dpkg dpkg-deb cpack setpriv flock; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done
# One package test at a time on this machine, whichever build folder it runs from. The
# X server and the game are started without the lock's descriptor (9>&-), so that one left
# running by accident cannot hold the lock.
exec 9>"${TMPDIR:-/tmp}/zolvane-package-test.lock"
timeout 300 flock 9 || die "another package test holds the lock"
if dpkg-query -W -f='${Status}' zolvane 2>/dev/null | grep -q "ok installed"; then
  echo "SKIP: a zolvane package is installed on this machine already"
  exit 77
fi

INSTALLED=0
package_cleanup() {
  local status=$?
  trap - ERR
  set +e
  if [ "$INSTALLED" = 1 ]; then
    echo "removing the package after a failure"
    DEBIAN_FRONTEND=noninteractive timeout 300 apt-get remove -y -q -o DPkg::Lock::Timeout=120 zolvane \
      >/dev/null 2>&1 || echo "could not remove the zolvane package"
  fi
  (exit "$status")
  e2e_cleanup
}
trap package_cleanup EXIT

apt_get() {
  DEBIAN_FRONTEND=noninteractive timeout 300 apt-get -y -q -o DPkg::Lock::Timeout=120 "$@" \
    >"$E2E_TMP/apt.log" 2>&1 || { cat "$E2E_TMP/apt.log"; return 1; }
}

# --- Build.
t0=$SECONDS
timeout 300 cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$E2E_TMP/pkg" >"$E2E_TMP/cpack.log" 2>&1 ||
  { cat "$E2E_TMP/cpack.log"; die "cpack -G DEB failed"; }
ARCH=$(dpkg --print-architecture)
DEB="$E2E_TMP/pkg/zolvane_${VERSION}_${ARCH}.deb"
[ -f "$DEB" ] || { ls "$E2E_TMP/pkg"; die "no zolvane_${VERSION}_${ARCH}.deb"; }
echo "package built in $((SECONDS - t0)) s: $(du -h "$DEB" | cut -f1)"
depends=$(dpkg-deb -f "$DEB" Depends)
echo "Depends: $depends"
for dep in libsdl2-2.0-0 libfluidsynth3 libjpeg62-turbo libgl1 fluid-soundfont-gm; do
  check "the package depends on $dep" 'grep -qE "(^|[ ,|])$dep( |,|$)" <<<"$depends"'
done
check "every file of the package is under /usr" \
  '[ -z "$(dpkg-deb -c "$DEB" | awk "{print \$6}" | grep -v "^\./usr/")" ]'

# --- Install, from the machine's own packages only: a dry run first shows that nothing
# else would be fetched (apt-get's --no-download cannot take a package file).
t0=$SECONDS
DEBIAN_FRONTEND=noninteractive timeout 120 apt-get install -s -q "$DEB" >"$E2E_TMP/apt-dry.log" 2>&1 ||
  { cat "$E2E_TMP/apt-dry.log"; die "apt-get cannot install $(basename "$DEB")"; }
to_install=$(sed -n 's/^Inst \([^ ]*\).*/\1/p' "$E2E_TMP/apt-dry.log" | tr '\n' ' ')
[ "$to_install" = "zolvane " ] ||
  { echo "SKIP: the package's dependencies are not all installed (would install: $to_install)"; exit 77; }
INSTALLED=1
apt_get install "$DEB" || die "apt-get install ./$(basename "$DEB") failed"
echo "package installed in $((SECONDS - t0)) s"
check "zolvane is an installed package" \
  'dpkg-query -W -f="\${Status} \${Version}" zolvane | grep -qx "install ok installed $VERSION"'
check "the zolvane command is on the PATH" '[ "$(command -v zolvane)" = /usr/bin/zolvane ]'
check "zolvane --version" '[ "$(timeout 10 zolvane --version)" = "zolvane $VERSION" ]'
DESKTOP=/usr/share/applications/zolvane.desktop
check "the desktop entry is installed and valid" '[ -f "$DESKTOP" ] && timeout 20 desktop-file-validate "$DESKTOP"'
EXEC=$(sed -n 's/^Exec=//p' "$DESKTOP")
[ -n "$EXEC" ] || die "no Exec line in $DESKTOP"

# --- A player.
e2e_start_x 9>&-
chmod 755 "$E2E_TMP"
PLAYER_HOME="$E2E_TMP/home" WORK="$E2E_TMP/work"
mkdir -p "$PLAYER_HOME" "$WORK"
chown "$PLAYER_UID:$PLAYER_UID" "$PLAYER_HOME" "$WORK"
GAME="$PLAYER_HOME/.local/share/zolvane"
INSTALL_BEFORE=$(tree_state /usr/share/zolvane)

RUN_AS="setpriv --reuid=$PLAYER_UID --regid=$PLAYER_UID --clear-groups"
# The desktop entry's command, as a menu starts it: no field codes, found on the PATH.
# shellcheck disable=SC2086
install_start_game 90 "$PLAYER_HOME" "$WORK" -- $EXEC 9>&-
install_wait_started
# The menu over its background: far from the black of "Loading..." across the screen.
menu_drawn() {
  awk -v m="$(timeout 10 convert "$E2E_TMP/menu.png" -colorspace gray -format "%[fx:mean]" info:)" \
    'BEGIN { exit !(m > 0.1) }'
}
check "the menu is drawn with its pictures" 'e2e_shot_until "$E2E_TMP/menu.png" "$(e2e_slow 15)" menu_drawn'
# Keys count once the menu's fade has ended; the sanitizer build draws several times slower.
sleep "$(e2e_slow 1)"
e2e_press Return    # New Game
sleep "$(e2e_slow 1)"
e2e_press Return    # Classic
e2e_wait_game_screen "$(e2e_slow 20)"
e2e_press Left Left Up Right space
sleep 0.5
e2e_shot "$E2E_TMP/game.png"
check "the game screen is shown after the keys" 'e2e_game_screen "$E2E_TMP/game.png"'
[ -n "$SHOTS" ] && mkdir -p "$SHOTS" && cp "$E2E_TMP/menu.png" "$E2E_TMP/game.png" "$SHOTS/"
e2e_terminate_game 15
check "SIGTERM ends the game with status 0" '[ "$GAME_STATUS" = 0 ]'
[ "$GAME_STATUS" = 0 ] || e2e_dump_game_output

check_player_folder "player" "$GAME" /usr/share/zolvane
check "the player's files belong to the player" \
  '[ -z "$(find "$PLAYER_HOME" ! -uid "$PLAYER_UID")" ]'
check "the high score table was saved" '[ -s "$GAME/highscores.dat" ]'
check_no_stray_files "player" "$PLAYER_HOME" "$GAME"
check "nothing written into the folder the game was started from" '[ -z "$(ls -A "$WORK")" ]'
check "no config.ini beside the installed executable" '[ ! -e /usr/bin/config.ini ]'
check "the installed files are unchanged (dpkg --verify)" '[ -z "$(dpkg --verify zolvane 2>&1)" ]'
check "nothing added to or changed in /usr/share/zolvane" \
  '[ "$(tree_state /usr/share/zolvane)" = "$INSTALL_BEFORE" ]'

# --- Remove.
t0=$SECONDS
apt_get remove zolvane || die "apt-get remove zolvane failed"
INSTALLED=0
echo "package removed in $((SECONDS - t0)) s"
check "the package is no longer installed" \
  '! dpkg-query -W -f="\${Status}" zolvane 2>/dev/null | grep -q "ok installed"'
for path in /usr/bin/zolvane /usr/bin/zolvane-sim /usr/share/zolvane "$DESKTOP" \
            /usr/share/icons/hicolor/48x48/apps/zolvane.png /usr/share/man/man6/zolvane.6.gz; do
  check "removed: $path" '[ ! -e "$path" ]'
done
check "no metainfo left" '[ -z "$(grep -l "<binary>zolvane</binary>" /usr/share/metainfo/*.xml 2>/dev/null)" ]'
check "the player's own files stay after the removal" '[ -s "$GAME/config.ini" ] && [ -s "$GAME/highscores.dat" ]'
finish
