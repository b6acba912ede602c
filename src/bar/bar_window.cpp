#include "bar/bar_window.h"

#include "bar/bar_access.h"
#include "bar/bar_keys.h"
#include "bar/bar_layout.h"
#include "bar/bar_state.h"
#include "bar/chevron.h"
#include "bar/move.h"
#include "bar/run_button.h"
#include "host/exports.h"
#include "host/fm_interface.h"
#include "host/layout.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"
#include "resources/string_ids.h"
#include "settings/popup.h"
#include "settings/settings.h"
#include "host/guard.h"

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

namespace {

POINT MessagePoint(LPARAM lParam) {
  return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

void RefreshFileManager(WPARAM which) {
  SendMessageA(extState.frameWindow, FM_REFRESH_WINDOWS, which, 0);
}

void SendToFileManager(UINT command) {
  SendMessageA(extState.frameWindow, WM_COMMAND, WPARAM(extState.menuDelta) + command, 0);
}

// The delete walk remembers the record before the one deleted, which becomes
// the last one when the deleted record ended the list.
HLOCAL deletePredecessor = nullptr;
bool buttonDeleted = false;

UINT DeleteCurrentButton(ButtonRecord* record) {
  HLOCAL handle = LocalHandle(record);
  if (handle == currentButton) {
    if (!record->next) lastButton = deletePredecessor;
    buttonDeleted = true;
    return WALK_DELETE | WALK_STOP;
  }
  deletePredecessor = handle;
  return WALK_GO_ON;
}

void DeleteButton() {
  deletePredecessor = nullptr;
  buttonDeleted = false;
  if (currentButton) ForEachButton(DeleteCurrentButton);
  hitButton = nullptr;
  currentButton = nullptr;
  // The count and the file change only for a record that really went.
  if (!buttonDeleted) return;
  extState.saveState = SAVE_AT_UNLOAD;
  barSettings.buttonCount -= 1;
  LayOutButtons();
  InvalidateRect(extState.barWindow, nullptr, TRUE);
}

// Shows the bar menu or the button menu at mousePoint; its command comes back
// as WM_COMMAND after the menu has closed.
void ShowBarMenu(HWND window, UINT menuId, UINT tag) {
  HMENU menu = LoadMenuA(extState.instance, MAKEINTRESOURCEA(menuId));
  HMENU items = menu ? GetSubMenu(menu, 0) : nullptr;
  if (!items) {
    ReportFailure(tag, IDS_OP_LOADMENU, 1);
    if (menu) DestroyMenu(menu);
    return;
  }
  ClientToScreen(window, &mousePoint);
  if (!TrackPopupMenu(items, TPM_RIGHTBUTTON, mousePoint.x, mousePoint.y, 0, window, nullptr))
    ReportFailure(tag, IDS_OP_TRACKPOPUPMENU, 2);
  if (!DestroyMenu(menu)) ReportFailure(tag, IDS_OP_DESTROYMENU, 3);
}

}  // namespace

void ShowButtonMenu(HWND window) {
  ShowBarMenu(window, IDM_BUTTON_MENU, IDS_TAG_QXPOPIM);
  HLOCAL handle = LocalHandle(hitButton);
  if (!handle) {
    ReportFailure(IDS_TAG_QXPOPIM, IDS_OP_LOCALHANDLE, 4);
    return;
  }
  LocalUnlock(handle);
  // A record still held elsewhere is not offered: the menu then acts on
  // nothing, never on a button chosen by an earlier right-click.
  currentButton = (LocalFlags(handle) & LMEM_LOCKCOUNT) ? nullptr : handle;
}

namespace {

LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case CMD_POPUP_OPTIONS:
    case CMD_PROGRAM_BUTTON:
    case CMD_MENU_BUTTON:
    case CMD_BAR_OPTIONS:
      SendToFileManager(LOWORD(wParam));
      break;
    case CMD_CHANGE_BUTTON: {
      if (!currentButton || editedButton) break;
      editedButton = static_cast<ButtonRecord*>(LocalLock(currentButton));
      if (!editedButton) {
        ReportFailure(IDS_TAG_QXBUTPRO, IDS_OP_LOCALLOCK, 1);
        return 3;
      }
      SendToFileManager((editedButton->flags & BF_PROGRAM) ? CMD_PROGRAM_BUTTON : CMD_MENU_BUTTON);
      break;
    }
    case CMD_DELETE_BUTTON:
      DeleteButton();
      break;
    case CMD_MOVE_BUTTON:
      if (!currentButton) break;
      StartMove();
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void OnMouseMove(LPARAM lParam) {
  if (moveMode || sizingPending) return;
  const POINT point = MessagePoint(lParam);
  if (clickReleased && (abs(point.x - mousePoint.x) > 10 || abs(point.y - mousePoint.y) > 10))
    popupSuppressed = 0;
  if (hitButton || !listReady || popupSuppressed) return;
  if (point.x == mousePoint.x && point.y == mousePoint.y) return;
  mousePoint = point;
  TearDownPopup();
  if (!barSettings.popupsOff && GetActiveWindow() == extState.frameWindow &&
      SetTimer(extState.barWindow, 1, UINT(barSettings.popupDelay) & 0xFFFF, PopupTimerProc))
    popupTimerPending = 1;
}

// Set when the bar's height changed, until the change has taken effect.
bool barHeightChanged = false;

// Set while a press holds the mouse with its pressed look, cursor and lock,
// until the release or the loss of the capture ends it.
bool pressHeld = false;

// A press whose pressed look could not be set up is not run at the release:
// the release would otherwise put back (and destroy) cursors it never set.
void AbandonPress() {
  // ReleaseCapture takes the capture from whichever window of the thread
  // holds it: only the bar's own is given back.
  if (GetCapture() == extState.barWindow) ReleaseCapture();
  if (HLOCAL handle = LocalHandle(hitButton)) LocalUnlock(handle);
  hitButton = nullptr;
  listReady = 1;
  popupSuppressed = 0;
}

LRESULT OnLeftPress(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // A press while one is held (its release never came) would take a second
  // lock and a second cursor over the first.
  if (previousMessage == WM_LBUTTONDOWN || pressHeld)
    return DefWindowProcA(window, message, wParam, lParam);
  popupSuppressed = 1;
  TearDownPopup();
  mousePoint = MessagePoint(lParam);
  if (moveMode) {
    PlaceMovedButton();
    return DefWindowProcA(window, message, wParam, lParam);
  }
  if (ChevronAt(mousePoint)) {
    ShowChevronMenu(window);
    popupSuppressed = 0;
    return 0;
  }
  if (!HitTest()) {
    listReady = 1;
    hitButton = nullptr;
    popupSuppressed = 0;
    RefreshFileManager(1);
    return 0;
  }
  SetCapture(window);
  // Not shared: the release destroys it once the press is over.
  auto pressed = static_cast<HCURSOR>(LoadImageA(
      extState.instance, MAKEINTRESOURCEA(IDC_PRESSED_CURSOR), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
  if (!pressed) {
    ReportFailure(IDS_TAG_QXBUTPRO, IDS_OP_LOADCURSOR, 2);
    AbandonPress();
    return DefWindowProcA(window, message, wParam, lParam);
  }
  savedCursor = SetCursor(pressed);
  if (GetCursor() != pressed) {
    ReportFailure(IDS_TAG_QXBUTPRO, IDS_OP_SETCURSOR, 3);
    DestroyCursor(pressed);
    AbandonPress();
    return DefWindowProcA(window, message, wParam, lParam);
  }
  SetClassLongPtrA(window, GCLP_HCURSOR, 0);
  InvertButton(hitButton);
  pressHeld = true;
  return 0;
}

// Another window took the mouse, or the bar was told to cancel its modes, in
// the middle of a press or a move: the press ends without running its button,
// the move is cancelled, and the bar is idle again.
void OnMouseLost() {
  MoveLostMouse();
  if (!pressHeld) return;
  pressHeld = false;
  InvertButton(hitButton);
  HCURSOR pressed = SetCursor(savedCursor);
  SetClassLongPtrA(extState.barWindow, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(savedCursor));
  if (pressed && pressed != savedCursor) DestroyCursor(pressed);
  AbandonPress();
}

void OnLeftRelease() {
  // A release during a move belongs to a press that began before it (the
  // placing press ends the move): the move goes on, still waiting for its
  // click. Clearing the mode here would leave the button out of the list.
  if (moveMode) return;
  pressHeld = false;
  if (hitButton) {
    RunButton();
    if (currentButton) LocalUnlock(currentButton);
    hitButton = nullptr;
    currentButton = nullptr;
    listReady = 1;
  }
}

LRESULT OnOtherPress(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // The other button pressed while the left one holds a button: the menu's
  // hit test would take the held record's place and leave it locked.
  if (previousMessage == message || pressHeld)
    return DefWindowProcA(window, message, wParam, lParam);
  popupSuppressed = 1;
  TearDownPopup();
  if (moveMode) {
    CancelMove();
    popupSuppressed = 0;
    return DefWindowProcA(window, message, wParam, lParam);
  }
  if (message == WM_MBUTTONDOWN) {
    popupSuppressed = 0;
    return DefWindowProcA(window, message, wParam, lParam);
  }
  mousePoint = MessagePoint(lParam);
  if (HitTest())
    ShowButtonMenu(window);
  else
    ShowBarMenu(window, IDM_BAR_MENU, IDS_TAG_QXPOPBM);
  hitButton = nullptr;
  listReady = 1;
  popupSuppressed = 0;
  return 0;
}

// Files dropped onto a program button run it with them; dropped anywhere
// else on the bar, while the bar is busy or while one of File Manager's
// modal dialogs is up (it may be changing the buttons), they are let go.
void OnDropFiles(HDROP drop) {
  POINT point;
  if (!moveMode && !hitButton && listReady && IsWindowEnabled(extState.frameWindow) &&
      DragQueryPoint(drop, &point)) {
    TearDownPopup();
    mousePoint = point;
    if (HitTest()) {
      ButtonRecord* record = hitButton;
      RunDroppedFiles(record, drop);
      if (HLOCAL handle = LocalHandle(record))
        LocalUnlock(handle);
      else
        ReportFailure(IDS_TAG_QXBUTPRO, IDS_OP_LOCALHANDLE, 5);
    }
    hitButton = nullptr;
    listReady = 1;
  }
  DragFinish(drop);
}

}  // namespace

static LRESULT ButtonWndProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

LRESULT CALLBACK ButtonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded(IDS_TAG_QXBUTPRO, LRESULT(0),
                 [&] { return ButtonWndProcBody(window, message, wParam, lParam); });
}

static LRESULT ButtonWndProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  previousMessage = lastMessage;
  lastMessage = message;
  switch (message) {
    case WM_PAINT:
      SetWindowLongPtrA(window, GWL_EXSTYLE,
                        GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
      PaintBar();
      return 0;
    case WM_NCPAINT:
      SetWindowLongPtrA(window, GWL_EXSTYLE,
                        GetWindowLongPtrA(window, GWL_EXSTYLE) & ~LONG_PTR(WS_EX_TRANSPARENT));
      break;
    case WM_KILLFOCUS:
      OnBarFocusLost(reinterpret_cast<HWND>(wParam));
      [[fallthrough]];
    case WM_NCHITTEST:
      if (sizingPending) {
        sizingPending = 0;
        RefreshFileManager(1);
      }
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_SIZE) sizingPending = 1;
      break;
    case WM_MOUSEACTIVATE:
      // SetFocus also answers null when nothing had the focus before; only a
      // focus that did not move is a failure.
      if (SetFocus(window) || GetFocus() == window) return MA_ACTIVATE;
      ReportFailure(IDS_TAG_QXBUTPRO, IDS_OP_SETFOCUS, 4);
      break;
    case WM_WINDOWPOSCHANGING: {
      const auto* place = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (!(place->flags & SWP_NOSIZE) && extState.firstPaintBarRect.right != 0 &&
          (place->cx != barSettings.barLength || place->cy != barSettings.barHeight)) {
        if (place->cy != barSettings.barHeight) barHeightChanged = true;
        barSettings.barLength = place->cx;
        barSettings.barHeight = place->cy;
        if (GetFirstButton()) LayOutButtons();
      }
      break;
    }
    case WM_WINDOWPOSCHANGED:
      // File Manager's windows make room for a bar of the new height at once.
      if (barHeightChanged) {
        barHeightChanged = false;
        PlaceFileManagerWindows();
      }
      break;
    case WM_COMMAND:
      return OnCommand(window, message, wParam, lParam);
    case WM_MOUSEMOVE:
      OnMouseMove(lParam);
      break;
    case WM_LBUTTONDOWN:
      return OnLeftPress(window, message, wParam, lParam);
    case WM_LBUTTONUP:
      OnLeftRelease();
      clickReleased = 1;
      break;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      return OnOtherPress(window, message, wParam, lParam);
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != window) OnMouseLost();
      break;
    case WM_CANCELMODE:
      OnMouseLost();
      break;
    case WM_GETOBJECT: {
      LRESULT answer = 0;
      if (AnswerGetObject(wParam, lParam, &answer)) return answer;
      break;
    }
    case WM_SETFOCUS:
      OnBarFocus();
      break;
    case WM_KEYDOWN:
    case kBarKeyMessage:
      if (OnBarKey(wParam)) return 0;
      break;
    case WM_CONTEXTMENU:
      if (OnBarContextMenu(window, lParam)) return 0;
      break;
    case kRunChildMessage:
      RunButtonAsClicked(static_cast<long>(wParam));
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
