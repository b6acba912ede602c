// The Choose Icon dialog (template 181, run by ChooseIconDialogProc, declared
// with the button dialog): the routines behind it.
#pragma once
#include <windows.h>

// The most icons the dialog extracts from one file.
constexpr int kIconTableSize = 130;

// Extracts the icons of buttonDialog.chosenIconFile into the dialog's table
// and offers them from the first one on.
void LoadIconsOfFile(HWND dialog);

// Draws the strip of icons, from buttonDialog.chosenIconIndex on, into the
// icon area; the first one highlighted.
void PaintIconStrip(HWND dialog);

// Destroys the first `count` icons of `table` and clears their entries.
void DestroyIcons(HICON* table, int count);
