// Load, unload and clean-up of the extension inside File Manager.
#pragma once
#include "host/fm_interface.h"

// Runs the load sequence; returns the extension menu, or null after a failure
// (which has been reported).
HMENU RunLoadSequence(HWND window, FMS_LOADA* load);

// After a failed load: gives back everything the load set, including the
// menu File Manager never received, so that File Manager can free the library.
void AbandonLoad();

// Saves when needed, closes the help window and cleans up.
void UnloadExtension(HWND window);

// The state of every part back as a fresh attach of the library has it
// (the instance and the first paint's bar rectangle are kept).
void ResetAllState();

// Removes everything the extension added to File Manager; tolerates every
// partial state of a failed load and being run twice.
void CleanUpExtension();

// Gives File Manager's module a dialog class of its own so that DlgProc sees
// File Manager's dialogs; failures are reported and leave the load going.
void InstallDeleteBypass();
