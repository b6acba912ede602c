#include "dialogs/choose_icon.h"

#include <commdlg.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cstddef>
#include <cstring>

#include "dialogs/button_dialog.h"
#include "dialogs/dialog_helpers.h"
#include "host/help.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/string_ids.h"
#include "host/guard.h"

namespace {

HICON iconTable[kIconTableSize];  // entries past iconCount are null
int iconCount;
int iconsPerStrip;
int paintGuard;
HWND iconArea;    // 1034
HWND iconScroll;  // 1035

// Where the last Browse that found icons went; kept while the library is loaded.
char lastIconDirectory[kTextBufferSize];
char lastIconFileName[kTextBufferSize];

// The strip's measures, taken from the controls as they stand. Rectangles are
// in the dialog's client coordinates; rowTop is within the icon area.
struct StripGeometry {
  RECT area;
  RECT scroll;
  int gap;
  int step;
  int fits;
  int rowTop;
};

StripGeometry MeasureStrip(HWND dialog) {
  StripGeometry g{};
  if (iconArea) GetWindowRect(iconArea, &g.area);
  if (iconScroll) GetWindowRect(iconScroll, &g.scroll);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&g.area), 2);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&g.scroll), 2);
  const int iconWidth = GetSystemMetrics(SM_CXICON);
  g.gap = iconWidth / 4;
  g.step = iconWidth + g.gap;
  g.fits = (g.area.right - g.area.left - g.gap) / g.step;
  g.rowTop = (g.area.bottom - g.area.top - (g.scroll.bottom - g.scroll.top) -
              GetSystemMetrics(SM_CYICON)) /
             2;
  return g;
}

// How many icons the strip shows from the selected one on.
int VisibleIcons(const StripGeometry& g) {
  int visible = iconCount - buttonDialog.chosenIconIndex;
  if (visible > g.fits) visible = g.fits;
  return visible > 0 ? visible : 0;
}

// The strip is drawn by the dialog's paint; the area is erased first so that a
// strip that has become empty shows as such.
void InvalidateIconArea(HWND dialog) {
  RECT area = MeasureStrip(dialog).area;
  InvalidateRect(dialog, &area, TRUE);
}

// Shows a string-table text in a box owned by the dialog; true when it was shown.
bool ShowMessage(HWND dialog, UINT textId, int step) {
  char text[kTextBufferSize];
  char caption[kTextBufferSize];
  if (!LoadStringA(extState.instance, textId, text, sizeof text) ||
      !LoadStringA(extState.instance, IDS_CAPTION, caption, sizeof caption)) {
    ReportFailure(IDS_TAG_QXCHICO, IDS_OP_LOADSTRING, step);
    return false;
  }
  if (MessageBoxA(dialog, text, caption, MB_OK) == 0) {
    ReportFailure(IDS_TAG_QXCHICO, IDS_OP_LOCALALLOC, step + 1);
    return false;
  }
  return true;
}

// "Choose Icon for " and the program's file name (or the menu text); false
// when the string cannot be loaded.
bool MakeChooseIconTitle(char* title) {
  if (!LoadStringA(extState.instance, IDS_CHOOSE_ICON_FOR, title, kTextBufferSize)) return false;
  const char* name = std::strrchr(buttonDialog.programText, '\\');
  name = name ? name + 1 : buttonDialog.programText;
  const size_t used = std::strlen(title);
  lstrcpynA(title + used, name, kTextBufferSize - int(used));
  return true;
}

bool EndsWithNoCase(const char* text, const char* suffix) {
  const size_t length = std::strlen(text), suffixLength = std::strlen(suffix);
  return length >= suffixLength && lstrcmpiA(text + length - suffixLength, suffix) == 0;
}

