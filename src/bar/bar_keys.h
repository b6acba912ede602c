// The keyboard on the bar: "Icon Bar Keys" of the extension menu puts it on
// the first button; it then walks the buttons, runs them, opens their menus
// and gives the keyboard back to File Manager with Escape.
#pragma once
#include <windows.h>

// Sent on to the bar in place of the keys File Manager's accelerators would
// take (Enter, Space, Escape), with the key in wParam.
constexpr UINT kBarKeyMessage = WM_USER + 0x52;

// Appends a separator and "Icon Bar Keys" to the extension menu (reported
// when it cannot).
void AddBarKeysItem(HMENU menu);
// The menu command: the keyboard goes to the bar, on its first button.
void StartBarKeys();
// The keyboard leaves the bar for good (Escape, Bar Off, unload, no buttons
// left): the focus rectangle and the message hook go.
void EndBarKeys();
// After the list changed: the focus stays on a button that exists.
void KeepKeysInList();
// The 1-based button with the keyboard's focus rectangle; 0 while the bar
// does not have the keyboard.
long FocusedButton();

// The bar window's keyboard messages; each answers whether it handled the
// message.
bool OnBarKey(WPARAM key);
bool OnBarContextMenu(HWND window, LPARAM lParam);
void OnBarFocus();
void OnBarFocusLost(HWND to);
// Draws the focus rectangle from the bar's paint.
void DrawBarFocus(HDC dc);
// Runs 1-based button `child` as a click does (selection, checks and
// messages); nothing while the bar is busy, off or under a modal dialog.
void RunButtonAsClicked(long child);
