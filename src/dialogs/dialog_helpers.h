// Helpers shared by every dialog of the extension.
#pragma once
#include <windows.h>

// Runs the colour chooser owned by `owner`: the chosen RGB colour, or -1 when
// the user cancelled or the chooser failed. Black (0) is a colour like any other.
LONG PickColor(HWND owner);

// Makes control `controlId` the dialog's default push button and moves the
// mouse pointer to its centre; with `controlId` 0 the pointer goes to the
// centre of `window` and the default button stays as it is.
void PointAtControl(HWND dialog, int controlId, HWND window);

// Runs the common Open dialog for an existing file in an existing folder,
// owned by `owner`. `filter` is a string-table filter whose last character
// separates its parts (it is split in place); `file` (260 characters) offers
// the initial name and receives the chosen path. False when the user cancelled
// or the dialog failed.
bool AskForExistingFile(HWND owner, char* filter, char* file, const char* directory,
                        const char* title);

// Size of CHOOSECOLOR as the chooser expects it: 36 bytes in the 32-bit build.
constexpr DWORD kChooseColorSize = sizeof(CHOOSECOLORA);
