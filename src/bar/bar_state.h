// Run-time state of the icon bar that outlives a single message.
#pragma once
#include <windows.h>

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
