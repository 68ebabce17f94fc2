#!/usr/bin/env bash
# Installs what is missing, builds into build/, and starts the game from its run folder.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
cd build/game
exec ./zolvane "$@"
