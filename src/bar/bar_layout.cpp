#include "bar/bar_layout.h"

#include <shellapi.h>

#include "bar/bar_access.h"
#include "bar/bar_keys.h"
#include "bar/bar_state.h"
#include "bar/chevron.h"
#include "host/report.h"
#include "host/state.h"
#include "settings/settings.h"
#include "resources/string_ids.h"

int (*barMetric)(int index) = [](int index) { return GetSystemMetrics(index); };

namespace {

// The paint walk's device context and update rectangle.
HDC paintDc = nullptr;
RECT paintUpdate = {};

// LayOutButtons walks the list once; the first record starts the row.
bool layingOutFirst = true;
int previousRight = 0;
int placedCount = 0;

UINT PlaceButton(ButtonRecord* record) {
  // Beyond the chevron: past the bar's end, where nothing shows or is hit.
  const bool hidden = shownButtons >= 0 && placedCount >= shownButtons;
  ++placedCount;
  PlaceButtonAt(record, hidden           ? barSettings.barLength + 1
                        : layingOutFirst ? firstIconLeft
                                         : previousRight + iconSpacing);
  layingOutFirst = false;
  if (iconFrameChanged) {
    if (barSettings.iconsFramed)
      record->flags |= BF_FRAMED;
    else
      record->flags &= ~BF_FRAMED;
  }
  previousRight = record->right;
  return WALK_GO_ON;
}

// ExtractIcon answers 1 for a file that is no program and no icon file.
bool IsIcon(HICON icon) { return icon && icon != reinterpret_cast<HICON>(1); }

UINT PaintButton(ButtonRecord* record) {
  if (record->right <= paintUpdate.left || record->left >= paintUpdate.right) return WALK_GO_ON;
  const RECT square = {record->left, record->top, record->right, record->bottom};
  HBRUSH brush = CreateSolidBrush(
      RGB(record->backRed & 0xFF, record->backGreen & 0xFF, record->backBlue & 0xFF));
  if (!brush) {
    ReportFailure(IDS_TAG_QXPAINT, IDS_OP_CREATESOLIDBRUSH, 1);
    return WALK_STOP | WALK_GO_ON;
  }
  FillRect(paintDc, &square, brush);
  if (!DeleteObject(brush)) {
    ReportFailure(IDS_TAG_QXPAINT, IDS_OP_DELETEOBJECT, 2);
    return WALK_STOP | WALK_GO_ON;
  }
  if (!LoadButtonIcon(record)) return WALK_STOP | WALK_GO_ON;
  if (record->icon && !DrawIcon(paintDc, record->left, record->top, record->icon)) {
    ReportFailure(IDS_TAG_QXPAINT, IDS_OP_DRAWICON, 4);
    return WALK_STOP | WALK_GO_ON;
  }
  if (record->flags & BF_FRAMED) DrawIconFrame(paintDc, &square, 1);
  return WALK_GO_ON;
}

}  // namespace

bool LoadButtonIcon(ButtonRecord* record) {
  if (record->icon || !record->iconName.handle) return true;
  HLOCAL nameBlock = record->iconName.handle;
  auto* name = static_cast<char*>(LocalLock(nameBlock));
  if (!name) {
    ReportFailure(IDS_TAG_QXPAINT, IDS_OP_LOCALLOCK, 3);
    return false;
  }
  HICON icon = (record->flags & BF_ICON_RESOURCE)
                   ? LoadIconA(extState.instance, name)
                   : ExtractIconA(extState.instance, name, UINT(record->iconIndex));
  if (!IsIcon(icon)) icon = nullptr;
  record->icon = icon;
  LocalUnlock(nameBlock);
  // Still locked: somebody else holds the name, and the walk must not go on
  // as if it were at rest.
  return (LocalFlags(nameBlock) & LMEM_LOCKCOUNT) == 0;
}

void PlaceButtonAt(ButtonRecord* record, int left) {
  const int cxIcon = barMetric(SM_CXICON);
  const int cyIcon = barMetric(SM_CYICON);
  record->left = left;
  record->top = iconTop;
  record->right = left + cxIcon < barSettings.barLength ? left + cxIcon : barSettings.barLength;
  record->bottom =
      iconTop + cyIcon < barSettings.barHeight ? iconTop + cyIcon : barSettings.barHeight;
}

