// The bar window's mouse handling shared with the popup and the run.
#pragma once
#include <windows.h>

#include "bar/buttons.h"

// Finds the button under mousePoint: sets hitButton (locked) and
// buttonBeforePoint, clears listReady. Nonzero on a hit.
int HitTest();
// The ForEachButton callback of the hit test (strict comparisons), also used
// by the popup timer.
UINT HitTestCallback(ButtonRecord* record);
// Shows the button menu at mousePoint for hitButton (locked) and leaves the
// record's handle in currentButton for the menu's command.
void ShowButtonMenu(HWND window);
