#include "settings/popup.h"

#include "bar/bar_access.h"
#include "bar/bar_keys.h"
#include "bar/bar_state.h"
#include "bar/bar_window.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/string_ids.h"
#include "settings/settings.h"
#include "host/guard.h"

HBRUSH popupBrush = nullptr;
HFONT popupFontHandle = nullptr;
int popupTimerPending = 0;
int popupBuilding = 0;

namespace {

// The text the popup shows; kept so that a later repaint draws it again.
char popupText[kTextBufferSize];
// A tear-down asked for while the popup was being built runs once it is built.
int tearDownPending = 0;
// The popup waited for or shown is the keyboard's, for the focused button.
int keyboardPopup = 0;

// While a popup shows, timer 2 of the bar window looks after it: the popup
// goes, as a tooltip does, once the pointer has left the bar or File Manager
// is no longer the active window (another program, a menu, a dialog).
constexpr UINT_PTR kPopupWatchTimer = 2;
constexpr UINT kPopupWatchInterval = 100;

bool PointerRestsOnBar(HWND bar) {
  POINT cursor;
  return GetActiveWindow() == extState.frameWindow && GetCursorPos(&cursor) &&
         WindowFromPoint(cursor) == bar;
}

// The keyboard's popup stays while the bar has the keyboard.
bool PopupStillWanted(HWND bar) {
  if (keyboardPopup) return GetActiveWindow() == extState.frameWindow && FocusedButton() != 0;
  return PointerRestsOnBar(bar);
}

void CALLBACK PopupWatchProc(HWND bar, UINT, UINT_PTR, DWORD) {
  Guarded(IDS_TAG_QXTIPROC, 0, [&] {
    if (!PopupStillWanted(bar)) TearDownPopup();
    return 0;
  });
}

// Leaves the button the popup is for locked in hitButton: the focused one
// for the keyboard, else the one under the resting pointer.
void FindPopupButton(HWND bar) {
  if (keyboardPopup) {
    ButtonPlace place;
    if (FindButton(FocusedButton(), &place))
      hitButton = static_cast<ButtonRecord*>(LocalLock(place.handle));
    return;
  }
  POINT cursor;
  GetCursorPos(&cursor);
  ScreenToClient(bar, &cursor);
  mousePoint = cursor;
  ForEachButton(HitTestCallback);
}

COLORREF PopupBackground() {
  const IconBarSettings& s = barSettings;
  return RGB(s.popupBackgroundRed & 0xFF, s.popupBackgroundGreen & 0xFF,
             s.popupBackgroundBlue & 0xFF);
}

COLORREF PopupTextColour() {
  const IconBarSettings& s = barSettings;
  return RGB(s.popupTextRed & 0xFF, s.popupTextGreen & 0xFF, s.popupTextBlue & 0xFF);
}

void DrawPopupText(HDC dc) {
  RECT client;
  GetClientRect(extState.popupWindow, &client);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, PopupBackground());
  SetTextColor(dc, PopupTextColour());
  HGDIOBJ oldFont = popupFontHandle ? SelectObject(dc, popupFontHandle) : nullptr;
  DrawTextA(dc, popupText, -1, &client, DT_SINGLELINE | DT_VCENTER);
  if (oldFont) SelectObject(dc, oldFont);
}

// Builds the popup for the button found under the cursor; answers on which
// step it ended so that the caller can give the record back.
void BuildPopup(HWND bar) {
  if (popupSuppressed || !PopupStillWanted(bar)) return;
  FindPopupButton(bar);
  if (!hitButton || popupSuppressed) return;

  HLOCAL textBlock =
      hitButton->description.handle ? hitButton->description.handle : hitButton->programName.handle;
  const char* text = textBlock ? static_cast<const char*>(LocalLock(textBlock)) : nullptr;
  if (!text) {
    ReportFailure(IDS_TAG_QXTIPROC, IDS_OP_LOCALLOCK, 1);
    return;
  }
  lstrcpynA(popupText, text, sizeof popupText);
  LocalUnlock(textBlock);

  RECT barRect;
  GetWindowRect(bar, &barRect);
  int x = hitButton->left + barRect.left;
  int y = barSettings.popupsAbove == 1 ? barRect.top - 1 : barRect.bottom + 1;
  if (popupSuppressed) return;

  extState.popupWindow =
      CreateWindowExA(WS_EX_NOPARENTNOTIFY, extState.popupClassName, "", WS_POPUP | WS_BORDER, x, y,
                      1, 1, extState.frameWindow, nullptr, extState.instance, nullptr);
  if (!extState.popupWindow) {
    ReportFailure(IDS_TAG_QXTIPROC, IDS_OP_CREATEWINDOWEX, 2);
    return;
  }
  popupBrush = CreateSolidBrush(PopupBackground());
  if (!popupBrush) {
    ReportFailure(IDS_TAG_QXTIPROC, IDS_OP_CREATESOLIDBRUSH, 3);
    return;
  }
  SetClassLongPtrA(extState.popupWindow, GCLP_HBRBACKGROUND,
                   reinterpret_cast<LONG_PTR>(popupBrush));
  popupFontHandle = CreateFontIndirectA(&barSettings.popupFont);
  if (popupFontHandle)
    SendMessageA(extState.popupWindow, WM_SETFONT, reinterpret_cast<WPARAM>(popupFontHandle), 0);

  HDC dc = GetDC(extState.popupWindow);
  if (!dc) {
    ReportFailure(IDS_TAG_QXTIPROC, IDS_OP_GETDC, 4);
    return;
  }
  HGDIOBJ oldFont = popupFontHandle ? SelectObject(dc, popupFontHandle) : nullptr;
  SIZE extent = {0, 0};
  GetTextExtentPoint32A(dc, popupText, lstrlenA(popupText), &extent);
  if (oldFont) SelectObject(dc, oldFont);
  const int width = extent.cx + 3;
  const int height = extent.cy;
  if (x + width > barRect.right) x = barRect.right - width;
  if (barSettings.popupsAbove == 1) y -= extent.cy;
  SetWindowPos(extState.popupWindow, nullptr, x, y, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  // Without the watch the popup stays until the next move over the bar.
  SetTimer(bar, kPopupWatchTimer, kPopupWatchInterval, PopupWatchProc);
  DrawPopupText(dc);
  ReleaseDC(extState.popupWindow, dc);
}

}  // namespace

