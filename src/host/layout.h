// Fitting File Manager's windows around the bar.
#pragma once
#include <windows.h>

#include "host/report.h"

// The class name the tree re-layout compares against ("WFS_Tree").
extern char treeClassText[kTextBufferSize];

// Enumeration callback: fits one File Manager tree window into the MDI client.
BOOL CALLBACK RelayoutTreeWindow(HWND window, LPARAM data);
