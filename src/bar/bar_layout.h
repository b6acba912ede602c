// Where the buttons stand on the bar, and how the bar is drawn.
#pragma once
#include <windows.h>

#include "bar/buttons.h"

// The system metrics the layout reads (GetSystemMetrics; tests choose others).
extern int (*barMetric)(int index);

// Gives a button its rectangle from its left edge: one icon in size at
// iconTop, cut off at the bar's right and bottom edges.
void PlaceButtonAt(ButtonRecord* record, int left);
// Loads the button's icon the first time it is wanted (null when it cannot be
// found); false when its name could not be had at rest (reported).
bool LoadButtonIcon(ButtonRecord* record);
// Computes the layout values from the settings and the system metrics.
void ComputeBarLayout();
// ComputeBarLayout, then places every button; does not repaint.
void LayOutButtons();
// The bar window's WM_PAINT handling.
void PaintBar();
// Three one-pixel rings around `rect`: black outside, grey, white inside.
void DrawIconFrame(HDC dc, const RECT* rect, int extraPixel);
// Inverts the button's rectangle on the screen; a second call restores it.
void InvertButton(ButtonRecord* record);