BOOL OnInitDialog(HWND dialog) {
  char text[kTextBufferSize];
  if (MakeChooseIconTitle(text))
    SetWindowTextA(dialog, text);
  else
    ReportFailure(IDS_TAG_QXCHICO, IDS_OP_LOADSTRING, 1);

  buttonDialog.chosenIconFile[0] = '\0';
  buttonDialog.chosenIconIndex = 0;
  iconCount = 0;
  paintGuard = 0;

  iconScroll = GetDlgItem(dialog, IDC_ICON_SCROLL);
  if (iconScroll)
    EnableScrollBar(iconScroll, SB_CTL, ESB_DISABLE_BOTH);
  else
    ReportFailure(IDS_TAG_QXCHICO, IDS_OP_GETDLGITEM, 2);
  iconArea = GetDlgItem(dialog, IDC_ICON_AREA);
  if (!iconArea) ReportFailure(IDS_TAG_QXCHICO, IDS_OP_GETDLGITEM, 3);
  iconsPerStrip = MeasureStrip(dialog).fits;

  // A program offers its own icons at once.
  if (!extState.editingMenuButton) {
    if (!LoadStringA(extState.instance, IDS_EXE_SUFFIX, text, sizeof text)) {
      ReportFailure(IDS_TAG_QXCHICO, IDS_OP_LOADSTRING, 4);
    } else if (EndsWithNoCase(buttonDialog.programText, text)) {
      lstrcpynA(buttonDialog.chosenIconFile, buttonDialog.programText, kTextBufferSize);
      LoadIconsOfFile(dialog);
      if (iconCount == 0) buttonDialog.chosenIconFile[0] = '\0';
    }
  }
  // Pointer on the scroll bar; OK stays the default button, so that Enter
  // still means OK.
  if (!buttonDialog.chosenIconFile[0]) PointAtControl(dialog, 0, iconScroll);
  return TRUE;
}

void OnScroll(HWND dialog, int request, int thumbPosition) {
  if (iconCount <= 0) return;
  const int index = buttonDialog.chosenIconIndex;
  int next = index;
  switch (request) {
    case SB_LINELEFT:
      if (index > 0) next = index - 1;
      break;
    case SB_LINERIGHT:
      if (index < iconCount - 1) next = index + 1;
      break;
    case SB_PAGELEFT:
      next = index >= iconsPerStrip ? index - iconsPerStrip : 0;
      break;
    case SB_PAGERIGHT:
      if (index < iconCount - iconsPerStrip) next = index + iconsPerStrip;
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      next = thumbPosition;
      break;
    case SB_TOP:
      next = 0;
      break;
    case SB_BOTTOM:
      if (iconsPerStrip < iconCount) next = iconCount - iconsPerStrip;
      break;
    default:
      break;
  }
  if (next == index) return;
  buttonDialog.chosenIconIndex = next;
  SetScrollPos(iconScroll, SB_CTL, next, TRUE);
  InvalidateIconArea(dialog);
}

// The group box lets clicks through, so a click on an icon reaches the dialog.
BOOL OnLeftButtonDown(HWND dialog, LPARAM lParam) {
  const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  const StripGeometry g = MeasureStrip(dialog);
  if (point.x < g.area.left || point.x > g.area.right || point.y < g.area.top ||
      point.y > g.scroll.top - 1)
    return FALSE;
  const int top = g.area.top + g.rowTop;
  const int visible = VisibleIcons(g);
  for (int k = 0; k < visible; ++k) {
    const int left = g.area.left + g.gap + k * g.step;
    if (point.x < left || point.x > left + GetSystemMetrics(SM_CXICON) || point.y < top ||
        point.y > top + GetSystemMetrics(SM_CYICON))
      continue;
    const int hit = buttonDialog.chosenIconIndex + k;
    PointAtControl(dialog, IDOK, nullptr);
    buttonDialog.chosenIconIndex = hit;
    SetScrollPos(iconScroll, SB_CTL, hit, TRUE);
    PaintIconStrip(dialog);
    return TRUE;
  }
  return FALSE;
}

void OnPaint(HWND dialog) {
  paintGuard = 1;
  PAINTSTRUCT paint = {};
  if (BeginPaint(dialog, &paint)) EndPaint(dialog, &paint);
  RECT area = MeasureStrip(dialog).area;
  RECT overlap;
  if (IntersectRect(&overlap, &paint.rcPaint, &area) && buttonDialog.chosenIconFile[0])
    PaintIconStrip(dialog);
  paintGuard = 0;
}

