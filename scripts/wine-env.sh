# Sourced by the test and demo scripts: one private Wine prefix, one persistent
# wineserver and an X display for the whole run.
# Needs WINE_ENV_DIR (where the prefix lives); WINE_ENV_ARCH (x86_64, the
# default, or i686) picks a 64-bit prefix or a 32-bit Windows one. Defines
# wine_env_stop.
export WINEPREFIX="$WINE_ENV_DIR/wineprefix"
# The folder of the prefix's 32-bit system DLLs, where it has to have them: a
# 64-bit prefix has its 32-bit half only where 32-bit Wine is installed.
_wine_sys32=""
case "${WINE_ENV_ARCH:-x86_64}" in
  i686) export WINEARCH=win32; _wine_sys32=system32 ;;
  *) export WINEARCH=win64; [ -x /usr/lib/wine/wine ] && _wine_sys32=syswow64 ;;
esac
export WINEDEBUG=-all
# Debian's "wine" launcher prefers the 32-bit loader as soon as wine32 is
# installed, even where the machine cannot run 32-bit programs: the 64-bit
# programs are started with the 64-bit loader itself.
if [ "${WINE_ENV_ARCH:-x86_64}" = x86_64 ] && [ -x /usr/lib/wine/wine64 ]; then
  export WINELOADER=/usr/lib/wine/wine64
  wine() { "$WINELOADER" "$@"; }
  wineboot() { "$WINELOADER" wineboot "$@"; }
  winepath() { "$WINELOADER" winepath "$@"; }
fi
# No sound drivers: a message box's sound must not wait for an audio device.
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv,wineoss.drv=d"
_started_xvfb=""
if [ -z "${DISPLAY:-}" ]; then
  # Another run may take the same free number at the same moment: its Xvfb
  # then holds the display and ours exits, so a number counts only once our
  # own server is up on it.
  for n in $(seq 90 120); do
    if [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; then continue; fi
    Xvfb ":$n" -screen 0 "${QX_SCREEN:-1280x1024x24}" -nolisten tcp >/dev/null 2>&1 &
    _started_xvfb=$!
    # The lock file names the server that holds the display.
    for _ in $(seq 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && [ "$(tr -d ' ' <"/tmp/.X$n-lock" 2>/dev/null)" = "$_started_xvfb" ] && break 2
      kill -0 "$_started_xvfb" 2>/dev/null || break
      sleep 0.1
    done
    kill "$_started_xvfb" 2>/dev/null || true
    _started_xvfb=""
  done
  export DISPLAY=":$n"
fi
# A prefix made before 32-bit Wine was installed lacks its 32-bit half and
# cannot start 32-bit programs ("could not load kernel32.dll"); one of the other
# architecture cannot be used at all. Either is made anew.
if [ ! -f "$WINEPREFIX/.qx-ready-2" ] ||
   { [ -n "$_wine_sys32" ] && [ ! -f "$WINEPREFIX/drive_c/windows/$_wine_sys32/kernel32.dll" ]; } ||
   ! grep -q "^#arch=$WINEARCH" "$WINEPREFIX/system.reg" 2>/dev/null; then
  wineserver -k >/dev/null 2>&1 </dev/null || true
  wineserver -w >/dev/null 2>&1 </dev/null || true
  rm -rf "$WINEPREFIX"
fi
mkdir -p "$WINEPREFIX"
# The server must not hold the caller's stdout: it lives for the whole run.
wineserver -p >/dev/null 2>&1 </dev/null
if [ ! -f "$WINEPREFIX/.qx-ready-2" ]; then
  wineboot -i >/dev/null 2>&1 </dev/null
  # No crash dialog: a crashing test must end, not wait for a click.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
  # Xvfb has no window manager: unmanaged windows keep Wine from waiting two
  # seconds for one at every window that closes.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 </dev/null
  touch "$WINEPREFIX/.qx-ready-2"
fi
wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  if [ -n "$_started_xvfb" ]; then kill "$_started_xvfb" 2>/dev/null || true; wait "$_started_xvfb" 2>/dev/null || true; fi
}
