// Help: the user guide, an HTML file beside the DLL, opened in the default
// browser at the section a dialog asks for.
#pragma once
#include <windows.h>

// The help contexts: the contents, and the sections of the dialogs.
enum : int {
  HELP_GUIDE_CONTENTS = 0,
  HELP_BUTTON_DIALOG = 2,
  HELP_BAR_OPTIONS = 3,
  HELP_POPUP_OPTIONS = 4,
  HELP_CHOOSE_ICON = 9,
};

// Opens the guide at `context`, owned by `owner`. A text that cannot be
// loaded is reported under `tag` at `step`; a missing guide is said, with the
// place it was looked for.
void ShowHelp(HWND owner, int context, UINT tag, int step);
