// The Bar Options dialog (template 193): frames, spacing, vertical position,
// popups on or off and the bar colour.
#pragma once
#include <windows.h>

INT_PTR CALLBACK BarOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Control IDs of the Bar Options dialog.
enum : int {
  IDC_SQUISH_LEFT = 1049,
  IDC_SPACE_EVENLY = 1050,
  IDC_CENTER = 1052,
  IDC_TOP = 1053,
  IDC_BOTTOM = 1054,
  IDC_FRAME_BAR = 1055,
  IDC_FRAME_ICONS = 1056,
  IDC_POPUP_DESCRIPTIONS = 1057,
  IDC_BAR_COLOR = 1023,
  IDC_BAR_HELP = 1005,
};
