#!/usr/bin/env bash
# Installs what is missing, builds into build/, and runs the whole test suite.
# ./test.sh [--sanitize] [CTEST ARGUMENTS...]
# --sanitize: the same suite built with ASan + UBSan in build-sanitize/ instead. Further
# arguments go to CTest (e.g. -R layers, or -E e2e_).
# The Debian package test installs into the system: it runs only with ZOLVANE_PACKAGE_TEST=1.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
if [ "${1:-}" = "--sanitize" ]; then
  shift
  source tests/sanitize/env.sh
  cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOLVANE_SANITIZE=ON >/dev/null
  cmake --build build-sanitize -j2
  cd build-sanitize
  ctest --output-on-failure -j2 --timeout 900 "$@"
  exit
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
cd build
ctest --output-on-failure -j2 "$@"
