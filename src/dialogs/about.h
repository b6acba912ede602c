// The About box (template 176): the extension's name and version.
#pragma once
#include <windows.h>

// The read-only field that shows the version.
constexpr int IDC_ABOUT_VERSION = 1079;

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
