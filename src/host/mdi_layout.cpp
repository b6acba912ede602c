#include "host/exports.h"
#include "host/state.h"

LRESULT CALLBACK MDIWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (extState.savedMdiClientProc)
    return CallWindowProcA(extState.savedMdiClientProc, window, message, wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}
