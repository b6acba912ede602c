#include "host/lifecycle.h"

#include <shellapi.h>

#include "bar/bar_access.h"
#include "bar/bar_keys.h"
#include "bar/bar_layout.h"
#include "bar/bar_state.h"
#include "bar/move.h"
#include "host/exports.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"
#include "settings/popup.h"
#include "settings/settings.h"
#include "host/guard.h"

namespace {

// The bar window's extended style and styles: no parent notification, topmost;
// a child that clips its siblings, with a sizing border when framed.
constexpr DWORD kBarExStyle = WS_EX_NOPARENTNOTIFY | WS_EX_TOPMOST;
constexpr DWORD kBarStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;

bool LoadText(UINT id, char* buffer, int size) {
  return LoadStringA(extState.instance, id, buffer, size) > 0;
}

HMENU FailLoad(UINT operationId, int step) {
  ReportFailure(IDS_TAG_QXINIT, operationId, step);
  return nullptr;
}

// Text the MDI client search compares class names with.
char mdiClientText[kTextBufferSize];

static BOOL FindMdiClientBody(HWND window, LPARAM);

BOOL CALLBACK FindMdiClient(HWND window, LPARAM lParam) {
  return Guarded(IDS_TAG_QXINIT, BOOL(FALSE), [&] { return FindMdiClientBody(window, lParam); });
}

static BOOL FindMdiClientBody(HWND window, LPARAM) {
  char name[kTextBufferSize];
  if (GetClassNameA(window, name, sizeof name) == 0) {
    ReportFailure(IDS_TAG_QXINIT, IDS_OP_GETCLASSNAME_908, 43);
    return TRUE;
  }
  if (lstrcmpA(name, mdiClientText) != 0) return TRUE;
  extState.mdiClientWindow = window;
  return FALSE;
}

bool RegisterBarClass() {
  WNDCLASSA barClass{};
  barClass.lpfnWndProc = ButtonWndProc;
  // Slot 0 holds the first button's handle: pointer-sized.
  barClass.cbWndExtra = sizeof(LONG_PTR);
  barClass.hInstance = extState.instance;
  barClass.lpszClassName = extState.barClassName;
  barClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  if (!barClass.hIcon) return FailLoad(IDS_OP_LOADICON, 91), false;
  barClass.hCursor = LoadCursorA(extState.instance, MAKEINTRESOURCEA(IDC_BAR_CURSOR));
  if (!barClass.hCursor) return FailLoad(IDS_OP_LOADCURSOR, 92), false;
  const IconBarSettings& s = barSettings;
  extState.barBrush =
      CreateSolidBrush(RGB(s.barColorRed & 0xFF, s.barColorGreen & 0xFF, s.barColorBlue & 0xFF));
  if (!extState.barBrush) return FailLoad(IDS_OP_CREATESOLIDBRUSH, 93), false;
  barClass.hbrBackground = extState.barBrush;
  if (!RegisterClassA(&barClass)) {
    // Nothing owns the brush yet: the clean-up only finds it through the class.
    DeleteObject(extState.barBrush);
    extState.barBrush = nullptr;
    return FailLoad(IDS_OP_REGISTERCLASS, 94), false;
  }
  return true;
}

bool CreateBarWindow() {
  char title[kTextBufferSize];
  if (!LoadText(IDS_BAR_CLASS, title, sizeof title)) {
    ReportFailure(IDS_TAG_QXCREATW, IDS_OP_LOADSTRING, 1);
    return false;
  }
  const DWORD style = kBarStyle | (barSettings.barFramed ? WS_THICKFRAME : 0);
  extState.barWindow = CreateWindowExA(
      kBarExStyle, extState.barClassName, title, style, 0, 0, barSettings.barLength,
      barSettings.barHeight, extState.frameWindow,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(BAR_WINDOW_ID)), extState.instance, nullptr);
  if (!extState.barWindow) {
    ReportFailure(IDS_TAG_QXCREATW, IDS_OP_CREATEWINDOWEX, 2);
    return false;
  }
  // Files dropped onto a button run it; Bar Off and On switch this too.
  DragAcceptFiles(extState.barWindow, extState.barOn != 0);
  return true;
}

