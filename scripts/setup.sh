#!/usr/bin/env bash
# Installs the Debian packages the build, the game and the tests use; apt-get update only
# runs when something is missing, so a prepared machine starts at once.
# scripts/setup.sh PACKAGE...: those packages instead (scripts/fuzz.sh needs only a few).
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libgl-dev libgl1-mesa-dri libglu1-mesa-dev
  libjpeg62-turbo-dev libstb-dev zlib1g-dev libfluidsynth-dev fluid-soundfont-gm
  libfreetype-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-utils imagemagick espeak-ng sox pulseaudio pulseaudio-utils
  clang libclang-rt-14-dev desktop-file-utils appstream
)

if [ $# -gt 0 ]; then PACKAGES=("$@"); fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
