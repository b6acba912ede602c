// The description popup shown when the mouse rests on a button.
#pragma once
#include <windows.h>

extern HBRUSH popupBrush;
extern HFONT popupFontHandle;
extern int popupTimerPending;  // timer 1 of the bar window is running
extern int popupBuilding;      // PopupTimerProc is running

// The timer routine of timer 1: builds and shows the popup.
void CALLBACK PopupTimerProc(HWND window, UINT message, UINT_PTR timerId, DWORD time);
// Starts the wait for the popup of the button with the keyboard's focus
// rectangle, as a resting mouse starts it for the button under it.
void ShowKeyboardPopup();
// Stops a pending timer and destroys the popup with its brush and font.
void TearDownPopup();
// The popup class's window procedure: default processing only.
LRESULT CALLBACK PopupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Back to no timer, no popup state (a repeated load).
void ResetPopupState();
