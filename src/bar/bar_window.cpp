#include "bar/bar_window.h"

#include "bar/bar_state.h"
#include "host/exports.h"

UINT HitTestCallback(ButtonRecord* record) {
  const int x = mousePoint.x;
  const int y = mousePoint.y;
  if (y < record->top || y > record->bottom) return WALK_STOP | WALK_GO_ON;
  if (record->left < x && x < record->right && record->top < y && y < record->bottom) {
    hitButton = record;  // keeps the walk's lock
    return WALK_STOP;
  }
  // The buttons stand in left-to-right order: nothing further right can hit.
  if (x < record->left) return WALK_STOP | WALK_GO_ON;
  buttonBeforePoint = record;
  return WALK_GO_ON;
}

int HitTest() {
  hitButton = nullptr;
  buttonBeforePoint = nullptr;
  listReady = 0;
  ForEachButton(HitTestCallback);
  return hitButton != nullptr;
}

// Placeholder until the bar window lands.
LRESULT CALLBACK ButtonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
