#include "bar/chevron.h"
#include "host/exports.h"
#include "host/layout.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"
#include "resources/string_ids.h"
#include "settings/settings.h"
#include "host/guard.h"

char treeClassText[kTextBufferSize];

static LRESULT MDIWndProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Through the wide function for a Unicode window, so that its texts pass whole.
static LRESULT PassOnToMdiClient(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsWindowUnicode(window))
    return CallWindowProcW(extState.savedMdiClientProc, window, message, wParam, lParam);
  return CallWindowProcA(extState.savedMdiClientProc, window, message, wParam, lParam);
}

LRESULT CALLBACK MDIWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return GuardedOrPassedOn(
      IDS_TAG_QXMDIPRO, [&] { return MDIWndProcBody(window, message, wParam, lParam); },
      [&] { return PassOnToMdiClient(window, message, wParam, lParam); });
}

static LRESULT MDIWndProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Without a bar window there is no height to make room for: the placement
  // passes unchanged.
  if (message == WM_WINDOWPOSCHANGING && extState.barOn && extState.barWindow) {
    auto* place = reinterpret_cast<WINDOWPOS*>(lParam);
    if (!(place->flags & SWP_NOSIZE)) {
      RECT bar;
      GetWindowRect(extState.barWindow, &bar);
      const int height = bar.bottom - bar.top;
      if (!MoveWindow(extState.barWindow, place->x, place->y, barSettings.barLength,
                      barSettings.barHeight, TRUE))
        ReportFailure(IDS_TAG_QXMDIPRO, IDS_OP_MOVEWINDOW, 1);
      // The buttons are spread over what File Manager's window shows of the bar.
      FollowFileManagerWidth(place->cx);
      place->y += height + 1;
      place->cy -= height + 1;
      if (extState.menuDeltaKnown &&
          !PostMessageA(extState.frameWindow, WM_COMMAND,
                        WPARAM(extState.menuDelta) + CMD_RELAYOUT_TREES, 0))
        ReportFailure(IDS_TAG_QXMDIPRO, IDS_OP_POSTMESSAGE, 2);
    }
  }
  return PassOnToMdiClient(window, message, wParam, lParam);
}

static BOOL RelayoutTreeWindowBody(HWND window, LPARAM);

BOOL CALLBACK RelayoutTreeWindow(HWND window, LPARAM lParam) {
  return Guarded(IDS_TAG_QXENUWFS, BOOL(FALSE),
                 [&] { return RelayoutTreeWindowBody(window, lParam); });
}

static BOOL RelayoutTreeWindowBody(HWND window, LPARAM) {
  char name[kTextBufferSize];
  if (GetClassNameA(window, name, sizeof name) == 0) {
    ReportFailure(IDS_TAG_QXENUWFS, IDS_OP_GETCLASSNAME_514, 1);
    return TRUE;
  }
  if (lstrcmpA(name, treeClassText) != 0) return TRUE;

  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  RECT c, m;
  GetWindowRect(window, &c);
  GetWindowRect(extState.mdiClientWindow, &m);
  const int b = GetSystemMetrics(SM_CYBORDER);
  const int caption = GetSystemMetrics(SM_CYCAPTION);
  const int mdiHeight = m.bottom - m.top;
  // Positions are in the MDI client's coordinates, the tree window's parent.
  POINT topLeft = {c.left, c.top};
  ScreenToClient(extState.mdiClientWindow, &topLeft);
  const int width = c.right - c.left;
  int top = 0;
  int height = 0;
  if (style & WS_MAXIMIZE) {
    if (c.bottom - c.top - 5 * b - caption <= mdiHeight) return TRUE;
    top = -(2 * b + caption);
    height = mdiHeight + 5 * b;
  } else {
    if (c.top > m.top && c.bottom < m.bottom) return TRUE;
    // A top below the client's top stays where it is, and the window then
    // ends at the bottom of the client area it lies in; one that starts below
    // that bottom has nothing to fit into and stays as it is.
    if (c.top <= m.top) {
      top = b;
      height = mdiHeight - b;
    } else {
      RECT inside;
      GetClientRect(extState.mdiClientWindow, &inside);
      top = topLeft.y;
      if (top >= inside.bottom - b) return TRUE;
      height = inside.bottom - top;
    }
  }
  if (!MoveWindow(window, topLeft.x, top, width, height, TRUE))
    ReportFailure(IDS_TAG_QXENUWFS, IDS_OP_MOVEWINDOW, 2);
  return TRUE;
}

void PlaceFileManagerWindows() {
  HWND frame = extState.frameWindow;
  RECT client;
  if (!frame || IsIconic(frame) || !GetClientRect(frame, &client)) return;
  SendMessageA(frame, WM_SIZE, IsZoomed(frame) ? SIZE_MAXIMIZED : SIZE_RESTORED,
               MAKELPARAM(client.right, client.bottom));
}
