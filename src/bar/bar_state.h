// Run-time state of the icon bar that outlives a single message.
#pragma once
#include <windows.h>

#include "bar/buttons.h"

// Set while nothing walks or changes the button list: the paint and the popup
// timer may walk it only then.
extern int listReady;

// Handle of the last record of the button list (null for an empty list), so
// that new buttons are appended without a walk.
extern HLOCAL lastButton;

// Layout values, in bar client coordinates: where the first button starts,
// the gap between buttons and the top of every button.
extern int firstIconLeft;
extern int iconSpacing;
extern int iconTop;
// Room taken by the bar window's own sizing border and by the button frames.
extern int barFrameWidth;
extern int barFrameHeight;
extern int iconFrameWidth;
extern int iconFrameHeight;
// Set by the Bar Options dialog while "Frame Icons" changed: the layout then
// copies the setting into every button.
extern int iconFrameChanged;

// Mouse state of the bar window.
extern ButtonRecord* hitButton;          // locked while set: the hit test's lock
extern HLOCAL currentButton;             // the button run or chosen in the button menu
extern ButtonRecord* buttonBeforePoint;  // the record before the hit one, or null
extern ButtonRecord* editedButton;       // locked: the record the button dialog changes
extern POINT mousePoint;                 // last mouse position, bar client coordinates
extern int popupSuppressed;
extern int clickReleased;
extern int sizingPending;
extern UINT lastMessage;
extern UINT previousMessage;
extern HCURSOR savedCursor;

// Moving a button along the bar.
extern int moveMode;
extern ButtonRecord* movingButton;  // locked, out of the list while the move lasts

// Back to the initial values a repeated load starts from; the mouse and message
// tracking (mousePoint, clickReleased, sizingPending, lastMessage,
// previousMessage) keeps its values.
void ResetBarRunState();
