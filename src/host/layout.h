// Fitting File Manager's windows around the bar.
#pragma once
#include <windows.h>

#include "host/report.h"

// The class name the tree re-layout compares against ("WFS_Tree").
extern char treeClassText[kTextBufferSize];

// Enumeration callback: fits one File Manager tree window into the MDI client.
BOOL CALLBACK RelayoutTreeWindow(HWND window, LPARAM data);

// Asks File Manager to place its windows again now (as after a change of its
// window's size), so that the MDI client makes room for the bar's new height.
void PlaceFileManagerWindows();
