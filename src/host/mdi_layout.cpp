#include "host/exports.h"
#include "host/layout.h"
#include "host/state.h"

char treeClassText[kTextBufferSize];

LRESULT CALLBACK MDIWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (extState.savedMdiClientProc)
    return CallWindowProcA(extState.savedMdiClientProc, window, message, wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

BOOL CALLBACK RelayoutTreeWindow(HWND window, LPARAM data) {
  (void)window;
  (void)data;
  return TRUE;
}
