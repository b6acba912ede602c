#include "dialogs/button_dialog.h"

// Placeholder until the icon chooser lands.
INT_PTR CALLBACK ChooseIconDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) EndDialog(dialog, 1);
  return message == WM_INITDIALOG;
}
