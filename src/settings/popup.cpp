#include "settings/popup.h"

HBRUSH popupBrush = nullptr;
HFONT popupFontHandle = nullptr;
int popupTimerPending = 0;
int popupBuilding = 0;

// Placeholders until the popup lands.
void CALLBACK PopupTimerProc(HWND, UINT, UINT_PTR, DWORD) {}
void TearDownPopup() {}
LRESULT CALLBACK PopupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
void ResetPopupState() {
  popupBrush = nullptr;
  popupFontHandle = nullptr;
  popupTimerPending = 0;
  popupBuilding = 0;
}