bool RegisterPopupClass() {
  WNDCLASSA popupClass{};
  popupClass.lpfnWndProc = PopupWndProc;
  popupClass.cbWndExtra = sizeof(LONG_PTR);
  popupClass.hInstance = extState.instance;
  popupClass.lpszClassName = extState.popupClassName;
  if (!RegisterClassA(&popupClass)) return FailLoad(IDS_OP_REGISTERCLASS, 11), false;
  return true;
}

// A Unicode MDI client stays Unicode: the ANSI functions would make it ANSI,
// and every window title File Manager passes through it (WM_MDICREATE) would
// lose what the ANSI code page cannot hold.
bool SubclassMdiClient() {
  HWND client = extState.mdiClientWindow;
  const bool wide = IsWindowUnicode(client);
  extState.savedMdiClientProc = reinterpret_cast<WNDPROC>(
      wide ? GetWindowLongPtrW(client, GWLP_WNDPROC) : GetWindowLongPtrA(client, GWLP_WNDPROC));
  if (!extState.savedMdiClientProc) return FailLoad(IDS_OP_GETWINDOWLONG, 51), false;
  const auto ours = reinterpret_cast<LONG_PTR>(MDIWndProc);
  if (!(wide ? SetWindowLongPtrW(client, GWLP_WNDPROC, ours)
             : SetWindowLongPtrA(client, GWLP_WNDPROC, ours))) {
    // Nothing was replaced: nothing to put back at the clean-up.
    extState.savedMdiClientProc = nullptr;
    return FailLoad(IDS_OP_SETWINDOWLONG, 52), false;
  }
  return true;
}

// Only while ours is still the MDI client's procedure: a procedure installed
// over ours since then would otherwise be cut out.
void RestoreMdiClient() {
  HWND client = extState.mdiClientWindow;
  if (!client || !extState.savedMdiClientProc || !IsWindow(client)) return;
  const bool wide = IsWindowUnicode(client);
  const auto current =
      wide ? GetWindowLongPtrW(client, GWLP_WNDPROC) : GetWindowLongPtrA(client, GWLP_WNDPROC);
  if (current != reinterpret_cast<LONG_PTR>(MDIWndProc)) return;
  const auto saved = reinterpret_cast<LONG_PTR>(extState.savedMdiClientProc);
  if (wide)
    SetWindowLongPtrW(client, GWLP_WNDPROC, saved);
  else
    SetWindowLongPtrA(client, GWLP_WNDPROC, saved);
}

UINT DeleteEveryButton(ButtonRecord*) { return WALK_DELETE; }

}  // namespace

HMENU RunLoadSequence(HWND window, FMS_LOADA* load) {
  if (extState.frameWindow) {
    CleanUpExtension();
    FreeLibrary(extState.instance);
    ResetAllState();
  }
  if (!LoadText(IDS_POPUP_CLASS, extState.popupClassName, sizeof extState.popupClassName) ||
      !LoadText(IDS_BAR_CLASS, extState.barClassName, sizeof extState.barClassName) ||
      !LoadText(IDS_FILE_SEPARATOR, extState.fileSeparator, sizeof extState.fileSeparator))
    return FailLoad(IDS_OP_LOADSTRING, 2);

  char text[kTextBufferSize];
  if (!LoadText(IDS_FRAME_CLASS, text, sizeof text)) return FailLoad(IDS_OP_LOADSTRING, 31);
  extState.frameWindow = FindWindowA(text, nullptr);
  if (!extState.frameWindow) return FailLoad(IDS_OP_FINDWINDOW, 3);

  if (!LoadText(IDS_MDICLIENT_CLASS, mdiClientText, sizeof mdiClientText))
    return FailLoad(IDS_OP_LOADSTRING, 41);
  EnumChildWindows(window, FindMdiClient, 0);
  if (!extState.mdiClientWindow) return FailLoad(IDS_OP_ENUMERATECHILDWINDOWS, 4);

  if (!SubclassMdiClient()) return nullptr;

  // The reading installs the Delete-dialog bypass right after "Delete Warning"
  // and reports its own failures; without its key names the load ends.
  afterDeleteWarningRead = InstallDeleteBypass;
  const int read = ReadBarSettings();
  afterDeleteWarningRead = nullptr;
  if (!read) return nullptr;

  ComputeBarLayout();
  if (!RegisterBarClass()) return nullptr;
  if (!CreateBarWindow()) return nullptr;
  if (!RegisterPopupClass()) return nullptr;
  // Reads the records, leaves every one unlocked and sets listReady.
  if (!ReadButtonSections()) return nullptr;

  extState.extensionMenu = LoadMenuA(extState.instance, MAKEINTRESOURCEA(IDM_EXTENSION_MENU));
  if (!extState.extensionMenu) return FailLoad(IDS_OP_LOADMENU, 14);
  AddBarKeysItem(extState.extensionMenu);
  load->hMenu = extState.extensionMenu;
  extState.menuDelta = WORD(load->wMenuDelta & 0xFFFF);
  extState.menuDeltaKnown = 1;
  if (!LoadText(IDS_MENU_NAME, text, sizeof text)) return FailLoad(IDS_OP_LOADSTRING, 15);
  lstrcpynA(load->szMenuName, text, sizeof load->szMenuName);
  // Last: File Manager keeps only an extension that filled in the size.
  load->dwSize = kFmsLoadSize;
  return extState.extensionMenu;
}

