#include <cstring>

#include "dialogs/about.h"
#include "host/exports.h"
#include "host/layout.h"
#include "host/lifecycle.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"
#include "settings/popup_options.h"
#include "settings/settings.h"

namespace {

// Extension menu positions switched with the bar: every item but the switch.
constexpr UINT kSwitchedPositions[] = {0, 2, 4, 6, 8, 10, 12, 14};
constexpr UINT kBarSwitchPosition = 16;

// Bar On and Bar Off differ only in these values.
struct BarSwitch {
  UINT enableFlag;
  UINT textId;
  UINT nextCommand;
  int barOn;
  int loadStep;
  int modifyStep;
};
constexpr BarSwitch kBarOff = {MF_GRAYED, IDS_BAR_ON, CMD_BAR_ON, 0, 1, 2};
constexpr BarSwitch kBarOn = {MF_ENABLED, IDS_BAR_OFF, CMD_BAR_OFF, 1, 3, 4};

void SwitchBar(const BarSwitch& to) {
  for (UINT position : kSwitchedPositions)
    EnableMenuItem(extState.extensionMenu, position, MF_BYPOSITION | to.enableFlag);
  char text[kTextBufferSize];
  if (LoadStringA(extState.instance, to.textId, text, kTextBufferSize) == 0) {
    ReportFailure(IDS_TAG_QXFILMAN, IDS_OP_LOADSTRING, to.loadStep);
    return;
  }
  if (!ModifyMenuA(extState.extensionMenu, kBarSwitchPosition, MF_BYPOSITION | MF_STRING,
                   UINT_PTR(extState.menuDelta) + to.nextCommand, text))
    ReportFailure(IDS_TAG_QXFILMAN, IDS_OP_MODIFYMENU, to.modifyStep);
  extState.barOn = to.barOn;
  extState.saveState = SAVE_AT_UNLOAD;
  SendMessageA(extState.frameWindow, FM_REFRESH_WINDOWS, 1, 0);
}

void ShowHelpContents(HWND window) {
  char helpFile[kTextBufferSize];
  if (LoadStringA(extState.instance, IDS_HELP_FILE, helpFile, kTextBufferSize) == 0) {
    ReportFailure(IDS_TAG_QXFILMAN, IDS_OP_LOADSTRING, 5);
    return;
  }
  WinHelpA(window, helpFile, HELP_CONTENTS, 0);
}

void RelayoutTreeWindows(HWND window) {
  if (LoadStringA(extState.instance, IDS_TREE_CLASS, treeClassText, kTextBufferSize) == 0) {
    ReportFailure(IDS_TAG_QXFILMAN, IDS_OP_LOADSTRING, 6);
    return;
  }
  EnumChildWindows(window, RelayoutTreeWindow, 0);
}

}  // namespace

LRESULT WINAPI FMExtensionProc(HWND window, WORD event, LPARAM parameter) {
  switch (event) {
    case FMEVENT_LOAD:
      RunLoadSequence(window, reinterpret_cast<FMS_LOADA*>(parameter));
      PostMessageA(extState.frameWindow, FM_REFRESH_WINDOWS, 1, 0);
      if (extState.barOn == 0)
        PostMessageA(extState.frameWindow, WM_COMMAND, WPARAM(extState.menuDelta) + CMD_BAR_OFF, 0);
      return 1;
    case FMEVENT_UNLOAD:
      UnloadExtension(window);
      return 0;
    case CMD_BAR_OFF:
      SwitchBar(kBarOff);
      return 0;
    case CMD_BAR_ON:
      SwitchBar(kBarOn);
      return 0;
    case CMD_DONT_SAVE:
      extState.saveState = SAVE_NEVER;
      return 0;
    case CMD_SAVE_NOW:
      SaveSettings();
      extState.saveState = SAVE_NOTHING;
      return 0;
    case CMD_HELP:
      ShowHelpContents(window);
      return 0;
    case CMD_REFRESH_ICONS:
      InvalidateRect(extState.barWindow, nullptr, TRUE);
      return 0;
    case CMD_RELAYOUT_TREES:
      RelayoutTreeWindows(window);
      return 0;
    case CMD_POPUP_OPTIONS: {
      extState.editingMenuButton = 0;
      const INT_PTR result = DialogBoxParamA(extState.instance, MAKEINTRESOURCEA(IDD_POPUP_OPTIONS),
                                             window, PopupOptionsDialogProc, 0);
      if (result == -1)
        ReportFailure(IDS_TAG_QXFILMAN, IDS_OP_DIALOGBOX, 10);
      else if (result == 1)
        InvalidateRect(extState.barWindow, nullptr, TRUE);
      return 0;
    }
    case CMD_ABOUT:
      if (DialogBoxParamA(extState.instance, MAKEINTRESOURCEA(IDD_ABOUT), window, AboutDialogProc,
                          0) == -1)
        ReportFailure(IDS_TAG_QXFILMAN, IDS_OP_DIALOGBOX, 11);
      return 0;
    default:
      // Everything else (File Manager's other events, the IDs without a
      // command, and the dialogs until they exist) is accepted and ignored.
      return 0;
  }
}
