#include "dialogs/about.h"

#include "host/report.h"
#include "host/state.h"
#include "resources/string_ids.h"
#include "host/guard.h"

static INT_PTR AboutDialogProcBody(HWND dialog, UINT message, WPARAM wParam, LPARAM);

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded(IDS_TAG_QXABOUT, INT_PTR(FALSE),
                 [&] { return AboutDialogProcBody(dialog, message, wParam, lParam); });
}

static INT_PTR AboutDialogProcBody(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      char version[kTextBufferSize];
      if (LoadStringA(extState.instance, IDS_VERSION, version, kTextBufferSize) == 0) {
        ReportFailure(IDS_TAG_QXABOUT, IDS_OP_LOADSTRING, 1);
        return FALSE;
      }
      SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, version);
      return TRUE;
    }
    case WM_COMMAND:
      // OK, and Cancel for the Escape key and the close box.
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 1);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}
