#!/usr/bin/env bash
# Builds both architectures and runs every test (x86_64 under Wine).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh

for arch in x86_64 i686; do
  cmake -S . -B "build/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch-w64-mingw32.cmake" \
    -Wno-dev --no-warn-unused-cli -DQX_BUILD_TESTS="$([ "$arch" = x86_64 ] && echo ON || echo OFF)" >/dev/null
  cmake --build "build/$arch"
  bash scripts/check-dll.sh "$arch" "build/$arch/bin/qxibar.dll"
done

WINE_ENV_DIR="$root/build/x86_64"
. scripts/wine-env.sh
trap wine_env_stop EXIT
cd build/x86_64
ctest --output-on-failure --timeout 300 "$@"
