#include "host/exports.h"
#include "host/lifecycle.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/string_ids.h"

LRESULT CALLBACK DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE && extState.deleteWarning == 0) {
    char deleteCaption[kTextBufferSize] = "";
    LoadStringA(extState.instance, IDS_DELETE_CAPTION, deleteCaption, sizeof deleteCaption);
    const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    const char* caption = creation ? creation->lpszName : nullptr;
    if (caption && !IS_INTRESOURCE(caption) && lstrcmpiA(caption, deleteCaption) == 0) {
      if (PostMessageA(window, WM_COMMAND, IDOK, 0)) return 1;
      ReportFailure(IDS_TAG_QXDLGPRO, IDS_OP_POSTMESSAGE, 1);
    }
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
    return;
  }
  extState.savedDialogProc = dialogClass.lpfnWndProc;
  dialogClass.hInstance = extState.fileManagerInstance;
  dialogClass.lpfnWndProc = DlgProc;
  dialogClass.lpszClassName = MAKEINTATOM(32770);
  if (!RegisterClassA(&dialogClass)) ReportFailure(IDS_TAG_QXSCDELE, IDS_OP_REGISTERCLASS, 3);
}
