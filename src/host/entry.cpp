#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "dialogs/about.h"
#include "host/exports.h"
#include "host/help.h"
#include "host/layout.h"
#include "host/lifecycle.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"
#include "bar/bar_keys.h"
#include "bar/bar_state.h"
#include "dialogs/button_dialog.h"
#include "settings/bar_options.h"
#include "settings/popup_options.h"
#include "settings/settings.h"
#include "host/guard.h"

namespace {

// Extension menu positions switched with the bar: every item but the switch.
constexpr UINT kSwitchedPositions[] = {0, 2, 4, 6, 8, 10, 12, 14, 18};
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
  if (!to.barOn) EndBarKeys();
  // A bar that is off lies under File Manager's windows: nothing to drop on.
  DragAcceptFiles(extState.barWindow, to.barOn != 0);
  extState.saveState = SAVE_AT_UNLOAD;
  SendMessageA(extState.frameWindow, FM_REFRESH_WINDOWS, 1, 0);
}

void RelayoutTreeWindows(HWND window) {
  if (LoadStringA(extState.instance, IDS_TREE_CLASS, treeClassText, kTextBufferSize) == 0) {
    ReportFailure(IDS_TAG_QXFILMAN, IDS_OP_LOADSTRING, 6);
    return;
  }
  EnumChildWindows(window, RelayoutTreeWindow, 0);
}

// Runs one of the extension's modal dialogs owned by `window`; its result, or
// -1 when it could not be run (reported).
INT_PTR RunDialog(HWND window, int templateId, DLGPROC procedure, int editingMenuButton, int step) {
  extState.editingMenuButton = editingMenuButton;
  const INT_PTR result =
      DialogBoxParamA(extState.instance, MAKEINTRESOURCEA(templateId), window, procedure, 0);
  if (result == -1) ReportFailure(IDS_TAG_QXFILMAN, IDS_OP_DIALOGBOX, step);
  return result;
}

// A dialog that changes the bar repaints it after OK.
void RunBarDialog(HWND window, int templateId, DLGPROC procedure, int editingMenuButton, int step) {
  if (RunDialog(window, templateId, procedure, editingMenuButton, step) == 1)
    InvalidateRect(extState.barWindow, nullptr, TRUE);
}

void RunButtonDialog(HWND window, int templateId, int editingMenuButton) {
  RunBarDialog(window, templateId, ButtonDialogProc, editingMenuButton, 7 + editingMenuButton);
  // Change Button locked the record before the dialog ran: whichever way the
  // dialog ended (or did not run), the record must come to rest again.
  if (editedButton) ReleaseEditedButton();
}

}  // namespace

static LRESULT FMExtensionProcBody(HWND window, WORD event, LPARAM parameter);

LRESULT WINAPI FMExtensionProc(HWND window, WORD event, LPARAM parameter) {
  return Guarded(IDS_TAG_QXFILMAN, LRESULT(0),
                 [&] { return FMExtensionProcBody(window, event, parameter); });
}

static LRESULT FMExtensionProcBody(HWND window, WORD event, LPARAM parameter) {
  switch (event) {
    case FMEVENT_LOAD:
      // A refused load must leave nothing of ours behind: File Manager frees
      // the library at once.
      if (!RunLoadSequence(window, reinterpret_cast<FMS_LOADA*>(parameter))) {
        AbandonLoad();
        return 0;
      }
      PostMessageA(extState.frameWindow, FM_REFRESH_WINDOWS, 1, 0);
      // Before File Manager has told the delta, command 39 would be one of
      // its own commands.
      if (extState.barOn == 0 && extState.menuDeltaKnown)
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
      // After a failed save the changes are still due at unload.
      if (SaveSettings()) extState.saveState = SAVE_NOTHING;
      return 0;
    case CMD_HELP:
      ShowHelp(window, HELP_GUIDE_CONTENTS, IDS_TAG_QXFILMAN, 5);
      return 0;
    case CMD_REFRESH_ICONS:
      InvalidateRect(extState.barWindow, nullptr, TRUE);
      return 0;
    case CMD_PROGRAM_BUTTON:
      RunButtonDialog(window, IDD_PROGRAM_BUTTON, 0);
      return 0;
    case CMD_MENU_BUTTON:
      RunButtonDialog(window, IDD_MENU_BUTTON, 1);
      return 0;
    case CMD_BAR_OPTIONS:
      RunBarDialog(window, IDD_BAR_OPTIONS, BarOptionsDialogProc, 0, 9);
      return 0;
    case CMD_RELAYOUT_TREES:
      RelayoutTreeWindows(window);
      return 0;
    case CMD_POPUP_OPTIONS:
      RunBarDialog(window, IDD_POPUP_OPTIONS, PopupOptionsDialogProc, 0, 10);
      return 0;
    case CMD_BAR_KEYS:
      StartBarKeys();
      return 0;
    case CMD_ABOUT:
      RunDialog(window, IDD_ABOUT, AboutDialogProc, extState.editingMenuButton, 11);
      return 0;
    default:
      // Everything else (File Manager's other events and the IDs without a
      // command) is accepted and ignored.
      return 0;
  }
}
