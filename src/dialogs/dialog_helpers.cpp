#include "dialogs/dialog_helpers.h"

#include <commdlg.h>

#ifndef _WIN64
static_assert(sizeof(CHOOSECOLORA) == 36,
              "the colour chooser's block is 36 bytes on 32-bit Windows");
#endif

LONG PickColor(HWND owner) {
  // A fresh block every time: the chooser opens on black with sixteen white
  // custom colours, whatever was chosen before.
  COLORREF customColors[16];
  for (COLORREF& color : customColors) color = RGB(255, 255, 255);
  CHOOSECOLORA block = {};
  block.lStructSize = kChooseColorSize;
  block.hwndOwner = owner;
  block.rgbResult = RGB(0, 0, 0);
  block.lpCustColors = customColors;
  block.Flags = CC_FULLOPEN;
  if (!ChooseColorA(&block)) return -1;
  return LONG(block.rgbResult);
}

void PointAtControl(HWND dialog, int controlId, HWND window) {
  HWND target = window;
  if (controlId != 0) {
    SendMessageA(dialog, DM_SETDEFID, WPARAM(controlId), 0);
    target = GetDlgItem(dialog, controlId);
  }
  RECT rect;
  if (target == nullptr || !GetWindowRect(target, &rect)) return;
  SetCursorPos(rect.left + (rect.right - rect.left) / 2, rect.top + (rect.bottom - rect.top) / 2);
}