void BrowseForIconFile(HWND dialog) {
  char directory[kTextBufferSize] = "";
  if (lastIconDirectory[0]) {
    lstrcpynA(directory, lastIconDirectory, kTextBufferSize);
    lstrcpynA(buttonDialog.chosenIconFile, lastIconFileName, kTextBufferSize);
  } else {
    char offered[kTextBufferSize];
    if (!LoadStringA(extState.instance, IDS_DEFAULT_ICON_FILE, offered, sizeof offered)) {
      ReportFailure(IDS_TAG_QXCHICO, IDS_OP_LOADSTRING, 10);
      return;
    }
    // Without the system directory the Open dialog starts in the current one.
    if (!GetSystemDirectoryA(directory, sizeof directory)) directory[0] = '\0';
    lstrcpynA(buttonDialog.chosenIconFile, offered, kTextBufferSize);
  }

  char filter[kTextBufferSize + 1] = "";
  const int filterLength = LoadStringA(extState.instance, IDS_ICON_FILTER, filter, kTextBufferSize);
  if (filterLength <= 0) {
    ReportFailure(IDS_TAG_QXCHICO, IDS_OP_LOADSTRING, 11);
    return;
  }
  char title[kTextBufferSize];
  const bool hasTitle = MakeChooseIconTitle(title);
  if (!hasTitle) ReportFailure(IDS_TAG_QXCHICO, IDS_OP_LOADSTRING, 12);

  if (!AskForExistingFile(dialog, filter, buttonDialog.chosenIconFile, directory,
                          hasTitle ? title : nullptr)) {
    buttonDialog.chosenIconFile[0] = '\0';
    PointAtControl(dialog, IDCANCEL, nullptr);
    InvalidateIconArea(dialog);
    return;
  }

  LoadIconsOfFile(dialog);
  InvalidateIconArea(dialog);
  if (iconCount > 0) {
    const char* slash = std::strrchr(buttonDialog.chosenIconFile, '\\');
    if (slash) {
      const int length = int(slash - buttonDialog.chosenIconFile);
      lstrcpynA(lastIconDirectory, buttonDialog.chosenIconFile, length + 1);
      lstrcpynA(lastIconFileName, slash + 1, kTextBufferSize);
    }
  } else {
    ShowMessage(dialog, IDS_NO_ICONS_USE_BROWSE, 13);
  }
}

// OK and Cancel alike: the icons go, any help window opened from here closes.
void CloseChooseIcon(HWND dialog) {
  DestroyIcons(iconTable, iconCount);
  iconCount = 0;
  WinHelpA(dialog, nullptr, HELP_QUIT, 0);
  EndDialog(dialog, 1);
}

