// The older name of the dialog script.
#pragma once
#include "support/dialog_script.h"

using ModalScript = DialogScript;