void ComputeBarLayout() {
  const IconBarSettings& s = barSettings;
  const int cxIcon = barMetric(SM_CXICON);
  const int cyIcon = barMetric(SM_CYICON);
  barFrameWidth = s.barFramed ? 2 * barMetric(SM_CXFRAME) : 0;
  barFrameHeight = s.barFramed ? 2 * barMetric(SM_CYFRAME) : 0;
  iconFrameWidth = s.iconsFramed ? 6 * barMetric(SM_CXBORDER) : 0;
  iconFrameHeight = s.iconsFramed ? 6 * barMetric(SM_CYBORDER) : 0;
  switch (s.iconVerticalPosition) {
    case 1:
      iconTop = (s.barHeight - cyIcon - iconFrameHeight - barFrameHeight) / 2 + iconFrameHeight / 2;
      if (((GetVersion() >> 8) & 0xFF) == 95) iconTop += 1;
      break;
    case 2:
      iconTop = s.iconsFramed ? 3 * barMetric(SM_CYBORDER) : 0;
      break;
    case 4:
      iconTop = s.barHeight - cyIcon - iconFrameHeight / 2 - barFrameHeight;
      break;
    default:
      break;  // the reading of the settings allows only the three positions
  }
  firstIconLeft = 3 * barMetric(SM_CXBORDER);
  iconSpacing = s.iconsSquishedLeft ? iconFrameWidth : cxIcon / 8 + iconFrameWidth;
  shownButtons = -1;
  chevronLeft = -1;
  if (s.buttonCount > 1) {
    // Over what File Manager's window shows of the bar, not the whole bar.
    const int length = VisibleBarLength();
    const int free = length - (barFrameWidth + s.buttonCount * (iconFrameWidth + cxIcon));
    // Overlapping buttons would hide each other: those that do not fit go
    // behind the chevron instead.
    if (free < 0) {
      PlanChevron(length);
      return;
    }
    const int gap = free / (s.buttonCount - 1);
    if (!s.iconsSquishedLeft) {
      iconSpacing = iconFrameWidth + gap;
      firstIconLeft += (free - (s.buttonCount - 1) * gap) / 2;
    }
  }
}

void LayOutButtons() {
  ComputeBarLayout();
  layingOutFirst = true;
  previousRight = 0;
  placedCount = 0;
  ForEachButton(PlaceButton);
  NotifyButtonsChanged();
}

void PaintBar() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(extState.barWindow, &paint);
  if (!dc) {
    ReportFailure(IDS_TAG_QXPAINT, IDS_OP_BEGINPAINT, 5);
    return;
  }
  if (listReady) {
    listReady = 0;
    paintDc = dc;
    paintUpdate = paint.rcPaint;
    ForEachButton(PaintButton);
    DrawBarFocus(dc);
    paintDc = nullptr;
    PaintChevron(dc);
    listReady = 1;
  }
  EndPaint(extState.barWindow, &paint);
  if (extState.firstPaintBarRect.right == 0)
    GetWindowRect(extState.barWindow, &extState.firstPaintBarRect);
}

void DrawIconFrame(HDC dc, const RECT* rect, int extraPixel) {
  RECT ring = {rect->left - 3, rect->top - 3, rect->right + 2, rect->bottom + 2};
  if (extraPixel) {
    ring.right += 1;
    ring.bottom += 1;
  }
  const int stock[] = {BLACK_BRUSH, GRAY_BRUSH, WHITE_BRUSH};
  for (int brush : stock) {
    FrameRect(dc, &ring, static_cast<HBRUSH>(GetStockObject(brush)));
    InflateRect(&ring, -1, -1);
  }
}

void InvertButton(ButtonRecord* record) {
  HDC dc = GetDC(extState.barWindow);
  if (!dc) {
    ReportFailure(IDS_TAG_QXREVICO, IDS_OP_GETDC, 1);
    return;
  }
  const RECT square = {record->left, record->top, record->right, record->bottom};
  InvertRect(dc, &square);
  ReleaseDC(extState.barWindow, dc);
  ValidateRect(extState.barWindow, &square);
}