BOOL OnCommand(HWND dialog, int control) {
  switch (control) {
    case IDC_BROWSE:
      BrowseForIconFile(dialog);
      return TRUE;
    case IDOK:
      if (buttonDialog.chosenIconFile[0])
        CloseChooseIcon(dialog);
      else
        ShowMessage(dialog, IDS_USE_BROWSE, 7);
      return TRUE;
    case IDCANCEL:
      buttonDialog.chosenIconFile[0] = '\0';
      buttonDialog.chosenIconIndex = 0;
      CloseChooseIcon(dialog);
      return TRUE;
    case IDC_HELP_BUTTON:
      ShowHelp(dialog, HELP_CHOOSE_ICON, IDS_TAG_QXCHICO, 9);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void DestroyIcons(HICON* table, int count) {
  for (int i = 0; i < count; ++i) {
    if (table[i]) DestroyIcon(table[i]);
    table[i] = nullptr;
  }
}

void LoadIconsOfFile(HWND dialog) {
  if (iconCount > 0) DestroyIcons(iconTable, iconCount);
  buttonDialog.chosenIconIndex = 0;
  iconCount = 0;
  for (HICON& icon : iconTable) icon = nullptr;

  HCURSOR previousCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  int extracted = 0;
  while (extracted < kIconTableSize) {
    // 1 means the file is no program, library or icon file; 0 that it has no further icon.
    HICON icon = ExtractIconA(extState.instance, buttonDialog.chosenIconFile, UINT(extracted));
    if (reinterpret_cast<UINT_PTR>(icon) <= 1) break;
    iconTable[extracted++] = icon;
  }
  int offered = extracted;
  if (extracted == kIconTableSize && ShowMessage(dialog, IDS_TOO_MANY_ICONS, 5)) {
    // Only the first 129 are offered; the last one is not kept.
    offered = kIconTableSize - 1;
    DestroyIcons(iconTable + offered, 1);
  }
  SetCursor(previousCursor);

  if (offered > 0) {
    SetDlgItemTextA(dialog, IDC_ICON_FILE_NAME, buttonDialog.chosenIconFile);
    PointAtControl(dialog, IDOK, nullptr);
    if (offered > 1) {
      // Pointer on the scroll bar, OK still the default button.
      SetFocus(iconArea);
      PointAtControl(dialog, 0, iconScroll);
    }
  }
  iconCount = offered;
  buttonDialog.chosenIconIndex = 0;
  SetScrollRange(iconScroll, SB_CTL, 0, offered > 0 ? offered - 1 : 0, FALSE);
  SetScrollPos(iconScroll, SB_CTL, 0, TRUE);
}

void PaintIconStrip(HWND dialog) {
  const StripGeometry g = MeasureStrip(dialog);
  EnableScrollBar(iconScroll, SB_CTL, iconCount == 1 ? ESB_DISABLE_BOTH : ESB_ENABLE_BOTH);

  HDC dc = GetDC(iconArea);
  if (!dc) {
    ReportFailure(IDS_TAG_QXCHICOP, IDS_OP_GETDC, 1);
    return;
  }
  // The inside of the group box: below its top line, above the scroll bar.
  const int borderWidth = GetSystemMetrics(SM_CXBORDER);
  const int borderHeight = GetSystemMetrics(SM_CYBORDER);
  const RECT inside = {
      borderWidth, borderHeight + 8, g.area.right - g.area.left - borderWidth - 1,
      g.area.bottom - g.area.top - borderHeight - (g.scroll.bottom - g.scroll.top) - 1};
  FillRect(dc, &inside, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

  const int iconWidth = GetSystemMetrics(SM_CXICON);
  const int iconHeight = GetSystemMetrics(SM_CYICON);
  const int visible = VisibleIcons(g);
  for (int k = 0; k < visible; ++k) {
    const int left = g.gap + k * g.step;
    if (k == 0) {
      HBRUSH highlight = CreateSolidBrush(GetSysColor(COLOR_ACTIVECAPTION));
      if (!highlight) {
        ReportFailure(IDS_TAG_QXCHICOP, IDS_OP_CREATESOLIDBRUSH, 2);
        break;
      }
      RECT square = {left, g.rowTop, left + iconWidth, g.rowTop + iconHeight};
      FillRect(dc, &square, highlight);
      DeleteObject(highlight);
      InflateRect(&square, 1, 1);
      FrameRect(dc, &square, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    if (!DrawIcon(dc, left, g.rowTop, iconTable[buttonDialog.chosenIconIndex + k])) {
      ReportFailure(IDS_TAG_QXCHICOP, IDS_OP_DRAWICON, 3);
      break;
    }
  }
  ReleaseDC(iconArea, dc);
}

static INT_PTR ChooseIconDialogProcBody(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

INT_PTR CALLBACK ChooseIconDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded(IDS_TAG_QXCHICO, INT_PTR(FALSE),
                 [&] { return ChooseIconDialogProcBody(dialog, message, wParam, lParam); });
}

static INT_PTR ChooseIconDialogProcBody(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_COMMAND:
      return OnCommand(dialog, LOWORD(wParam));
    case WM_HSCROLL:
      OnScroll(dialog, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_LBUTTONDOWN:
      return OnLeftButtonDown(dialog, lParam);
    case WM_PAINT:
      if (!paintGuard) OnPaint(dialog);
      return 0;
    case WM_DESTROY:
      // However the dialog ends, its icons go with it.
      DestroyIcons(iconTable, iconCount);
      iconCount = 0;
      return 0;
    default:
      return 0;
  }
}
