#include "bar/bar_keys.h"

#include "bar/bar_access.h"
#include "bar/bar_state.h"
#include "bar/bar_window.h"
#include "bar/move.h"
#include "bar/run_button.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"
#include "settings/popup.h"
#include "settings/settings.h"

namespace {

// Set from "Icon Bar Keys" until the keyboard leaves the bar for good. The
// bar may lose the keyboard meanwhile to another program or to a run's box
// or dialog and get it back.
bool keysOn = false;
long focusedChild = 0;  // 1-based; kept while keysOn
// The window that had the keyboard before, given it back at the end.
HWND returnWindow = nullptr;
// Set while a key runs a button or opens its menu: the boxes and dialogs
// that take the keyboard meanwhile do not end the bar's turn.
bool keysBusy = false;
// Installed by StartBarKeys, removed by EndBarKeys.
HHOOK keysHook = nullptr;

bool BarHasKeys() { return keysOn && GetFocus() == extState.barWindow; }

// File Manager's loop translates its accelerators before the bar could see
// Enter (its Open), Escape and Space: while the bar has the keyboard they
// reach the bar as a message of its own instead.
// An open menu reads the same keys from the queue (Escape closes it, Enter
// chooses): they stay its own.
bool MenuIsOpen() {
  GUITHREADINFO thread = {};
  thread.cbSize = sizeof thread;
  return GetGUIThreadInfo(GetCurrentThreadId(), &thread) &&
         (thread.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE));
}

LRESULT CALLBACK BarKeysHookProc(int code, WPARAM wParam, LPARAM lParam) {
  auto* message = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && message->message == WM_KEYDOWN &&
      message->hwnd == extState.barWindow && keysOn &&
      (message->wParam == VK_RETURN || message->wParam == VK_SPACE ||
       message->wParam == VK_ESCAPE) &&
      !MenuIsOpen())
    message->message = kBarKeyMessage;
  return CallNextHookEx(keysHook, code, wParam, lParam);
}

void InvalidateButton(long child) {
  ButtonPlace place;
  if (child > 0 && FindButton(child, &place)) InvalidateRect(extState.barWindow, &place.rect, TRUE);
}

void FocusButton(long child) {
  InvalidateButton(focusedChild);
  focusedChild = child;
  InvalidateButton(focusedChild);
  NotifyWinEvent(EVENT_OBJECT_FOCUS, extState.barWindow, OBJID_CLIENT, focusedChild);
  ShowKeyboardPopup();
}

// The window to give the keyboard back to: the one that had it, else File
// Manager's active directory window, else its frame.
HWND WindowToReturnTo() {
  if (returnWindow && returnWindow != extState.barWindow && IsWindow(returnWindow))
    return returnWindow;
  auto active =
      reinterpret_cast<HWND>(SendMessageA(extState.mdiClientWindow, WM_MDIGETACTIVE, 0, 0));
  return active ? active : extState.frameWindow;
}

// Gives the keyboard back to the bar after a run or a menu, when File
// Manager is still the active program and its box or dialog took it.
void TakeKeysBack() {
  if (keysOn && GetActiveWindow() == extState.frameWindow && GetFocus() != extState.barWindow)
    SetFocus(extState.barWindow);
}

}  // namespace

void AddBarKeysItem(HMENU menu) {
  char text[kTextBufferSize];
  if (LoadStringA(extState.instance, IDS_BAR_KEYS_ITEM, text, kTextBufferSize) == 0) {
    ReportFailure(IDS_TAG_QXKEYS, IDS_OP_LOADSTRING, 1);
    return;
  }
  if (!AppendMenuA(menu, MF_SEPARATOR, 0, nullptr) ||
      !AppendMenuA(menu, MF_STRING, CMD_BAR_KEYS, text))
    ReportFailure(IDS_TAG_QXKEYS, IDS_OP_APPENDMENU, 2);
}

void StartBarKeys() {
  if (!extState.barOn || !extState.barWindow || CountButtons() == 0) return;
  if (!keysHook) {
    keysHook = SetWindowsHookExA(WH_GETMESSAGE, BarKeysHookProc, nullptr, GetCurrentThreadId());
    if (!keysHook) {
      ReportFailure(IDS_TAG_QXKEYS, IDS_OP_SETWINDOWSHOOKEX, 3);
      return;
    }
  }
  if (!keysOn) returnWindow = GetFocus();
  keysOn = true;
  if (!SetFocus(extState.barWindow) && GetFocus() != extState.barWindow) {
    ReportFailure(IDS_TAG_QXKEYS, IDS_OP_SETFOCUS, 4);
    EndBarKeys();
    return;
  }
  FocusButton(1);
}

