#include "host/exports.h"
#include "host/lifecycle.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/string_ids.h"
#include "host/guard.h"

namespace {

// The "Delete" dialog being answered on the user's behalf. It is never shown:
// a File Manager that asks its own confirmation before it closes the dialog
// would otherwise leave it on screen behind that question.
HWND answeredDialog = nullptr;

// A Unicode File Manager's dialogs are made from a class registered with the
// wide function: their texts (file names among them) pass whole.
bool dialogClassWide = false;

bool IsDeleteDialog(LPARAM creation) {
  const auto* create = reinterpret_cast<const CREATESTRUCTA*>(creation);
  if (!create || !create->lpszName || IS_INTRESOURCE(create->lpszName)) return false;
  if (dialogClassWide) {
    wchar_t deleteCaption[kTextBufferSize] = L"";
    LoadStringW(extState.instance, IDS_DELETE_CAPTION, deleteCaption, kTextBufferSize);
    const auto* caption = reinterpret_cast<const CREATESTRUCTW*>(creation)->lpszName;
    return lstrcmpiW(caption, deleteCaption) == 0;
  }
  char deleteCaption[kTextBufferSize] = "";
  LoadStringA(extState.instance, IDS_DELETE_CAPTION, deleteCaption, sizeof deleteCaption);
  return lstrcmpiA(create->lpszName, deleteCaption) == 0;
}

// The class description of the system's dialog class, changed to File
// Manager's module and DlgProc, registered; false when a step failed (reported).
template <typename ClassInfo, typename GetInfo, typename Register>
bool RegisterDialogClass(ClassInfo& dialogClass, GetInfo getInfo, Register registerClass) {
  // The standard dialog class's atom, as a name of the description's width.
  const auto name = decltype(dialogClass.lpszClassName)(MAKEINTATOM(32770));
  if (!getInfo(nullptr, name, &dialogClass)) {
    ReportFailure(IDS_TAG_QXSCDELE, IDS_OP_GETCLASSINFO, 2);
    return false;
  }
  extState.savedDialogProc = dialogClass.lpfnWndProc;
  dialogClass.hInstance = extState.fileManagerInstance;
  dialogClass.lpfnWndProc = DlgProc;
  dialogClass.lpszClassName = name;
  if (!registerClass(&dialogClass)) {
    ReportFailure(IDS_TAG_QXSCDELE, IDS_OP_REGISTERCLASS, 3);
    return false;
  }
  return true;
}

}  // namespace

static LRESULT DlgProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

static LRESULT PassOnToDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (dialogClassWide)
    return CallWindowProcW(extState.savedDialogProc, window, message, wParam, lParam);
  return CallWindowProcA(extState.savedDialogProc, window, message, wParam, lParam);
}

LRESULT CALLBACK DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return GuardedOrPassedOn(
      IDS_TAG_QXDLGPRO, [&] { return DlgProcBody(window, message, wParam, lParam); },
      [&] { return PassOnToDialog(window, message, wParam, lParam); });
}

static LRESULT DlgProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE && extState.deleteWarning == 0 && IsDeleteDialog(lParam)) {
    // Passed on all the same: the window gets its caption and the rest of
    // its creation as usual.
    if (PostMessageA(window, WM_COMMAND, IDOK, 0))
      answeredDialog = window;
    else
      ReportFailure(IDS_TAG_QXDLGPRO, IDS_OP_POSTMESSAGE, 1);
  } else if (window == answeredDialog) {
    if (message == WM_WINDOWPOSCHANGING)
      reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~UINT(SWP_SHOWWINDOW);
    else if (message == WM_NCDESTROY)
      answeredDialog = nullptr;
  }
  return PassOnToDialog(window, message, wParam, lParam);
}

void InstallDeleteBypass() {
  extState.fileManagerInstance =
      reinterpret_cast<HINSTANCE>(GetClassLongPtrA(extState.frameWindow, GCLP_HMODULE));
  if (!extState.fileManagerInstance) {
    ReportFailure(IDS_TAG_QXSCDELE, IDS_OP_GETCLASSWORD, 1);
    return;
  }
  dialogClassWide = IsWindowUnicode(extState.frameWindow) != FALSE;
  WNDCLASSW wideClass;
  WNDCLASSA ansiClass;
  const bool registered = dialogClassWide
                              ? RegisterDialogClass(
                                    wideClass,
                                    [](HINSTANCE module, LPCWSTR name, WNDCLASSW* info) {
                                      return GetClassInfoW(module, name, info);
                                    },
                                    [](const WNDCLASSW* info) { return RegisterClassW(info); })
                              : RegisterDialogClass(
                                    ansiClass,
                                    [](HINSTANCE module, LPCSTR name, WNDCLASSA* info) {
                                      return GetClassInfoA(module, name, info);
                                    },
                                    [](const WNDCLASSA* info) { return RegisterClassA(info); });
  // Nothing of ours to unregister at the unload: an unregistering by that name
  // could take the system's own dialog class away.
  if (!registered) extState.fileManagerInstance = nullptr;
}
