// Carrying out a clicked button.
#pragma once
#include <windows.h>

// Ends the pressed state of hitButton and runs it; afterwards hitButton is
// null and currentButton holds the record's handle (still locked once).
void RunButton();
// Appends the selected item `index` to the command line; 1 when appended.
int AppendSelectedFile(int index);