void AbandonLoad() {
  CleanUpExtension();
  // Not handed over to File Manager: still ours to destroy.
  if (extState.extensionMenu) DestroyMenu(extState.extensionMenu);
  ResetAllState();
}

void UnloadExtension(HWND window) {
  // A button on its way to a new place is out of the list: back with it
  // before the list is saved and freed.
  CancelMove();
  RECT barRect = {0, 0, 0, 0};
  if (extState.barWindow) GetWindowRect(extState.barWindow, &barRect);
  if (extState.saveState != SAVE_NEVER && barRect.right != 0 &&
      !EqualRect(&barRect, &extState.firstPaintBarRect))
    extState.saveState = SAVE_AT_UNLOAD;
  if (extState.saveState == SAVE_AT_UNLOAD) SaveSettings();
  WinHelpA(window, nullptr, HELP_QUIT, 0);
  CleanUpExtension();
  // A library that someone else still holds stays mapped: its next load must
  // start afresh, not take this finished one for a load without an unload
  // (whose clean-up gives up one more reference to the library).
  ResetAllState();
}

void ResetAllState() {
  ResetExtensionState();
  ResetBarSettings();
  ResetBarRunState();
  ResetPopupState();
}

void CleanUpExtension() {
  if (extState.barWindow) {
    EndBarKeys();
    DisconnectBarAccess();
    CancelMove();
    TearDownPopup();
    ForEachButton(DeleteEveryButton);
    lastButton = nullptr;
    auto cursor = reinterpret_cast<HCURSOR>(GetClassLongPtrA(extState.barWindow, GCLP_HCURSOR));
    if (cursor) {
      if (GetCursor() == cursor) SetCursor(LoadCursorA(nullptr, IDC_ARROW));
      DestroyCursor(cursor);
    }
    auto previous = reinterpret_cast<HBRUSH>(
        SetClassLongPtrA(extState.barWindow, GCLP_HBRBACKGROUND,
                         reinterpret_cast<LONG_PTR>(GetStockObject(WHITE_BRUSH))));
    if (previous) DeleteObject(previous);
    DestroyWindow(extState.barWindow);
  }
  // Without a bar window the brush is still the class's alone, and the class
  // does not delete it when it goes.
  HBRUSH classBrush = extState.barWindow ? nullptr : extState.barBrush;
  UnregisterClassA(extState.barClassName, extState.instance);
  if (classBrush) DeleteObject(classBrush);
  extState.barBrush = nullptr;
  UnregisterClassA(extState.popupClassName, extState.instance);
  if (extState.fileManagerInstance) UnregisterClassA("#32770", extState.fileManagerInstance);
  // A load that failed before reading the procedure has nothing to put back.
  RestoreMdiClient();
}
