// The list of File Manager's menu commands that menu buttons are made from.
#pragma once
#include <windows.h>

// Adds File Manager's menu items (cleaned texts, command IDs) to `list`.
void FillMenuList(HWND list);
// Adds the items of the pull-down menu at `position` of `menu` to `list`.
void AddMenuItems(HMENU menu, int position, HWND list);
// The command ID listed for `text`, or -1.
int FindMenuCommand(HWND list, const char* text);
// Sets menuCommand of every menu button from its menu text (-1 = not found).
void ResolveMenuCommands();