void EndBarKeys() {
  if (keysHook) UnhookWindowsHookEx(keysHook);
  keysHook = nullptr;
  if (!keysOn) return;
  const HWND to = WindowToReturnTo();
  keysOn = false;
  if (extState.barWindow) InvalidateButton(focusedChild);
  focusedChild = 0;
  returnWindow = nullptr;
  TearDownPopup();
  // The keyboard goes back where it was, not left on a bar that is off,
  // empty or going.
  if (extState.barWindow && GetFocus() == extState.barWindow) SetFocus(to);
}

void KeepKeysInList() {
  if (!keysOn) return;
  const long count = CountButtons();
  if (count == 0) {
    EndBarKeys();
  } else if (focusedChild > count) {
    focusedChild = count;
    InvalidateButton(focusedChild);
  }
}

long FocusedButton() { return BarHasKeys() ? focusedChild : 0; }

bool OnBarKey(WPARAM key) {
  if (!BarHasKeys()) return false;
  // During a move the mouse places the button; Escape puts it back.
  if (moveMode) {
    if (key == VK_ESCAPE) CancelMove();
    return true;
  }
  const long count = CountButtons();
  switch (key) {
    case VK_LEFT:
      if (focusedChild > 1) FocusButton(focusedChild - 1);
      return true;
    case VK_RIGHT:
      if (focusedChild < count) FocusButton(focusedChild + 1);
      return true;
    case VK_HOME:
      FocusButton(1);
      return true;
    case VK_END:
      FocusButton(count);
      return true;
    case VK_RETURN:
    case VK_SPACE:
      keysBusy = true;
      RunButtonAsClicked(focusedChild);
      keysBusy = false;
      TakeKeysBack();
      return true;
    case VK_ESCAPE:
      EndBarKeys();
      return true;
    default:
      return false;
  }
}

bool OnBarContextMenu(HWND window, LPARAM lParam) {
  // Only the keyboard's menu (Shift+F10, the menu key) comes at (-1, -1).
  if (lParam != LPARAM(-1) && lParam != LPARAM(DWORD(-1))) return false;
  if (!BarHasKeys() || moveMode || hitButton || !listReady) return false;
  ButtonPlace place;
  if (!FindButton(focusedChild, &place)) return false;
  // As a right-click on the button: the record held as the hit test holds
  // it, the menu at the button's lower left corner.
  hitButton = static_cast<ButtonRecord*>(LocalLock(place.handle));
  if (!hitButton) {
    ReportFailure(IDS_TAG_QXKEYS, IDS_OP_LOCALLOCK, 5);
    return true;
  }
  TearDownPopup();
  listReady = 0;
  mousePoint = {place.rect.left, place.rect.bottom};
  keysBusy = true;
  ShowButtonMenu(window);
  keysBusy = false;
  hitButton = nullptr;
  listReady = 1;
  TakeKeysBack();
  return true;
}

void OnBarFocus() {
  if (!keysOn) return;
  InvalidateButton(focusedChild);
  NotifyWinEvent(EVENT_OBJECT_FOCUS, extState.barWindow, OBJID_CLIENT, focusedChild);
}

void OnBarFocusLost(HWND to) {
  if (!keysOn) return;
  InvalidateButton(focusedChild);
  // Another of File Manager's windows took the keyboard: the user left the
  // bar. Another program, or a run's box or dialog, gives it back.
  if (!keysBusy && to && GetWindowThreadProcessId(to, nullptr) == GetCurrentThreadId())
    EndBarKeys();
}

void DrawBarFocus(HDC dc) {
  ButtonPlace place;
  if (!FocusedButton() || !FindButton(focusedChild, &place)) return;
  RECT inside = place.rect;
  InflateRect(&inside, -1, -1);
  if (inside.right > inside.left && inside.bottom > inside.top) DrawFocusRect(dc, &inside);
}

void RunButtonAsClicked(long child) {
  // Where a click would not run either: during a move or a press, while the
  // list is walked, under one of File Manager's modal dialogs, bar off.
  if (!extState.barOn || moveMode || hitButton || !listReady ||
      !IsWindowEnabled(extState.frameWindow))
    return;
  ButtonPlace place;
  if (!FindButton(child, &place)) return;
  auto* record = static_cast<ButtonRecord*>(LocalLock(place.handle));
  if (!record) {
    ReportFailure(IDS_TAG_QXKEYS, IDS_OP_LOCALLOCK, 6);
    return;
  }
  TearDownPopup();
  listReady = 0;
  currentButton = place.handle;
  RunButtonRecord(record);
  LocalUnlock(place.handle);
  currentButton = nullptr;
  listReady = 1;
}
