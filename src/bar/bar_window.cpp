#include "bar/bar_window.h"

#include "host/exports.h"

// Placeholders until the bar window lands.
int HitTest() { return 0; }
UINT HitTestCallback(ButtonRecord*) { return WALK_GO_ON; }

LRESULT CALLBACK ButtonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
