#include "dialogs/dialog_helpers.h"

#include <commdlg.h>

#include <cstddef>
#include <cstring>

namespace {

// Size of OPENFILENAME as the Open dialog expects it: the classic 76-byte
// block in the 32-bit build.
#ifdef _WIN64
constexpr DWORD kOpenFileNameSize = sizeof(OPENFILENAMEA);
#else
constexpr DWORD kOpenFileNameSize = 76;
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == kOpenFileNameSize,
              "the classic Open dialog block is 76 bytes on 32-bit Windows");
#endif
constexpr DWORD kBrowseFlags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
static_assert(kBrowseFlags == 0x1804, "Browse asks for an existing file in an existing path");

}  // namespace

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

bool AskForExistingFile(HWND owner, char* filter, char* file, const char* directory,
                        const char* title) {
  // The filter ends with its separator; made NULs, they end the pairs and the list.
  const size_t length = strlen(filter);
  const char separator = length ? filter[length - 1] : '\0';
  for (char* c = filter; *c; ++c)
    if (*c == separator) *c = '\0';
  char fileTitle[260] = "";
  OPENFILENAMEA open = {};
  open.lStructSize = kOpenFileNameSize;
  open.hwndOwner = owner;
  open.lpstrFilter = filter;
  open.nFilterIndex = 1;
  open.lpstrFile = file;
  open.nMaxFile = 260;
  open.lpstrFileTitle = fileTitle;
  open.nMaxFileTitle = sizeof fileTitle;
  open.lpstrInitialDir = directory && directory[0] ? directory : nullptr;
  open.lpstrTitle = title;
  open.Flags = kBrowseFlags;
  return GetOpenFileNameA(&open) != 0;
}
