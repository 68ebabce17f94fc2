#!/usr/bin/env bash
# check_layers.sh fails on each kind of broken rule and names the file and line, and passes
# a tree that keeps them.
set -euo pipefail
check=$(cd "$(dirname "$0")" && pwd)/check_layers.sh
tree=$(mktemp -d "${TMPDIR:-/tmp}/zolvane-layers-$$-XXXXXX")
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/{platform/gl,platform/sdl,platform/fluidsynth,audio,game,render,menu,app}

good() { printf '#include "%s"\n' "$2" > "$tree/$1"; }
good game/rules.cpp platform/clock.h
good app/main.cpp menu/menu_state.h
good platform/gl/device.cpp platform/device.h
echo '#include <GL/gl.h>' > "$tree/platform/gl/gl_calls.cpp"
bash "$check" "$tree" || { echo "a tree that keeps the rules failed"; exit 1; }

expect_failure() {  # FILE LINE CONTENT...
  local file=$1 line=$2; shift 2
  local saved; saved=$(mktemp); cp -r "$tree" "$saved.tree"
  { for ((i = 1; i < line; ++i)); do echo "// line $i"; done; printf '%s\n' "$@"; } > "$tree/$file"
  if out=$(bash "$check" "$tree"); then echo "not caught: $file: $*"; exit 1; fi
  grep -q "^$file:$line: " <<<"$out" || { echo "$file:$line not named in: $out"; exit 1; }
  rm -rf "$tree"; mv "$saved.tree" "$tree"; rm -f "$saved"
}
expect_failure game/line_clearing.cpp 3 '#include "menu/high_scores.h"'
expect_failure audio/sound.cpp 1 '  #  include "game/settings.h"'
expect_failure render/models.cpp 2 '#include "app/logs.h"'
expect_failure platform/device.cpp 1 '#include "platform/sdl/window.h"'
expect_failure app/window.cpp 1 '#include <GL/gl.h>'
expect_failure platform/sdl/audio.cpp 1 '#include <fluidsynth.h>'
echo "check_layers.sh catches every broken rule"
