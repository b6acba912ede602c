// The Popup Options dialog (template 197): where popups show, their font and
// colours, and the delay, with a sample popup drawn inside the dialog.
#pragma once
#include <windows.h>

#include <commdlg.h>

// Control IDs of the dialog.
enum : int {
  IDC_POPUP_HELP = 1005,
  IDC_POPUP_BACKGROUND = 1023,
  IDC_POPUPS_ABOVE = 1058,
  IDC_POPUPS_BELOW = 1059,
  IDC_POPUP_FONT = 1060,
  IDC_POPUP_DELAY = 1064,
  IDC_SAMPLE_PLACE = 1078,
};

// Size of CHOOSEFONT as the font chooser expects it: 60 bytes in the 32-bit build.
constexpr DWORD kChooseFontSize = sizeof(CHOOSEFONTA);

INT_PTR CALLBACK PopupOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The sample popup while the dialog is open (null otherwise).
extern HWND sampleWindow;
