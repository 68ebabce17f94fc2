#!/usr/bin/env bash
# The layers hold: platform < audio < game < render < menu < app. A file includes only its
# own layer and the ones below; inside platform/ the interfaces and pure helpers include no
# backend; OpenGL is called only in platform/gl/, FluidSynth only in platform/fluidsynth/.
# Prints every include that breaks a rule as FILE:LINE and fails. Usage: check_layers.sh [ROOT]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root"

layers=(platform audio game render menu app)
files=$(find "${layers[@]}" -name '*.cpp' -o -name '*.h' 2>/dev/null | LC_ALL=C sort)
[ -n "$files" ] || { echo "check_layers: no sources under $root" >&2; exit 2; }

# shellcheck disable=SC2086
awk -v order="${layers[*]}" '
  BEGIN { n = split(order, names, " "); for (i = 1; i <= n; ++i) rank[names[i]] = i }
  function fail(why) { printf "%s:%d: %s: %s\n", FILENAME, FNR, why, $0; bad = 1 }
  FNR == 1 {
    split(FILENAME, part, "/"); own = part[1]
    backend = (own == "platform" && part[3] != "") ? part[2] : ""
  }
  /^[ \t]*#[ \t]*include[ \t]*"/ {
    match($0, /"[^"]+"/); target = substr($0, RSTART + 1, RLENGTH - 2)
    split(target, t, "/")
    if (t[1] in rank && rank[t[1]] > rank[own])
      fail("runs up from " own " to " t[1])
    if (own == "platform" && backend == "" && t[1] == "platform" && t[3] != "")
      fail("the platform interfaces include a backend")
  }
  /^[ \t]*#[ \t]*include[ \t]*[<"](GL\/|SDL_opengl)/ {
    if (backend != "gl") fail("OpenGL outside platform/gl")
  }
  /^[ \t]*#[ \t]*include[ \t]*[<"]fluidsynth/ {
    if (backend != "fluidsynth") fail("FluidSynth outside platform/fluidsynth")
  }
  END { exit bad }
' $files
