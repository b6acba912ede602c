#include "bar/move.h"

#include "bar/bar_layout.h"
#include "bar/bar_state.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/string_ids.h"
#include "settings/settings.h"

HLOCAL savedLastButton = nullptr;
HWND moveHintWindow = nullptr;

namespace {

// The record before the moving one when the move began (null: it was the
// first). Kept by handle: the pointer that the hit test left behind is no
// longer locked, and a later hit test would overwrite it.
HLOCAL movePredecessor = nullptr;

// Set while EndMoveDisplay gives the capture back itself, so that the loss of
// capture this causes is not taken for another window taking the mouse.
bool releasingCapture = false;

// A string of the table, or `fallback` (reported) when it cannot be loaded.
const char* StringOr(UINT id, char* buffer, const char* fallback, int step) {
  if (LoadStringA(extState.instance, id, buffer, kTextBufferSize) > 0) return buffer;
  ReportFailure(IDS_TAG_QXMOVE, IDS_OP_LOADSTRING, step);
  return fallback;
}

void ShowMoveHint() {
  RECT bar;
  GetWindowRect(extState.barWindow, &bar);
  char hint[kTextBufferSize];
  const int hintLength = LoadStringA(extState.instance, IDS_MOVE_HINT, hint, kTextBufferSize);
  if (hintLength == 0) {
    ReportFailure(IDS_TAG_QXMOVE, IDS_OP_LOADSTRING, 5);
    return;
  }
  HDC dc = GetDC(extState.barWindow);
  if (!dc) {
    ReportFailure(IDS_TAG_QXMOVE, IDS_OP_GETDC, 6);
    return;
  }
  SIZE extent = {0, 0};
  GetTextExtentPoint32A(dc, hint, hintLength, &extent);
  ReleaseDC(extState.barWindow, dc);
  char classBuffer[kTextBufferSize];
  char titleBuffer[kTextBufferSize];
  const char* className = StringOr(IDS_MOVE_HINT_CLASS, classBuffer, "static", 7);
  const char* title = StringOr(IDS_MOVE_HINT_TITLE, titleBuffer, "MoveIcon", 8);
  moveHintWindow =
      CreateWindowExA(0, className, title, WS_POPUP | WS_VISIBLE | WS_BORDER | SS_CENTER, 0,
                      bar.bottom + 1, GetSystemMetrics(SM_CXSCREEN), 2 * extent.cy,
                      extState.barWindow, nullptr, extState.instance, nullptr);
  if (!moveHintWindow) {
    ReportFailure(IDS_TAG_QXMOVE, IDS_OP_CREATEWINDOWEX, 9);
    return;
  }
  SetWindowTextA(moveHintWindow, hint);
}

UINT FindLastButton(ButtonRecord* record) {
  if (!record->next) lastButton = LocalHandle(record);
  return WALK_GO_ON;
}

// When the button cannot be linked in where it belongs, it goes to the front
// rather than being lost from the bar.
void LinkMovingInFront() {
  movingButton->next = GetFirstButton();
  SetFirstButton(currentButton);
  ForEachButton(FindLastButton);
}

// Links the moving button in after the record `after`; false (reported) when
// that record cannot be had.
bool LinkMovingAfter(HLOCAL after, int step) {
  auto* record = static_cast<ButtonRecord*>(after ? LocalLock(after) : nullptr);
  if (!record) {
    ReportFailure(IDS_TAG_QXMOVE, after ? IDS_OP_LOCALLOCK : IDS_OP_LOCALHANDLE, step);
    return false;
  }
  if (!record->next) lastButton = currentButton;
  movingButton->next = record->next;
  record->next = currentButton;
  LocalUnlock(after);
  return true;
}

// Where the click puts the button: the record it goes after, in hitButton.
UINT InsertionCallback(ButtonRecord* record) {
  const int x = mousePoint.x;
  if (x < record->left) return WALK_STOP | WALK_GO_ON;
  if (x == record->left || x >= record->right) {
    hitButton = record;
    return WALK_GO_ON;
  }
  if (x >= record->left + (record->right - record->left) / 2) hitButton = record;
  return WALK_STOP | WALK_GO_ON;
}

// Both ends of a move: nothing held, the bar as the list says.
void FinishMove() {
  LocalUnlock(currentButton);
  moveMode = 0;
  hitButton = nullptr;
  movingButton = nullptr;
  movePredecessor = nullptr;
  listReady = 1;
  InvalidateRect(extState.barWindow, nullptr, TRUE);
}

}  // namespace

