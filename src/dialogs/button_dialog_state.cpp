#include "dialogs/button_dialog.h"

ButtonDialogState buttonDialog;
char lastBrowseDirectory[kTextBufferSize];
