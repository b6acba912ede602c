#!/usr/bin/env bash
# Builds QX IconBar for 64-bit Windows (or 32-bit: --arch i686) and shows it in
# the stand-in File Manager under Wine, with a settings file of twelve buttons.
# Without a display the window is shown on a private X server and photographed
# at each step into demo-out/: the bar (fmhost.png), a button's popup
# (popup.png), the program a button started with two selected files, the
# parameters and its start folder (run.png),
# a button being moved (move.png), the Popup Options dialog with its sample
# (popup-options.png), the About box (about.png), the keyboard on a button
# with its popup (keys.png), and the dialogs that build
# the bar (bar-options.png, menu-button.png, program-button.png,
# choose-icon.png), and in a narrow window the chevron's menu of the buttons
# beyond its edge (chevron.png); then it is closed. With a display it stays open until the
# user closes it.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
arch=x86_64
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) arch=${2:-}; shift 2 || shift ;;
    --arch=*) arch=${1#--arch=}; shift ;;
    *) echo "usage: $0 [--arch x86_64|i686]" >&2; exit 2 ;;
  esac
done
case "$arch" in
  x86_64|i686) ;;
  *) echo "demo: unknown architecture '$arch' (x86_64 or i686)" >&2; exit 2 ;;
esac
build=${QX_DEMO_BUILD_DIR:-build/$arch}

bash scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch-w64-mingw32.cmake"
cmake --build "$build"
if [ "$arch" = i686 ] && ! { bash scripts/can-run-32bit.sh && [ -x /usr/lib/wine/wine ]; }; then
  echo "demo: built in $build, but this machine cannot run 32-bit programs (no 32-bit Wine)" >&2
  exit 1
fi

had_display=${DISPLAY:-}
WINE_ENV_DIR=$root/$build
WINE_ENV_ARCH=$arch
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
# Registered with File Manager as a user would: by the installer, in File
# Manager's own settings file; taken back when the demo ends.
installer=$root/$build/bin/qxinstall.exe
wine "$installer" install "$(to_windows "$root/$build/bin/qxibar.dll")" >"$out/install.log" 2>&1 </dev/null
tr -d '\r' <"$out/install.log"
uninstall() { wine "$installer" uninstall >"$out/uninstall.log" 2>&1 </dev/null || true; }
trap 'uninstall; wine_env_stop' EXIT

# The extension's settings: twelve buttons. Menu buttons name File Manager's
# menu items as the extension finds them (text before the first '.' or tab,
# without its '&') and take the built-in icons; program buttons take their
# programs' own icons.
show_args=$(to_windows "$root/$build/bin/show_args.exe")
settings=$out/settings/QXICOBAR.INI
{
  printf '[Icon Bar]\nNumber of Icons=12\nBar Length=980\n'
  printf 'Popup Background Color Blue=192\nPopup Text Color Blue=128\n'
  n=0
  menu_button() {
    printf '[Icon%d]\nProgram Name or Menu Item=%s\nType=0\nDescription=%s\n' "$n" "$1" "$2"
    n=$((n + 1))
  }
  program_button() {  # program, icon file, index, description, more keys
    printf '[Icon%d]\nProgram Name or Menu Item=%s\nIcon Name=%s\nIcon Index=%s\nDescription=%s\n%b' \
      "$n" "$1" "$2" "$3" "$4" "${5:-}"
    n=$((n + 1))
  }
  menu_button "Copy" "Copy the selected files"
  menu_button "Move" "Move the selected files"
  menu_button "Delete" "Delete the selected files"
  menu_button "Rename" "Rename the selected file"
  menu_button "Search" "Search for files"
  menu_button "Sort by Name" "Sort the directory window by name"
  menu_button "Sort by Date" "Sort the directory window by date"
  menu_button "Create Directory" "Create a new directory"
  program_button 'C:\windows\system32\notepad.exe' 'C:\windows\system32\notepad.exe' 0 \
    "Edit the selected file with Notepad" 'Allow Multiple Files=0\n'
  program_button 'C:\windows\regedit.exe' 'C:\windows\regedit.exe' 0 \
    "Registry Editor" 'Pass Selected Files=0\n'
  program_button 'C:\windows\system32\winemine.exe' 'C:\windows\system32\winemine.exe' 0 \
    "A game of Minesweeper" 'Pass Selected Files=0\n'
  # Started in File Manager's folder, it shows what an archiver would be given.
  program_button "$show_args" 'C:\windows\system32\shell32.dll' 3 \
    "Archive the selection" \
    'Requires File=1\nParameters=a "%P\\archive.7z" %F\nStart Folder=%P\n'
} | sed 's/$/\r/' >"$settings"

program=$root/$build/bin/fmhost_demo.exe
args=(--dir "$(to_windows "$out/files")"
      --settings "$(to_windows "$settings")")
if [ -z "$had_display" ]; then
  # The stand-in drives the bar itself and waits at each step until the
  # screenshot of it has been taken.
  steps=$out/steps
  rm -rf "$steps" "$out"/*.png
  mkdir -p "$steps"
  wine "$program" "${args[@]}" --script "$(to_windows "$steps")" \
    --select notes.txt --select hello.bat --hover 8 --click 11 \
    --exit-after 120 >"$out/wine.log" 2>&1 </dev/null &
  demo=$!
  shoot() {  # step, picture
    for _ in $(seq 600); do
      [ -e "$steps/$1.ready" ] && break
      kill -0 "$demo" 2>/dev/null || break
      sleep 0.1
    done
    if [ -e "$steps/$1.ready" ]; then
      # The stand-in leaves its own picture where the cursor must show.
      if [ -e "$steps/$1.bmp" ]; then
        convert "$steps/$1.bmp" -crop 1000x700+0+0 +repage "$out/$2"
      else
        import -window root -crop 1000x700+0+0 +repage "$out/$2"
      fi
      echo "$(tr -d '\r' <"$steps/$1.ready") -> $out/$2"
    else
      echo "step $1 was not reached (see $out/wine.log)"
    fi
    touch "$steps/$1.taken"
  }
  shoot bar fmhost.png
  shoot popup popup.png
  shoot run run.png
  for step in move popup-options about keys bar-options menu-button program-button choose-icon \
    chevron; do
    shoot "$step" "$step.png"
  done
  wait "$demo" || echo "fmhost_demo ended with status $? (see $out/wine.log)"
  echo "Screenshots: $(cd "$out" && ls ./*.png | tr '\n' ' ')"
else
  echo "The stand-in File Manager is open on display $DISPLAY; close it to end the demo."
  wine "$program" "${args[@]}" >"$out/wine.log" 2>&1 </dev/null || true
fi
