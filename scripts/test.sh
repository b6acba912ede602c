#!/usr/bin/env bash
# Builds both architectures and runs every test under Wine in each: the 64-bit
# build in a 64-bit prefix, the 32-bit build in a 32-bit Windows prefix, each
# under build/<arch>. Arguments go to ctest (for example -R Report);
# QX_TEST_ARCHS="i686" limits the run to the architectures named. On a machine
# that cannot run 32-bit programs the 32-bit build is built but not run, and the
# script says so.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
archs=(${QX_TEST_ARCHS:-x86_64 i686})
bash scripts/install-deps.sh

elapsed() { echo "$(($(date +%s) - $1)) s"; }
for arch in "${archs[@]}"; do
  start=$(date +%s)
  cmake -S . -B "build/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch-w64-mingw32.cmake" \
    -Wno-dev --no-warn-unused-cli -DQX_BUILD_TESTS=ON >/dev/null
  cmake --build "build/$arch"
  bash scripts/check-dll.sh "$arch" "build/$arch/bin/qxibar.dll"
  echo "build $arch: $(elapsed "$start")"
done

failed=() passed=0 failures=0 summaries=()
for arch in "${archs[@]}"; do
  start=$(date +%s)
  echo "=== tests: $arch ==="
  if [ "$arch" = i686 ] && ! { bash scripts/can-run-32bit.sh && [ -x /usr/lib/wine/wine ]; }; then
    summaries+=("$arch: NOT RUN: this machine cannot run 32-bit programs (32-bit Wine unusable)")
    continue
  fi
  log=$root/build/$arch/ctest.log
  # Each architecture in its own shell: its own prefix, wineserver and display.
  if ! (
    WINE_ENV_DIR="$root/build/$arch" WINE_ENV_ARCH=$arch
    # shellcheck source=scripts/wine-env.sh
    . scripts/wine-env.sh
    trap wine_env_stop EXIT
    cd "build/$arch"
    ctest --output-on-failure --timeout 300 --output-log "$log" "$@"
  ); then
    failed+=("$arch")
  fi
  summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$log" | tail -1 || true)
  summaries+=("$arch: ${summary:-no ctest summary} ($(elapsed "$start"))")
  if [[ $summary =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failures=$((failures + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  fi
done

printf '%s\n' "${summaries[@]}"
echo "tests: $passed passed, $failures failed"
if [ ${#failed[@]} -gt 0 ]; then
  echo "failing architectures: ${failed[*]}" >&2
  exit 1
fi
