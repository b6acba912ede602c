// Buttons beyond the visible end of the bar: File Manager's window may be
// narrower than the bar, or the bar too short for all its buttons. Those that
// do not fit are reached through the chevron (») at the right end of what
// shows of the bar, which lists them in a menu.
#pragma once
#include <windows.h>

// The width of File Manager's client area as its last placement of the MDI
// client gave it; 0 while not known (the bar's length alone counts then).
extern int hostClientWidth;
// How many buttons stand on the bar before the chevron; -1 when all of them
// do (there is no chevron then).
extern int shownButtons;
// The chevron's left edge in bar client coordinates; -1 when there is none.
extern int chevronLeft;

// The length the buttons are laid out over: the smaller of the bar's length
// and File Manager's client width.
int VisibleBarLength();
// The layout for buttons that do not fit side by side in `length`: as many as
// fit before the chevron, with the frames' room between them.
void PlanChevron(int length);
// Takes File Manager's new client width; lays the buttons out again and
// repaints the bar when the visible length changed.
void FollowFileManagerWidth(int width);
// Whether the point (bar client coordinates) lies on the chevron.
bool ChevronAt(POINT point);
// Draws the chevron; part of the bar's paint.
void PaintChevron(HDC dc);
// Opens the menu of the buttons beyond the chevron under it; the one chosen
// is run as a click on it would run it.
void ShowChevronMenu(HWND bar);
