#include "settings/bar_options.h"

#include "bar/bar_layout.h"
#include "bar/bar_state.h"
#include "dialogs/dialog_helpers.h"
#include "host/help.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "host/guard.h"

namespace {

// A colour picked with Color waits here until OK.
int barColorChosen = 0;
COLORREF chosenBarColor = 0;

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void MarkChanged() { extState.saveState = SAVE_AT_UNLOAD; }

void OnInitDialog(HWND dialog) {
  const IconBarSettings& s = barSettings;
  CheckDlgButton(dialog, IDC_FRAME_BAR, s.barFramed ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_FRAME_ICONS, s.iconsFramed ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_POPUP_DESCRIPTIONS, s.popupsOff ? BST_UNCHECKED : BST_CHECKED);
  CheckRadioButton(dialog, IDC_SQUISH_LEFT, IDC_SPACE_EVENLY,
                   s.iconsSquishedLeft ? IDC_SQUISH_LEFT : IDC_SPACE_EVENLY);
  const int position = s.iconVerticalPosition == 1   ? IDC_CENTER
                       : s.iconVerticalPosition == 2 ? IDC_TOP
                                                     : IDC_BOTTOM;
  CheckRadioButton(dialog, IDC_CENTER, IDC_BOTTOM, position);
  barColorChosen = 0;
}

// Gives the bar window its new frame style; `noted` receives the outer
// rectangle it must keep, in the coordinates of its parent.
void ChangeBarFrame(int framed, RECT* noted) {
  HWND bar = extState.barWindow;
  GetWindowRect(bar, noted);
  MapWindowPoints(nullptr, GetParent(bar), reinterpret_cast<POINT*>(noted), 2);
  LONG_PTR style = GetWindowLongPtrA(bar, GWL_STYLE);
  style = framed ? (style | WS_THICKFRAME) : (style & ~LONG_PTR(WS_THICKFRAME));
  SetWindowLongPtrA(bar, GWL_STYLE, style);
  SetWindowLongPtrA(bar, GWL_EXSTYLE,
                    GetWindowLongPtrA(bar, GWL_EXSTYLE) & ~LONG_PTR(WS_EX_TRANSPARENT));
}

// Gives the bar its new colour; false (reported) leaves the dialog open.
bool ApplyBarColor() {
  HBRUSH brush = CreateSolidBrush(chosenBarColor);
  if (!brush) {
    ReportFailure(IDS_TAG_QXSETBAR, IDS_OP_CREATESOLIDBRUSH, 2);
    return false;
  }
  auto old = reinterpret_cast<HBRUSH>(
      SetClassLongPtrA(extState.barWindow, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(brush)));
  if (old && !DeleteObject(old)) {
    ReportFailure(IDS_TAG_QXSETBAR, IDS_OP_DELETEOBJECT, 3);
    return false;
  }
  barSettings.barColorRed = GetRValue(chosenBarColor);
  barSettings.barColorGreen = GetGValue(chosenBarColor);
  barSettings.barColorBlue = GetBValue(chosenBarColor);
  extState.barBrush = brush;
  MarkChanged();
  return true;
}

void OnOk(HWND dialog) {
  IconBarSettings& s = barSettings;
  RECT noted = {};
  const int framed = IsChecked(dialog, IDC_FRAME_BAR);
  const bool frameChanged = framed != (s.barFramed != 0);
  if (frameChanged) {
    s.barFramed = framed;
    MarkChanged();
    ChangeBarFrame(framed, &noted);
  }
  const int iconsFramed = IsChecked(dialog, IDC_FRAME_ICONS);
  if (iconsFramed != (s.iconsFramed != 0)) {
    s.iconsFramed = iconsFramed;
    MarkChanged();
    iconFrameChanged = 1;
  }
  const int popupsOff = !IsChecked(dialog, IDC_POPUP_DESCRIPTIONS);
  if (popupsOff != (s.popupsOff != 0)) {
    s.popupsOff = popupsOff;
    MarkChanged();
  }
  const int squished = IsChecked(dialog, IDC_SQUISH_LEFT);
  if (squished != (s.iconsSquishedLeft != 0)) {
    s.iconsSquishedLeft = squished;
    MarkChanged();
  }
  const int position = IsChecked(dialog, IDC_CENTER) ? 1 : IsChecked(dialog, IDC_TOP) ? 2 : 4;
  if (position != s.iconVerticalPosition) {
    s.iconVerticalPosition = position;
    MarkChanged();
  }
  if (extState.saveState == SAVE_AT_UNLOAD) LayOutButtons();
  iconFrameChanged = 0;
  if (barColorChosen && !ApplyBarColor()) return;
  InvalidateRect(extState.barWindow, nullptr, TRUE);
  // The frame takes its room inside the rectangle the bar had.
  if (frameChanged)
    SetWindowPos(extState.barWindow, nullptr, noted.left, noted.top, noted.right - noted.left,
                 noted.bottom - noted.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  WinHelpA(dialog, nullptr, HELP_QUIT, 0);
  EndDialog(dialog, 1);
}

}  // namespace

static INT_PTR BarOptionsDialogProcBody(HWND dialog, UINT message, WPARAM wParam, LPARAM);

INT_PTR CALLBACK BarOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded(IDS_TAG_QXSETBAR, INT_PTR(FALSE),
                 [&] { return BarOptionsDialogProcBody(dialog, message, wParam, lParam); });
}

static INT_PTR BarOptionsDialogProcBody(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    OnInitDialog(dialog);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDOK:
      OnOk(dialog);
      break;
    case IDCANCEL:
      WinHelpA(dialog, nullptr, HELP_QUIT, 0);
      EndDialog(dialog, 0);
      break;
    case IDC_BAR_COLOR: {
      const LONG color = PickColor(dialog);
      if (color == -1) break;
      chosenBarColor = COLORREF(color);
      barColorChosen = 1;
      PointAtControl(dialog, IDOK, nullptr);
      break;
    }
    case IDC_BAR_HELP:
      ShowHelp(dialog, HELP_BAR_OPTIONS, IDS_TAG_QXSETBAR, 1);
      break;
    default:
      break;
  }
  return FALSE;
}
