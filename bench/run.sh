#!/usr/bin/env bash
# Builds the 64-bit benchmark and runs it under Wine on a virtual screen of its
# own, wide enough for 240 buttons side by side; prints its table and RATIO lines.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
cmake -S . -B build/x86_64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake \
  -Wno-dev --no-warn-unused-cli -DQX_BUILD_TESTS=ON >/dev/null
cmake --build build/x86_64 --target qx_bench >/dev/null

unset DISPLAY
QX_SCREEN=10240x768x24
WINE_ENV_DIR="$root/build/x86_64"
. scripts/wine-env.sh
out=$(mktemp -d)
trap 'wine_env_stop; rm -rf "$out"' EXIT
# Wine's helper processes keep a pipe open: the output goes to a file first.
(cd build/x86_64/bin && wine ./qx_bench.exe >"$out/bench.txt" 2>"$out/err.txt" </dev/null) || {
  cat "$out/err.txt" >&2
  exit 1
}
cat "$out/bench.txt"
