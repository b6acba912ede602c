// The bar as screen readers see it: an accessible tool bar whose children are
// the buttons in bar order (child 1 is the first button).
#pragma once
#include <windows.h>

// Posted to the bar by a screen reader's default action, with the child in
// wParam: the button runs from the bar's own message, never inside the
// reader's call.
constexpr UINT kRunChildMessage = WM_USER + 0x51;

// What the bar knows of one button for the readers and the keyboard.
struct ButtonPlace {
  HLOCAL handle;
  RECT rect;  // bar client coordinates, as painted
};

// How many buttons the list holds.
long CountButtons();
// The button at 1-based `child`; false when there is none.
bool FindButton(long child, ButtonPlace* place);
// The 1-based child under a point in bar client coordinates, with the hit
// test's strict comparisons; 0 for none.
long ButtonAtPoint(POINT point);

// Answers WM_GETOBJECT for the client area with the bar's accessible object;
// false when the request is not ours (the caller passes it on).
bool AnswerGetObject(WPARAM wParam, LPARAM lParam, LRESULT* result);
// Tells the readers that the buttons were added, deleted, moved or laid out
// anew.
void NotifyButtonsChanged();
// Cuts every reader off the object before the bar and the library go: their
// later calls get a failure code.
void DisconnectBarAccess();
