#!/usr/bin/env bash
# Builds QX IconBar for 64-bit Windows and shows it in the stand-in File
# Manager under Wine. Without a display the window is shown on a private X
# server, photographed into demo-out/fmhost.png and closed; with a display it
# stays open until the user closes it.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
build=${QX_DEMO_BUILD_DIR:-build/x86_64}

bash scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake
cmake --build "$build"

had_display=${DISPLAY:-}
WINE_ENV_DIR=$root/$build
# shellcheck source=scripts/wine-env.sh
. scripts/wine-env.sh
trap wine_env_stop EXIT

out=$root/demo-out
rm -rf "$out/files" "$out/settings"
mkdir -p "$out/files/old letters" "$out/settings"
printf 'Shopping list\r\n' >"$out/files/notes.txt"
printf 'Read me first\r\n' >"$out/files/read me.txt"
printf 'Quarterly figures\r\n' >"$out/files/annual report 2024.txt"
printf '@echo off\r\necho Hello from a batch file\r\n' >"$out/files/hello.bat"
head -c 4096 /dev/zero >"$out/files/holiday photo.bmp"
printf 'Dear Sir,\r\n' >"$out/files/old letters/letter.txt"

# Wine's own helpers may hold on to a pipe: its answers go through a file.
to_windows() {
  winepath -w "$1" >"$out/winepath.txt" 2>/dev/null </dev/null
  tr -d '\r\n' <"$out/winepath.txt"
}
ini=$out/settings/WINFILE.INI
printf '[AddOns]\r\nQX IconBar=%s\r\n' "$(to_windows "$root/$build/bin/qxibar.dll")" >"$ini"

program=$root/$build/bin/fmhost_demo.exe
args=(--ini "$(to_windows "$ini")" --dir "$(to_windows "$out/files")")
if [ -z "$had_display" ]; then
  wine "$program" "${args[@]}" --exit-after 12 >"$out/wine.log" 2>&1 </dev/null &
  demo=$!
  sleep 6
  import -window root "$out/fmhost.png"
  wait "$demo" || echo "fmhost_demo ended with status $? (see $out/wine.log)"
  echo "Screenshot: $out/fmhost.png"
else
  echo "The stand-in File Manager is open on display $DISPLAY; close it to end the demo."
  wine "$program" "${args[@]}" >"$out/wine.log" 2>&1 </dev/null || true
fi
