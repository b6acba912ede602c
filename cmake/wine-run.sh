#!/usr/bin/env bash
# Runs a Windows program under Wine for ctest and gtest discovery.
# Usage: wine-run.sh BUILD_DIR PROGRAM [ARGS...]
#
# Wine's helper processes inherit the standard output of the program that
# starts them; when that is a pipe, the reader (ctest, ninja) would wait for an
# end that never comes. So the program writes to temporary files, which are
# copied out once it has ended.
set -u
build_dir=$1
shift
export WINEPREFIX=${WINEPREFIX:-$build_dir/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winealsa.drv,winepulse.drv,wineoss.drv=d"}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The 64-bit loader itself where there is one (see scripts/wine-env.sh).
loader=wine
if [ "${WINEARCH:-win64}" = win64 ] && [ -x /usr/lib/wine/wine64 ]; then
  loader=/usr/lib/wine/wine64
  export WINELOADER=$loader
fi
"$loader" "$@" >"$tmp/out" 2>"$tmp/err" </dev/null
rc=$?
cat "$tmp/out"
cat "$tmp/err" >&2
exit $rc
