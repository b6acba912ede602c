#include "settings/popup_options.h"

#include "dialogs/dialog_helpers.h"
#include "host/help.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/string_ids.h"
#include "settings/settings.h"
#include "host/guard.h"

#ifndef _WIN64
static_assert(sizeof(CHOOSEFONTA) == 60, "the font chooser's block is 60 bytes on 32-bit Windows");
#endif

HWND sampleWindow = nullptr;

namespace {

// The dialog's working state: one dialog at a time.
HFONT sampleFont = nullptr;
LOGFONTA workingFont;
CHOOSEFONTA fontChoice;
COLORREF workingTextColor = 0;
COLORREF workingBackColor = 0;
int fontChanged = 0;
int backColorChanged = 0;
int samplePainting = 0;
int sampleTop = 0;
RECT dialogRect = {};
char sampleText[kTextBufferSize];
WNDPROC samplePopupProc = nullptr;

void DrawSampleText(HDC dc) {
  RECT client;
  GetClientRect(sampleWindow, &client);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, workingBackColor);
  HGDIOBJ oldFont = sampleFont ? SelectObject(dc, sampleFont) : nullptr;
  SetTextColor(dc, workingTextColor);
  DrawTextA(dc, sampleText, -1, &client, DT_SINGLELINE | DT_VCENTER);
  if (oldFont) SelectObject(dc, oldFont);
}

// The sample draws its own text again whenever it is uncovered: the popup
// class draws only the real popup.
static LRESULT SampleProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

LRESULT CALLBACK SampleProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded(IDS_TAG_QXSETTIP, LRESULT(0),
                 [&] { return SampleProcBody(window, message, wParam, lParam); });
}

static LRESULT SampleProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_PAINT && sampleText[0] != '\0') {
    PAINTSTRUCT paint;
    if (HDC dc = BeginPaint(window, &paint)) {
      DrawSampleText(dc);
      EndPaint(window, &paint);
    }
    return 0;
  }
  return CallWindowProcA(samplePopupProc, window, message, wParam, lParam);
}

COLORREF SettingsColor(uint32_t red, uint32_t green, uint32_t blue) {
  return RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
}

void SplitColor(COLORREF color, uint32_t& red, uint32_t& green, uint32_t& blue) {
  red = GetRValue(color);
  green = GetGValue(color);
  blue = GetBValue(color);
}

INT_PTR OnInitDialog(HWND dialog) {
  CheckRadioButton(dialog, IDC_POPUPS_ABOVE, IDC_POPUPS_BELOW,
                   barSettings.popupsAbove == 1 ? IDC_POPUPS_ABOVE : IDC_POPUPS_BELOW);
  SetDlgItemInt(dialog, IDC_POPUP_DELAY, UINT(barSettings.popupDelay), FALSE);
  backColorChanged = fontChanged = samplePainting = 0;
  // Topmost, so that it stays on the dialog however the dialog is restacked;
  // it lives only as long as the modal dialog does.
  sampleWindow = nullptr;
  sampleFont = nullptr;
  fontChoice = {};
  RECT place = {};
  if (HWND placeholder = GetDlgItem(dialog, IDC_SAMPLE_PLACE))
    GetWindowRect(placeholder, &place);
  else
    ReportFailure(IDS_TAG_QXSETTIP, IDS_OP_GETDLGITEM, 1);
  sampleTop = place.top;
  GetWindowRect(dialog, &dialogRect);
  if (LoadStringA(extState.instance, IDS_SAMPLE_POPUP_TEXT, sampleText, kTextBufferSize) == 0) {
    ReportFailure(IDS_TAG_QXSETTIP, IDS_OP_LOADSTRING, 2);
    sampleText[0] = '\0';
  }
  sampleWindow = CreateWindowExA(WS_EX_NOPARENTNOTIFY | WS_EX_TOPMOST, extState.popupClassName, "",
                                 WS_POPUP | WS_BORDER, 1, sampleTop, 1, 1, dialog, nullptr,
                                 extState.instance, nullptr);
  if (!sampleWindow) {
    ReportFailure(IDS_TAG_QXSETTIP, IDS_OP_CREATEWINDOWEX, 3);
    return TRUE;
  }
  samplePopupProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(sampleWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SampleProc)));
  workingTextColor = SettingsColor(barSettings.popupTextRed, barSettings.popupTextGreen,
                                   barSettings.popupTextBlue);
  workingFont = barSettings.popupFont;
  fontChoice.lStructSize = kChooseFontSize;
  fontChoice.hwndOwner = dialog;
  fontChoice.lpLogFont = &workingFont;
  fontChoice.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
  fontChoice.rgbColors = workingTextColor;
  fontChoice.nFontType = SCREEN_FONTTYPE;
  sampleFont = CreateFontIndirectA(&barSettings.popupFont);
  SendMessageA(sampleWindow, WM_SETFONT, reinterpret_cast<WPARAM>(sampleFont), FALSE);
  workingBackColor = SettingsColor(barSettings.popupBackgroundRed, barSettings.popupBackgroundGreen,
                                   barSettings.popupBackgroundBlue);
  return TRUE;
}

