#include "host/state.h"

ExtensionState extState = {nullptr, nullptr, nullptr,      nullptr, nullptr, nullptr, nullptr,
                           0,       0,       nullptr,      nullptr, nullptr, 1,       SAVE_NOTHING,
                           1,       0,       {0, 0, 0, 0}, "",      "",      " "};

void ResetExtensionState() {
  HINSTANCE keptInstance = extState.instance;
  RECT keptRect = extState.firstPaintBarRect;
  extState = ExtensionState{};
  extState.instance = keptInstance;
  extState.firstPaintBarRect = keptRect;
  extState.barOn = 1;
  extState.deleteWarning = 1;
  extState.saveState = SAVE_NOTHING;
  lstrcpynA(extState.fileSeparator, " ", sizeof extState.fileSeparator);
}
