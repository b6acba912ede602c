// The library's exported procedures, with pointer-sized parameters so that
// File Manager's 64-bit build passes FMS_LOAD's address whole.
#pragma once
#include <windows.h>

extern "C" {
LRESULT WINAPI FMExtensionProc(HWND window, WORD event, LPARAM parameter);
LRESULT CALLBACK MDIWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ButtonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
}
