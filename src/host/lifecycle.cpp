#include "host/lifecycle.h"

#include "host/exports.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"
#include "settings/settings.h"

namespace {

bool LoadText(UINT id, char* buffer, int size) {
  return LoadStringA(extState.instance, id, buffer, size) > 0;
}

}  // namespace

HMENU RunLoadSequence(HWND window, FMS_LOADA* load) {
  (void)window;
  if (extState.frameWindow) {
    CleanUpExtension();
    FreeLibrary(extState.instance);
    ResetExtensionState();
    ResetBarSettings();
  }
  char text[kTextBufferSize];
  if (!LoadText(IDS_POPUP_CLASS, extState.popupClassName, sizeof extState.popupClassName) ||
      !LoadText(IDS_BAR_CLASS, extState.barClassName, sizeof extState.barClassName) ||
      !LoadText(IDS_FILE_SEPARATOR, extState.fileSeparator, sizeof extState.fileSeparator)) {
    ReportFailure(IDS_TAG_QXINIT, IDS_OP_LOADSTRING, 1);
    return nullptr;
  }
  if (!LoadText(IDS_FRAME_CLASS, text, sizeof text)) {
    ReportFailure(IDS_TAG_QXINIT, IDS_OP_LOADSTRING, 2);
    return nullptr;
  }
  extState.frameWindow = FindWindowA(text, nullptr);
  if (!extState.frameWindow) {
    ReportFailure(IDS_TAG_QXINIT, IDS_OP_FINDWINDOW, 201);
    return nullptr;
  }
  // The reading reports its own failures; without its key names the load ends.
  if (!ReadBarSettings()) return nullptr;
  extState.extensionMenu = LoadMenuA(extState.instance, MAKEINTRESOURCEA(IDM_EXTENSION_MENU));
  if (!extState.extensionMenu) {
    ReportFailure(IDS_TAG_QXINIT, IDS_OP_LOADMENU, 14);
    return nullptr;
  }
  load->hMenu = extState.extensionMenu;
  extState.menuDelta = WORD(load->wMenuDelta & 0xFFFF);
  load->dwSize = kFmsLoadSize;
  if (!LoadText(IDS_MENU_NAME, text, sizeof text)) {
    ReportFailure(IDS_TAG_QXINIT, IDS_OP_LOADSTRING, 15);
    return nullptr;
  }
  lstrcpynA(load->szMenuName, text, sizeof load->szMenuName);
  return extState.extensionMenu;
}

void UnloadExtension(HWND window) {
  WinHelpA(window, nullptr, HELP_QUIT, 0);
  CleanUpExtension();
}

void CleanUpExtension() {
  if (extState.barWindow) DestroyWindow(extState.barWindow);
  UnregisterClassA(extState.barClassName, extState.instance);
  UnregisterClassA(extState.popupClassName, extState.instance);
  if (extState.fileManagerInstance) UnregisterClassA("#32770", extState.fileManagerInstance);
  if (extState.mdiClientWindow)
    SetWindowLongPtrA(extState.mdiClientWindow, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(extState.savedMdiClientProc));
}
