// Carrying out a clicked button.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include "bar/buttons.h"

// Ends the pressed state of hitButton and runs it; afterwards hitButton is
// null and currentButton holds the record's handle (still locked once).
void RunButton();
// Runs a button chosen without the mouse (the keyboard, a screen reader) with
// the same selection, checks and messages as a click; the caller holds the
// record locked.
void RunButtonRecord(ButtonRecord* record);
// Runs a program button with the files of `drop` in place of File Manager's
// selection, under the same rules; a menu button does nothing.
void RunDroppedFiles(ButtonRecord* record, HDROP drop);
// Appends the file `index` of the run (selected or dropped) to the command
// line; 1 when appended.
int AppendSelectedFile(int index);
