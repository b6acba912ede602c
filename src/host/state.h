// Program-wide host state of the extension.
#pragma once
#include <windows.h>

struct ExtensionState {
  HINSTANCE instance;             // the library's own module
  HINSTANCE fileManagerInstance;  // File Manager's module, from its frame's class
  HWND frameWindow;
  HWND mdiClientWindow;
  HWND barWindow;
  HWND popupWindow;
  HMENU extensionMenu;
  WORD menuDelta;
  int menuDeltaKnown;  // File Manager has told the delta: our commands can be posted
  WNDPROC savedMdiClientProc;
  WNDPROC savedDialogProc;
  HBRUSH barBrush;
  int barOn;
  int saveState;  // SAVE_NOTHING, SAVE_AT_UNLOAD or SAVE_NEVER
  int deleteWarning;
  int editingMenuButton;
  RECT firstPaintBarRect;
  char barClassName[60];
  char popupClassName[60];
  char fileSeparator[5];
};

enum : int { SAVE_NOTHING = 0, SAVE_AT_UNLOAD = 1, SAVE_NEVER = 2 };

extern ExtensionState extState;

// Puts every field back to its initial value except `instance` and
// `firstPaintBarRect`, as a repeated load needs.
void ResetExtensionState();