static void PopupTimerProcBody(HWND window, UINT, UINT_PTR timerId, DWORD);

void CALLBACK PopupTimerProc(HWND window, UINT message, UINT_PTR timerId, DWORD time) {
  Guarded(IDS_TAG_QXTIPROC, 0, [&] {
    PopupTimerProcBody(window, message, timerId, time);
    return 0;
  });
}

static void PopupTimerProcBody(HWND window, UINT, UINT_PTR timerId, DWORD) {
  popupBuilding = 1;
  KillTimer(window, timerId);
  popupTimerPending = 0;
  BuildPopup(window);
  if (hitButton) {
    HLOCAL handle = LocalHandle(hitButton);
    if (handle)
      LocalUnlock(handle);
    else
      ReportFailure(IDS_TAG_QXTIPROC, IDS_OP_LOCALHANDLE, 5);
  }
  hitButton = nullptr;
  popupBuilding = 0;
  if (tearDownPending) {
    tearDownPending = 0;
    TearDownPopup();
  }
}

void ShowKeyboardPopup() {
  TearDownPopup();
  if (popupBuilding || barSettings.popupsOff || GetActiveWindow() != extState.frameWindow) return;
  keyboardPopup = 1;
  if (SetTimer(extState.barWindow, 1, UINT(barSettings.popupDelay) & 0xFFFF, PopupTimerProc))
    popupTimerPending = 1;
}

void TearDownPopup() {
  if (popupBuilding) {
    tearDownPending = 1;
    return;
  }
  keyboardPopup = 0;
  if (popupTimerPending == 1) {
    KillTimer(extState.barWindow, 1);
    popupTimerPending = 0;
  }
  if (!extState.popupWindow) return;
  KillTimer(extState.barWindow, kPopupWatchTimer);
  auto replaced = reinterpret_cast<HGDIOBJ>(
      SetClassLongPtrA(extState.popupWindow, GCLP_HBRBACKGROUND,
                       reinterpret_cast<LONG_PTR>(GetStockObject(WHITE_BRUSH))));
  if (replaced && replaced != GetStockObject(WHITE_BRUSH)) DeleteObject(replaced);
  popupBrush = nullptr;
  if (HDC dc = GetDC(extState.popupWindow)) {
    SelectObject(dc, GetStockObject(SYSTEM_FIXED_FONT));
    ReleaseDC(extState.popupWindow, dc);
  }
  if (popupFontHandle) DeleteObject(popupFontHandle);
  popupFontHandle = nullptr;
  DestroyWindow(extState.popupWindow);
  extState.popupWindow = nullptr;
}

static LRESULT PopupWndProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

LRESULT CALLBACK PopupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded(IDS_TAG_QXTIPROC, LRESULT(0),
                 [&] { return PopupWndProcBody(window, message, wParam, lParam); });
}

static LRESULT PopupWndProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Uncovered parts of a shown popup get their text back.
  if (message == WM_PAINT && window == extState.popupWindow) {
    PAINTSTRUCT paint;
    if (HDC dc = BeginPaint(window, &paint)) {
      DrawPopupText(dc);
      EndPaint(window, &paint);
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void ResetPopupState() {
  popupBrush = nullptr;
  popupFontHandle = nullptr;
  popupTimerPending = 0;
  popupBuilding = 0;
  tearDownPending = 0;
  keyboardPopup = 0;
  popupText[0] = '\0';
}
