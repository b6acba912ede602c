#include "host/exports.h"
#include "host/lifecycle.h"
#include "host/state.h"

LRESULT CALLBACK DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (extState.savedDialogProc)
    return CallWindowProcA(extState.savedDialogProc, window, message, wParam, lParam);
  return DefDlgProcA(window, message, wParam, lParam);
}

void InstallDeleteBypass() {}
