#include "bar/bar_state.h"

#include "bar/chevron.h"

#include "bar/move.h"

int listReady = 0;
HLOCAL lastButton = nullptr;
int firstIconLeft = 0;
int iconSpacing = 0;
int iconTop = 0;
int barFrameWidth = 0;
int barFrameHeight = 0;
int iconFrameWidth = 0;
int iconFrameHeight = 0;
int iconFrameChanged = 0;

ButtonRecord* hitButton = nullptr;
HLOCAL currentButton = nullptr;
ButtonRecord* buttonBeforePoint = nullptr;
ButtonRecord* editedButton = nullptr;
POINT mousePoint = {0, 0};
int popupSuppressed = 0;
int clickReleased = 0;
int sizingPending = 0;
UINT lastMessage = 0;
UINT previousMessage = 0;
HCURSOR savedCursor = nullptr;

int moveMode = 0;
ButtonRecord* movingButton = nullptr;

void ResetBarRunState() {
  listReady = 0;
  lastButton = nullptr;
  firstIconLeft = iconSpacing = iconTop = 0;
  barFrameWidth = barFrameHeight = iconFrameWidth = iconFrameHeight = 0;
  iconFrameChanged = 0;
  hitButton = nullptr;
  currentButton = nullptr;
  buttonBeforePoint = nullptr;
  editedButton = nullptr;
  popupSuppressed = 0;
  savedCursor = nullptr;
  moveMode = 0;
  movingButton = nullptr;
  savedLastButton = nullptr;
  moveHintWindow = nullptr;
  hostClientWidth = 0;
  shownButtons = chevronLeft = -1;
}
