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

bool IsDeleteDialog(LPARAM creation) {
  char deleteCaption[kTextBufferSize] = "";
  LoadStringA(extState.instance, IDS_DELETE_CAPTION, deleteCaption, sizeof deleteCaption);
  const auto* create = reinterpret_cast<const CREATESTRUCTA*>(creation);
  const char* caption = create ? create->lpszName : nullptr;
  return caption && !IS_INTRESOURCE(caption) && lstrcmpiA(caption, deleteCaption) == 0;
}

}  // namespace

static LRESULT DlgProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

LRESULT CALLBACK DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded(IDS_TAG_QXDLGPRO, LRESULT(0),
                 [&] { return DlgProcBody(window, message, wParam, lParam); });
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
  return CallWindowProcA(extState.savedDialogProc, window, message, wParam, lParam);
}

void InstallDeleteBypass() {
  extState.fileManagerInstance =
      reinterpret_cast<HINSTANCE>(GetClassLongPtrA(extState.frameWindow, GCLP_HMODULE));
  if (!extState.fileManagerInstance) {
    ReportFailure(IDS_TAG_QXSCDELE, IDS_OP_GETCLASSWORD, 1);
    return;
  }
  WNDCLASSA dialogClass;
  if (!GetClassInfoA(nullptr, MAKEINTATOM(32770), &dialogClass)) {
    ReportFailure(IDS_TAG_QXSCDELE, IDS_OP_GETCLASSINFO, 2);
    // Nothing of ours to unregister at the unload: an unregistering by that
    // name could take the system's own dialog class away.
    extState.fileManagerInstance = nullptr;
    return;
  }
  extState.savedDialogProc = dialogClass.lpfnWndProc;
  dialogClass.hInstance = extState.fileManagerInstance;
  dialogClass.lpfnWndProc = DlgProc;
  dialogClass.lpszClassName = MAKEINTATOM(32770);
  if (!RegisterClassA(&dialogClass)) {
    ReportFailure(IDS_TAG_QXSCDELE, IDS_OP_REGISTERCLASS, 3);
    extState.fileManagerInstance = nullptr;
  }
}
