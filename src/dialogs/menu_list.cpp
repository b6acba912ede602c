#include "dialogs/menu_list.h"

// Placeholders until the menu list lands.
void FillMenuList(HWND) {}
void AddMenuItems(HMENU, int, HWND) {}
int FindMenuCommand(HWND, const char*) { return -1; }
void ResolveMenuCommands() {}