void StartMove() {
  if (barSettings.buttonCount < 2 || moveMode) return;
  savedLastButton = lastButton;
  auto* moving = static_cast<ButtonRecord*>(currentButton ? LocalLock(currentButton) : nullptr);
  if (!moving) {
    ReportFailure(IDS_TAG_QXMOVE, IDS_OP_LOCALLOCK, 1);
    return;
  }
  movePredecessor = nullptr;
  if (buttonBeforePoint) {
    movePredecessor = LocalHandle(buttonBeforePoint);
    auto* before =
        static_cast<ButtonRecord*>(movePredecessor ? LocalLock(movePredecessor) : nullptr);
    if (!before) {
      ReportFailure(IDS_TAG_QXMOVE, movePredecessor ? IDS_OP_LOCALLOCK : IDS_OP_LOCALHANDLE, 2);
      // Nothing was changed yet: no move, and the record is not left locked.
      LocalUnlock(currentButton);
      movePredecessor = nullptr;
      return;
    }
    before->next = moving->next;
    LocalUnlock(movePredecessor);
    if (lastButton == currentButton) lastButton = movePredecessor;
  } else {
    SetFirstButton(moving->next);
  }
  movingButton = moving;
  hitButton = nullptr;
  moveMode = 1;

  ShowMoveHint();
  SetCapture(extState.barWindow);
  HCURSOR classCursor =
      reinterpret_cast<HCURSOR>(GetClassLongPtrA(extState.barWindow, GCLP_HCURSOR));
  HCURSOR cross = LoadCursorA(nullptr, IDC_CROSS);
  if (!cross) ReportFailure(IDS_TAG_QXMOVE, IDS_OP_LOADCURSOR, 3);
  if (cross) {
    SetCursor(cross);
    if (GetCursor() != cross) {
      ReportFailure(IDS_TAG_QXMOVE, IDS_OP_SETCURSOR, 4);
      cross = nullptr;
    }
  }
  if (cross) {
    savedCursor = reinterpret_cast<HCURSOR>(SetClassLongPtrA(extState.barWindow, GCLP_HCURSOR, 0));
  } else {
    // The end of the move puts savedCursor back: without the cross it is the
    // class cursor that is still in place.
    savedCursor = classCursor;
  }
  // Inverted in any case, so that the end of the move, which inverts it
  // again, leaves the screen as it found it.
  InvertButton(movingButton);
}

void EndMoveDisplay() {
  releasingCapture = true;
  // Only the bar's own capture: another window may have taken it already.
  if (GetCapture() == extState.barWindow) ReleaseCapture();
  releasingCapture = false;
  if (moveHintWindow && !DestroyWindow(moveHintWindow))
    ReportFailure(IDS_TAG_QXMOVE, IDS_OP_DESTROYWINDOW_387, 10);
  moveHintWindow = nullptr;
  if (SetCursor(savedCursor) || GetCursor() == savedCursor)
    SetClassLongPtrA(extState.barWindow, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(savedCursor));
  else
    ReportFailure(IDS_TAG_QXMOVE, IDS_OP_SETCURSOR, 11);
  if (movingButton) InvertButton(movingButton);
}

void PlaceMovedButton() {
  if (!moveMode) return;
  const int y = mousePoint.y;
  if (y < iconTop || y > barSettings.barHeight - barFrameHeight / 2) {
    CancelMove();
    popupSuppressed = 0;
    return;
  }
  EndMoveDisplay();
  hitButton = nullptr;
  listReady = 0;
  ForEachButton(InsertionCallback);
  if (hitButton) {
    if (!LinkMovingAfter(LocalHandle(hitButton), 12)) LinkMovingInFront();
  } else {
    movingButton->next = GetFirstButton();
    SetFirstButton(currentButton);
  }
  LayOutButtons();
  extState.saveState = SAVE_AT_UNLOAD;
  FinishMove();
  popupSuppressed = 0;
}

void CancelMove() {
  if (!moveMode) return;
  lastButton = savedLastButton;
  EndMoveDisplay();
  if (!movePredecessor) {
    SetFirstButton(currentButton);
  } else {
    auto* before = static_cast<ButtonRecord*>(LocalLock(movePredecessor));
    if (before) {
      before->next = currentButton;
      LocalUnlock(movePredecessor);
    } else {
      ReportFailure(IDS_TAG_QXMOVE, IDS_OP_LOCALLOCK, 13);
      LinkMovingInFront();
      LayOutButtons();
    }
  }
  FinishMove();
}

void MoveLostMouse() {
  if (moveMode && !releasingCapture) CancelMove();
}
