#!/usr/bin/env bash
# Measures what the tests catch: builds the 64-bit tests (build/x86_64),
# then applies each deliberate fault of tests/mutation/mutate.py to src/ in
# turn, rebuilds, runs the tests of its area under Wine and restores the
# source. Arguments go to mutate.py (mutant names; --check).
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
bash scripts/install-deps.sh
# The 64-bit test build by default; QX_MUTATION_BUILD names another.
build=${QX_MUTATION_BUILD:-$root/build/x86_64}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake \
  -Wno-dev --no-warn-unused-cli -DQX_BUILD_TESTS=ON >/dev/null
cmake --build "$build"
: >"$build/mutation.log"
WINE_ENV_DIR=$build WINE_ENV_ARCH=x86_64
# shellcheck source=scripts/wine-env.sh
. scripts/wine-env.sh
trap wine_env_stop EXIT
QX_MUTATION_BUILD=$build python3 tests/mutation/mutate.py "$@"
