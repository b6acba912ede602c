#!/usr/bin/env bash
# The long runs left out of scripts/test.sh: 2,000 fuzzed settings files (each
# batch in a child process with a time limit; a file that crashes or hangs is
# kept under build/<arch>/bin/fuzz) and the soak of 200 loads and 20,000 mouse
# actions in one stand-in File Manager. QX_SOAK_ARCH picks the build (x86_64).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
arch=${QX_SOAK_ARCH:-x86_64}
bash scripts/install-deps.sh
cmake -S . -B "build/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch-w64-mingw32.cmake" \
  -Wno-dev --no-warn-unused-cli -DQX_BUILD_TESTS=ON >/dev/null
cmake --build "build/$arch" --target integration_tests
WINE_ENV_DIR="$root/build/$arch" WINE_ENV_ARCH=$arch
# shellcheck source=scripts/wine-env.sh
. scripts/wine-env.sh
trap wine_env_stop EXIT
cd "build/$arch/bin"
log=$root/build/$arch/soak.log
# Wine's helpers keep a pipe open: the output goes to a file.
status=0
QX_SOAK=1 wine integration_tests.exe --gtest_also_run_disabled_tests \
  --gtest_filter='RobustnessTest.DISABLED_TwoThousand*:RobustnessTest.Soak*' \
  >"$log" 2>&1 </dev/null || status=$?
grep -E '^(fuzz|soak):|Failure|\[  (PASSED|FAILED) ' "$log" || true
echo "soak: exit $status, log in $log"
exit $status
