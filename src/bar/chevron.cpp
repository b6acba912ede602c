#include "bar/chevron.h"

#include <string>
#include <vector>

#include "bar/bar_layout.h"
#include "bar/bar_state.h"
#include "bar/run_button.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/string_ids.h"
#include "settings/popup.h"
#include "settings/settings.h"

int hostClientWidth = 0;
int shownButtons = -1;
int chevronLeft = -1;

namespace {

// The chevron is half an icon wide and as high as the buttons.
int ChevronWidth() { return barMetric(SM_CXICON) / 2; }

RECT ChevronRect() {
  return {chevronLeft, iconTop, chevronLeft + ChevronWidth(), iconTop + barMetric(SM_CYICON)};
}

// One walk over the list for the menu: the buttons from `first` on become its
// items (command = list index + 1); the menu owns no picture, the walk's
// caller deletes them once the menu is gone.
struct MenuWalk {
  HMENU menu = nullptr;
  int index = 0;
  std::vector<HBITMAP> pictures;
};
MenuWalk* menuWalk = nullptr;

// The list index of the chosen button, and the record found there, left
// locked by the walk.
int chosenIndex = -1;
int walkIndex = 0;
ButtonRecord* chosenRecord = nullptr;

// The button's icon at the menu's picture size, on the menu's colour.
HBITMAP MenuPicture(HICON icon) {
  const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
  HDC screen = GetDC(nullptr);
  if (!screen) return nullptr;
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP picture = dc ? CreateCompatibleBitmap(screen, cx, cy) : nullptr;
  if (picture) {
    HGDIOBJ previous = SelectObject(dc, picture);
    const RECT all = {0, 0, cx, cy};
    FillRect(dc, &all, GetSysColorBrush(COLOR_MENU));
    DrawIconEx(dc, 0, 0, icon, cx, cy, 0, nullptr, DI_NORMAL);
    SelectObject(dc, previous);
  }
  if (dc) DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return picture;
}

// The description, or the program or menu text when there is none; an
// ampersand shows as itself.
std::string MenuText(const ButtonRecord* record) {
  std::string text;
  for (HLOCAL block : {record->description.handle, record->programName.handle}) {
    if (!block) continue;
    if (const auto* locked = static_cast<const char*>(LocalLock(block))) {
      text = locked;
      LocalUnlock(block);
    }
    if (!text.empty()) break;
  }
  std::string shown;
  for (char c : text) shown += (c == '&') ? std::string("&&") : std::string(1, c);
  return shown;
}

UINT AddMenuItem(ButtonRecord* record) {
  MenuWalk& walk = *menuWalk;
  const int index = walk.index++;
  if (index < shownButtons) return WALK_GO_ON;
  if (!AppendMenuA(walk.menu, MF_STRING, UINT_PTR(index) + 1, MenuText(record).c_str())) {
    ReportFailure(IDS_TAG_QXCHEVRN, IDS_OP_APPENDMENU, 2);
    return WALK_STOP | WALK_GO_ON;
  }
  if (!LoadButtonIcon(record)) return WALK_STOP | WALK_GO_ON;
  if (!record->icon) return WALK_GO_ON;  // an icon that cannot be found: text alone
  HBITMAP picture = MenuPicture(record->icon);
  if (!picture) {
    ReportFailure(IDS_TAG_QXCHEVRN, IDS_OP_CREATECOMPATIBLEBITMAP, 3);
    return WALK_GO_ON;
  }
  walk.pictures.push_back(picture);
  MENUITEMINFOA item = {};
  item.cbSize = sizeof item;
  item.fMask = MIIM_BITMAP;
  item.hbmpItem = picture;
  SetMenuItemInfoA(walk.menu, UINT(index) + 1, FALSE, &item);
  return WALK_GO_ON;
}

UINT FindChosen(ButtonRecord* record) {
  if (walkIndex++ != chosenIndex) return WALK_GO_ON;
  chosenRecord = record;  // keeps the walk's lock, as the hit test does
  return WALK_STOP;
}

// The chosen button runs as a click on it runs: the same rules for the
// selection, the same messages.
void RunChosen(int index) {
  listReady = 0;
  chosenIndex = index;
  walkIndex = 0;
  chosenRecord = nullptr;
  ForEachButton(FindChosen);
  if (ButtonRecord* record = chosenRecord) {
    chosenRecord = nullptr;
    currentButton = LocalHandle(record);
    if (currentButton) {
      RunButtonRecord(record);
      LocalUnlock(currentButton);
    } else {
      ReportFailure(IDS_TAG_QXCHEVRN, IDS_OP_LOCALHANDLE, 5);
    }
    currentButton = nullptr;
  }
  listReady = 1;
}

}  // namespace

int VisibleBarLength() {
  const int length = barSettings.barLength;
  return (hostClientWidth > 0 && hostClientWidth < length) ? hostClientWidth : length;
}

void PlanChevron(int length) {
  iconSpacing = iconFrameWidth;
  firstIconLeft = 3 * barMetric(SM_CXBORDER);
  const int left = length - barFrameWidth - ChevronWidth();
  // Each button with the frame's room on its right before the chevron.
  const int room = left - firstIconLeft - iconFrameWidth / 2 + iconSpacing;
  const int fitting = room > 0 ? room / (barMetric(SM_CXICON) + iconSpacing) : 0;
  if (fitting >= barSettings.buttonCount) return;  // all fit side by side
  shownButtons = fitting;
  chevronLeft = left > 0 ? left : 0;
}

void FollowFileManagerWidth(int width) {
  if (width == hostClientWidth) return;
  const int before = VisibleBarLength();
  hostClientWidth = width;
  if (VisibleBarLength() == before) return;
  LayOutButtons();
  InvalidateRect(extState.barWindow, nullptr, TRUE);
}

bool ChevronAt(POINT point) {
  if (chevronLeft < 0) return false;
  const RECT box = ChevronRect();
  return PtInRect(&box, point) != FALSE;
}

void PaintChevron(HDC dc) {
  if (chevronLeft < 0) return;
  RECT box = ChevronRect();
  DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONPUSH);
  const int mode = SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, L"\u00BB", 1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SetBkMode(dc, mode);
}

void ShowChevronMenu(HWND bar) {
  TearDownPopup();
  MenuWalk walk;
  walk.menu = CreatePopupMenu();
  if (!walk.menu) {
    ReportFailure(IDS_TAG_QXCHEVRN, IDS_OP_CREATEPOPUPMENU, 1);
    return;
  }
  menuWalk = &walk;
  listReady = 0;
  ForEachButton(AddMenuItem);
  listReady = 1;
  menuWalk = nullptr;
  const RECT box = ChevronRect();
  POINT corner = {box.right, box.bottom};
  ClientToScreen(bar, &corner);
  const int chosen = int(TrackPopupMenu(walk.menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_RIGHTALIGN,
                                        corner.x, corner.y, 0, bar, nullptr));
  if (!DestroyMenu(walk.menu)) ReportFailure(IDS_TAG_QXCHEVRN, IDS_OP_DESTROYMENU, 4);
  for (HBITMAP picture : walk.pictures) DeleteObject(picture);
  if (chosen > 0) RunChosen(chosen - 1);
}
