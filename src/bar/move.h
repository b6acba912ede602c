// Moving a button along the bar.
#pragma once
#include <windows.h>

// lastButton as it was when the move began, and the hint window under the bar.
extern HLOCAL savedLastButton;
extern HWND moveHintWindow;

// Takes currentButton out of the list and waits for the click that places it.
void StartMove();
// A left click at mousePoint during a move: re-inserts the button there, or
// cancels the move when the click is above or below the icon row.
void PlaceMovedButton();
// Puts the moving button back where it was.
void CancelMove();
// Gives back what a move changed on the screen: capture, hint window, cursor,
// the inverted look.
void EndMoveDisplay();
// The bar lost the mouse to another window (or was told to cancel its modes):
// a move in progress is cancelled.
void MoveLostMouse();
