// The button dialog's working state, shared with the Choose Icon dialog, and
// the directory its Browse remembers while the library is loaded.
#include "dialogs/button_dialog.h"

ButtonDialogState buttonDialog;
char lastBrowseDirectory[kTextBufferSize];
