# Sourced by the test and demo scripts: one private Wine prefix, one persistent
# wineserver and an X display for the whole run.
# Needs WINE_ENV_DIR (where the prefix lives). Defines wine_env_stop.
export WINEPREFIX="$WINE_ENV_DIR/wineprefix"
export WINEDEBUG=-all
# No sound drivers: a message box's sound must not wait for an audio device.
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv,wineoss.drv=d"
# Debian's `wine` prefers the 32-bit loader whenever wine32 is installed, also
# where the kernel cannot run 32-bit programs: then the 64-bit one is used.
if ! wine --version >/dev/null 2>&1 </dev/null && [ -x /usr/lib/wine/wine64 ]; then
  mkdir -p "$WINE_ENV_DIR/winebin"
  printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$WINE_ENV_DIR/winebin/wine"
  printf '#!/bin/sh\nexec /usr/lib/wine/wine64 wineboot "$@"\n' >"$WINE_ENV_DIR/winebin/wineboot"
  chmod +x "$WINE_ENV_DIR/winebin/wine" "$WINE_ENV_DIR/winebin/wineboot"
  export PATH="$WINE_ENV_DIR/winebin:$PATH" WINELOADER=/usr/lib/wine/wine64
fi
_started_xvfb=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then break; fi
  done
  Xvfb ":$n" -screen 0 "${QX_SCREEN:-1280x1024x24}" -nolisten tcp >/dev/null 2>&1 &
  _started_xvfb=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
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