INT_PTR OnPaint(HWND dialog, WPARAM wParam, LPARAM lParam) {
  // DefDlgProc asks this procedure first: the guard lets that inner call fall
  // through to the default painting.
  if (samplePainting) return FALSE;
  samplePainting = 1;
  DefDlgProcA(dialog, WM_PAINT, wParam, lParam);
  HDC dc = (sampleText[0] && sampleWindow) ? GetDC(sampleWindow) : nullptr;
  if (dc) {
    SetBkColor(dc, workingBackColor);
    HGDIOBJ oldFont = sampleFont ? SelectObject(dc, sampleFont) : nullptr;
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(dc, sampleText, lstrlenA(sampleText), &extent);
    if (oldFont) SelectObject(dc, oldFont);
    const int dialogWidth = dialogRect.right - dialogRect.left;
    const int width = extent.cx < dialogWidth ? extent.cx : dialogWidth;
    const int room = dialogRect.bottom - sampleTop;
    const int height = extent.cy < room ? extent.cy : room;
    SetWindowPos(sampleWindow, nullptr, dialogRect.left + (dialogWidth - width) / 2, sampleTop,
                 width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    DrawSampleText(dc);
    ReleaseDC(sampleWindow, dc);
  }
  samplePainting = 0;
  return TRUE;
}

void ChooseSampleFont(HWND dialog) {
  // Without a sample the chooser was not prepared for this opening.
  if (!sampleWindow || !ChooseFontA(&fontChoice)) return;
  if (sampleFont) DeleteObject(sampleFont);
  sampleFont = CreateFontIndirectA(&workingFont);
  SendMessageA(sampleWindow, WM_SETFONT, reinterpret_cast<WPARAM>(sampleFont), FALSE);
  workingTextColor = fontChoice.rgbColors;
  fontChanged = 1;
  PointAtControl(dialog, IDOK, nullptr);
  InvalidateRect(dialog, nullptr, FALSE);
}

void ChooseSampleBackground(HWND dialog) {
  const LONG color = PickColor(dialog);
  if (color == -1) return;
  workingBackColor = COLORREF(color);
  backColorChanged = 1;
  PointAtControl(dialog, IDOK, nullptr);
  InvalidateRect(dialog, nullptr, FALSE);
}

void ShowPopupHelp(HWND dialog) { ShowHelp(dialog, HELP_POPUP_OPTIONS, IDS_TAG_QXSETTIP, 4); }

void CloseDialog(HWND dialog) {
  if (sampleWindow && !DestroyWindow(sampleWindow))
    ReportFailure(IDS_TAG_QXSETTIP, IDS_OP_DESTROYWINDOW_387, 5);
  sampleWindow = nullptr;
  if (sampleFont) DeleteObject(sampleFont);
  sampleFont = nullptr;
  WinHelpA(dialog, nullptr, HELP_QUIT, 0);
  EndDialog(dialog, 0);
}

// OK: each setting that changed goes into the settings. A delay that is no
// number keeps the dialog open; the location is taken before it is looked at.
INT_PTR OnOk(HWND dialog) {
  const int above = IsDlgButtonChecked(dialog, IDC_POPUPS_ABOVE) == BST_CHECKED ? 1 : 0;
  if (above != barSettings.popupsAbove) {
    barSettings.popupsAbove = above;
    extState.saveState = SAVE_AT_UNLOAD;
  }
  BOOL isNumber = FALSE;
  const UINT delay = GetDlgItemInt(dialog, IDC_POPUP_DELAY, &isNumber, FALSE);
  if (!isNumber) {
    MessageBeep(MB_ICONQUESTION);
    // The pointer goes to the field; OK stays the default button, so that
    // Enter still confirms once the field is put right.
    PointAtControl(dialog, 0, GetDlgItem(dialog, IDC_POPUP_DELAY));
    return FALSE;
  }
  if (int32_t(delay) != barSettings.popupDelay) {
    barSettings.popupDelay = int32_t(delay);
    extState.saveState = SAVE_AT_UNLOAD;
  }
  if (fontChanged) {
    barSettings.popupFont = workingFont;
    SplitColor(fontChoice.rgbColors, barSettings.popupTextRed, barSettings.popupTextGreen,
               barSettings.popupTextBlue);
    extState.saveState = SAVE_AT_UNLOAD;
  }
  if (backColorChanged) {
    SplitColor(workingBackColor, barSettings.popupBackgroundRed, barSettings.popupBackgroundGreen,
               barSettings.popupBackgroundBlue);
    extState.saveState = SAVE_AT_UNLOAD;
  }
  CloseDialog(dialog);
  return TRUE;
}

}  // namespace

static INT_PTR PopupOptionsDialogProcBody(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

INT_PTR CALLBACK PopupOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded(IDS_TAG_QXSETTIP, INT_PTR(FALSE),
                 [&] { return PopupOptionsDialogProcBody(dialog, message, wParam, lParam); });
}

static INT_PTR PopupOptionsDialogProcBody(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_PAINT:
      return OnPaint(dialog, wParam, lParam);
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_POPUP_FONT:
          ChooseSampleFont(dialog);
          return FALSE;
        case IDC_POPUP_BACKGROUND:
          ChooseSampleBackground(dialog);
          return FALSE;
        case IDC_POPUP_HELP:
          ShowPopupHelp(dialog);
          return FALSE;
        case IDOK:
          return OnOk(dialog);
        case IDCANCEL:
          CloseDialog(dialog);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}
