#include "dialogs/button_dialog.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "bar/bar_layout.h"
#include "bar/bar_state.h"
#include "bar/buttons.h"
#include "dialogs/dialog_helpers.h"
#include "dialogs/menu_list.h"
#include "host/help.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "host/guard.h"

namespace {

ButtonDialogState& state = buttonDialog;

bool LoadText(UINT id, char* buffer) {
  return LoadStringA(extState.instance, id, buffer, kTextBufferSize) > 0;
}

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

bool EndsWithString(const char* text, UINT suffixId, bool* loaded) {
  char suffix[kTextBufferSize];
  *loaded = LoadText(suffixId, suffix);
  if (!*loaded) return false;
  const size_t length = strlen(text);
  const size_t suffixLength = strlen(suffix);
  return length >= suffixLength && lstrcmpiA(text + length - suffixLength, suffix) == 0;
}

// Shows string `textId` under the caption "QX IconBar", owned by the dialog.
// The answer, or 0 when the box could not be shown (reported under `tag` at
// `step`, a string that could not be loaded at `step` + 1).
int ShowMessage(HWND dialog, UINT textId, UINT style, UINT tag, int step) {
  char caption[kTextBufferSize];
  char text[kTextBufferSize];
  if (!LoadText(textId, text) || !LoadText(IDS_CAPTION, caption)) {
    ReportFailure(tag, IDS_OP_LOADSTRING, step + 1);
    return 0;
  }
  const int answer = MessageBoxA(dialog, text, caption, style);
  if (answer == 0) ReportFailure(tag, IDS_OP_LOCALALLOC, step);
  return answer;
}

// Repaints the dialog without erasing it, so that the preview follows.
void RepaintPreview(HWND dialog) { InvalidateRect(dialog, nullptr, FALSE); }

bool IsIcon(HICON icon) { return icon && icon != reinterpret_cast<HICON>(1); }

HWND TakeControl(HWND dialog, int id, int step) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) ReportFailure(IDS_TAG_QXNEWPI, IDS_OP_GETDLGITEM, step);
  return control;
}

void OnInitDialog(HWND dialog) {
  state = ButtonDialogState{};
  CheckDlgButton(dialog, IDC_ICON_FRAMED, BST_CHECKED);
  state.previewArea = TakeControl(dialog, IDC_PREVIEW, 1);
  state.requiresFileBox = TakeControl(dialog, IDC_REQUIRES_FILE, 2);
  if (extState.editingMenuButton) {
    state.menuList = TakeControl(dialog, IDC_MENU_LIST, 4);
    if (state.menuList) {
      FillMenuList(state.menuList);
      PointAtControl(dialog, 0, state.menuList);
    }
  } else {
    CheckRadioButton(dialog, IDC_IGNORE_FILES, IDC_PASS_FILES, IDC_PASS_FILES);
    CheckRadioButton(dialog, IDC_NORMAL, IDC_MINIMIZE, IDC_NORMAL);
    state.multipleFilesBox = TakeControl(dialog, IDC_MULTIPLE_FILES, 5);
    for (int id : {IDC_PARAMETERS, IDC_START_FOLDER})
      SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, kTextBufferSize - 1, 0);
    PointAtControl(dialog, IDC_BROWSE, nullptr);
  }
  if (editedButton) InitButtonDialogFromRecord(dialog);
}

// Copies one of the locked record's texts (a handle at rest) into `buffer`;
// false when it cannot be read (reported at `step`).
bool CopyRecordText(HLOCAL block, char* buffer, int step) {
  auto* text = static_cast<const char*>(LocalLock(block));
  if (!text) {
    ReportFailure(IDS_TAG_QXNEWPII, IDS_OP_LOCALLOCK, step);
    return false;
  }
  lstrcpynA(buffer, text, kTextBufferSize);
  LocalUnlock(block);
  return true;
}

void SetCaption(HWND dialog, UINT textId) {
  char caption[kTextBufferSize];
  if (!LoadText(textId, caption)) {
    ReportFailure(IDS_TAG_QXNEWPII, IDS_OP_LOADSTRING, 4);
    return;
  }
  SetWindowTextA(dialog, caption);
}

void OnCommand(HWND dialog, int id, int notification, HWND control);

void ChangeIcon(HWND dialog) {
  lstrcpyA(state.savedIconFile, state.chosenIconFile);
  state.savedIconIndex = state.chosenIconIndex;
  if (DialogBoxParamA(extState.instance, MAKEINTRESOURCEA(IDD_CHOOSE_ICON), dialog,
                      ChooseIconDialogProc, 0) == -1)
    ReportFailure(IDS_TAG_QXNEWPI, IDS_OP_DIALOGBOX, 6);
  if (state.chosenIconFile[0]) {
    state.iconIsResource = 0;
    state.previewHasIcon = 1;
    RepaintPreview(dialog);
    PointAtControl(dialog, IDOK, nullptr);
  } else {
    lstrcpyA(state.chosenIconFile, state.savedIconFile);
    state.chosenIconIndex = state.savedIconIndex;
  }
}

void OnOk(HWND dialog) {
  if (!state.programText[0]) {
    ShowMessage(dialog, extState.editingMenuButton ? IDS_SELECT_MENU_ITEM : IDS_USE_BROWSE, MB_OK,
                IDS_TAG_QXNEWPIN, 1);
    return;
  }
  StoreButtonDialog(dialog);
  WinHelpA(dialog, nullptr, HELP_QUIT, 0);
  EndDialog(dialog, 1);
}

void OnCommand(HWND dialog, int id, int notification, HWND control) {
  const bool chosen = state.programText[0] != '\0';
  switch (id) {
    case IDC_BROWSE:
      state.iconIsResource = 0;
      BrowseForProgram(dialog);
      break;
    case IDC_BROWSE_FOLDER:
      BrowseForStartFolder(dialog);
      break;
    case IDOK:
      OnOk(dialog);
      break;
    case IDCANCEL:
      if (editedButton) ReleaseEditedButton();
      WinHelpA(dialog, nullptr, HELP_QUIT, 0);
      EndDialog(dialog, 0);
      break;
    case IDC_CHANGE_ICON:
      if (chosen) ChangeIcon(dialog);
      break;
    case IDC_HELP_BUTTON:
      ShowHelp(dialog, HELP_BUTTON_DIALOG, IDS_TAG_QXNEWPI, 3);
      break;
    case IDC_ICON_FRAMED:
      if (chosen) RepaintPreview(dialog);
      break;
    case IDC_COLOR:
      if (chosen) {
        const LONG color = PickColor(dialog);
        if (color != -1) {
          state.chosenBackColor = COLORREF(color);
          state.backColorChosen = 1;
          RepaintPreview(dialog);
        }
      }
      break;
    case IDC_IGNORE_FILES:
    case IDC_PASS_FILES:
      EnableWindow(GetDlgItem(dialog, IDC_MULTIPLE_FILES), id == IDC_PASS_FILES);
      EnableWindow(GetDlgItem(dialog, IDC_REQUIRES_FILE), id == IDC_PASS_FILES);
      break;
    case IDC_MENU_LIST:
      OnMenuListSelect(dialog, notification, control);
      break;
    default:
      break;
  }
}

// The locked texts of the record being rewritten; false when a copy failed
// (CopyToLocalBlock has reported).
bool RewriteRecordTexts(HWND dialog, ButtonRecord* record) {
  FreeButtonTexts(record);
  record->programName.text = CopyToLocalBlock(state.programText);
  if (!record->programName.text) return false;
  record->flags &= ~BF_ICON_FROM_PROGRAM;
  if (state.iconIsResource)
    record->flags |= BF_ICON_RESOURCE;
  else
    record->flags &= ~BF_ICON_RESOURCE;
  char derivedName[kTextBufferSize];
  const char* iconName = nullptr;
  if (state.chosenIconFile[0]) {
    iconName = state.chosenIconFile;
  } else if (extState.editingMenuButton) {
    lstrcpynA(derivedName, state.programText, kTextBufferSize);
    MakeIconResourceName(derivedName);
    iconName = derivedName;
  } else {
    bool loaded = false;
    const bool isExe = EndsWithString(state.programText, IDS_EXE_SUFFIX, &loaded);
    if (!loaded) {
      ReportFailure(IDS_TAG_QXNEWPIS, IDS_OP_LOADSTRING, 2);
      UnlockButtonTexts(record);
      return false;
    }
    if (isExe) {
      record->flags |= BF_ICON_FROM_PROGRAM;
      record->iconName.text = record->programName.text;
    }
  }
  if (iconName) {
    record->iconName.text = CopyToLocalBlock(iconName);
    if (!record->iconName.text) {
      UnlockButtonTexts(record);
      return false;
    }
  }
  if (record->iconName.text && !strchr(record->iconName.text, '.'))
    record->flags |= BF_ICON_RESOURCE;
  if (state.descriptionText[0]) {
    record->description.text = CopyToLocalBlock(state.descriptionText);
    if (!record->description.text) {
      UnlockButtonTexts(record);
      return false;
    }
  }
  UnlockButtonTexts(record);
  if (IsChecked(dialog, IDC_ICON_FRAMED))
    record->flags |= BF_FRAMED;
  else
    record->flags &= ~BF_FRAMED;
  DestroyButtonIcon(record);
  return true;
}

void SetFlag(ButtonRecord* record, uint32_t flag, bool on) {
  if (on)
    record->flags |= flag;
  else
    record->flags &= ~flag;
}

// The options that a new and a changed button take alike; false when a string
// could not be loaded (reported).
bool StoreOptions(HWND dialog, ButtonRecord* record) {
  if (extState.editingMenuButton) {
    record->menuCommand = state.chosenMenuCommand;
    if (state.deleteAnswer == IDNO) extState.deleteWarning = 1;
    if (state.deleteAnswer == IDYES) extState.deleteWarning = 0;
  } else {
    // Windows runs ".cmd" files through the interpreter as it does ".bat" files.
    bool loaded = false, cmdLoaded = false;
    const bool isBatch = EndsWithString(state.programText, IDS_BAT_SUFFIX, &loaded) |
                         EndsWithString(state.programText, IDS_CMD_SUFFIX, &cmdLoaded);
    if (!loaded || !cmdLoaded) {
      ReportFailure(IDS_TAG_QXNEWPIS, IDS_OP_LOADSTRING, 5);
      return false;
    }
    SetFlag(record, BF_BATCH, isBatch);
    SetFlag(record, BF_PASS_FILES, IsChecked(dialog, IDC_PASS_FILES));
    SetFlag(record, BF_MULTIPLE_FILES, IsChecked(dialog, IDC_MULTIPLE_FILES));
    SetFlag(record, BF_WAIT, IsChecked(dialog, IDC_WAIT_FOR_COMPLETION));
    record->displayMode = IsChecked(dialog, IDC_NORMAL)     ? SW_SHOWNORMAL
                          : IsChecked(dialog, IDC_MINIMIZE) ? SW_SHOWMINNOACTIVE
                                                            : SW_SHOWMAXIMIZED;
    // SetButtonText has reported a copy that failed.
    if (!SetButtonText(&record->parameters, state.parametersText) ||
        !SetButtonText(&record->startFolder, state.startFolderText))
      return false;
  }
  SetFlag(record, BF_REQUIRES_FILE, IsChecked(dialog, IDC_REQUIRES_FILE));
  record->iconIndex = state.chosenIconIndex;
  const COLORREF back = state.backColorChosen ? state.chosenBackColor : RGB(255, 255, 255);
  record->backRed = GetRValue(back);
  record->backGreen = GetGValue(back);
  record->backBlue = GetBValue(back);
  return true;
}

}  // namespace

void InitButtonDialogFromRecord(HWND dialog) {
  ButtonRecord* record = editedButton;
  if (!CopyRecordText(record->programName.handle, state.programText, 1)) return;
  if (!(record->flags & BF_ICON_FROM_PROGRAM) && record->iconName.handle &&
      !CopyRecordText(record->iconName.handle, state.chosenIconFile, 2))
    return;
  state.chosenIconIndex = record->iconIndex;
  state.chosenBackColor =
      RGB(record->backRed & 0xFF, record->backGreen & 0xFF, record->backBlue & 0xFF);
  state.backColorChosen = 1;
  state.previewHasIcon = record->icon != nullptr;
  if (!(record->flags & BF_FRAMED)) CheckDlgButton(dialog, IDC_ICON_FRAMED, BST_UNCHECKED);
  if (record->flags & BF_REQUIRES_FILE) CheckDlgButton(dialog, IDC_REQUIRES_FILE, BST_CHECKED);
  if (record->description.handle) {
    if (!CopyRecordText(record->description.handle, state.descriptionText, 3)) return;
    SetDlgItemTextA(dialog, IDC_DESCRIPTION, state.descriptionText);
  }
  if (extState.editingMenuButton) {
    state.iconIsResource = (record->flags & BF_ICON_RESOURCE) ? 1 : 0;
    state.chosenMenuCommand = record->menuCommand;
    SetCaption(dialog, IDS_CHANGE_MENU_ICON);
    return;
  }
  SetDlgItemTextA(dialog, IDC_PATH, state.programText);
  if ((record->parameters && !CopyRecordText(record->parameters, state.parametersText, 5)) ||
      (record->startFolder && !CopyRecordText(record->startFolder, state.startFolderText, 6)))
    return;
  SetDlgItemTextA(dialog, IDC_PARAMETERS, state.parametersText);
  SetDlgItemTextA(dialog, IDC_START_FOLDER, state.startFolderText);
  if (!(record->flags & BF_PASS_FILES)) {
    CheckRadioButton(dialog, IDC_IGNORE_FILES, IDC_PASS_FILES, IDC_IGNORE_FILES);
    EnableWindow(GetDlgItem(dialog, IDC_MULTIPLE_FILES), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_REQUIRES_FILE), FALSE);
  }
  if (record->flags & BF_MULTIPLE_FILES) CheckDlgButton(dialog, IDC_MULTIPLE_FILES, BST_CHECKED);
  if (record->flags & BF_WAIT) CheckDlgButton(dialog, IDC_WAIT_FOR_COMPLETION, BST_CHECKED);
  if (record->displayMode == SW_SHOWMINNOACTIVE)
    CheckRadioButton(dialog, IDC_NORMAL, IDC_MINIMIZE, IDC_MINIMIZE);
  else if (record->displayMode == SW_SHOWMAXIMIZED)
    CheckRadioButton(dialog, IDC_NORMAL, IDC_MINIMIZE, IDC_MAXIMIZE);
  SetCaption(dialog, IDS_CHANGE_PROGRAM_ICON);
  state.iconIsResource = 0;
}

void StoreButtonDialog(HWND dialog) {
  GetDlgItemTextA(dialog, IDC_DESCRIPTION, state.descriptionText, kTextBufferSize);
  if (!extState.editingMenuButton) {
    GetDlgItemTextA(dialog, IDC_PARAMETERS, state.parametersText, kTextBufferSize);
    GetDlgItemTextA(dialog, IDC_START_FOLDER, state.startFolderText, kTextBufferSize);
  }
  ButtonRecord* record = editedButton;
  ButtonRecord* previousLast = nullptr;
  if (record) {
    if (!RewriteRecordTexts(dialog, record)) return;
  } else {
    listReady = 0;
    if (lastButton) {
      previousLast = static_cast<ButtonRecord*>(LocalLock(lastButton));
      if (!previousLast) {
        ReportFailure(IDS_TAG_QXNEWPIS, IDS_OP_LOCALLOCK, 3);
        return;
      }
    }
    HLOCAL previousHandle = lastButton;
    record = CreateButton(state.programText, state.chosenIconFile, state.descriptionText,
                          extState.editingMenuButton == 0, IsChecked(dialog, IDC_ICON_FRAMED),
                          previousLast);
    if (!record) {
      if (previousHandle) LocalUnlock(previousHandle);
      return;
    }
    barSettings.buttonCount += 1;
    // The record is in the list now: whatever happens to its options, it must
    // come to rest and the bar must paint again.
    StoreOptions(dialog, record);
    LocalUnlock(LocalHandle(record));
    if (previousHandle) LocalUnlock(previousHandle);
    LayOutButtons();
    listReady = 1;
    extState.saveState = SAVE_AT_UNLOAD;
    return;
  }
  if (!StoreOptions(dialog, record)) return;
  ReleaseEditedButton();
  extState.saveState = SAVE_AT_UNLOAD;
}

void BrowseForProgram(HWND dialog) {
  char directory[kTextBufferSize];
  if (lastBrowseDirectory[0])
    lstrcpyA(directory, lastBrowseDirectory);
  else if (GetWindowsDirectoryA(directory, kTextBufferSize) == 0)
    directory[0] = '\0';
  char filter[kTextBufferSize + 1] = {};
  if (!LoadText(IDS_PROGRAM_FILTER, filter)) {
    ReportFailure(IDS_TAG_QXNEWPIB, IDS_OP_LOADSTRING, 1);
    return;
  }
  char title[kTextBufferSize];
  const bool haveTitle = LoadText(IDS_BROWSE_PROGRAM_TITLE, title);
  if (!haveTitle) ReportFailure(IDS_TAG_QXNEWPIB, IDS_OP_LOADSTRING, 2);
  // The chosen name replaces the current one only when the user chose one.
  char previous[kTextBufferSize];
  lstrcpyA(previous, state.programText);
  if (!AskForExistingFile(dialog, filter, state.programText, directory,
                          haveTitle ? title : nullptr)) {
    lstrcpyA(state.programText, previous);
    PointAtControl(dialog, IDCANCEL, nullptr);
    return;
  }
  SetDlgItemTextA(dialog, IDC_PATH, state.programText);
  lstrcpyA(lastBrowseDirectory, state.programText);
  if (char* slash = strrchr(lastBrowseDirectory, '\\')) *slash = '\0';
  state.chosenIconFile[0] = '\0';
  state.chosenIconIndex = 0;
  state.previewHasIcon = 0;
  HICON icon = ExtractIconA(extState.instance, state.programText, 0);
  if (IsIcon(icon)) {
    state.previewHasIcon = 1;
    DestroyIcon(icon);
    PointAtControl(dialog, IDOK, nullptr);
  } else {
    if (ShowMessage(dialog, IDS_NO_ICONS_USE_CHANGE_ICON, MB_OK, IDS_TAG_QXNEWPIB, 3) == 0) return;
    PointAtControl(dialog, IDC_CHANGE_ICON, nullptr);
  }
  RepaintPreview(dialog);
}

void BrowseForStartFolder(HWND dialog) {
  char title[kTextBufferSize];
  const bool haveTitle = LoadText(IDS_BROWSE_FOLDER_TITLE, title);
  if (!haveTitle) ReportFailure(IDS_TAG_QXNEWPIB, IDS_OP_LOADSTRING, 5);
  char chosen[MAX_PATH] = "";
  BROWSEINFOA browse = {};
  browse.hwndOwner = dialog;
  browse.pszDisplayName = chosen;
  browse.lpszTitle = haveTitle ? title : nullptr;
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  // Cancelled: the field keeps what it holds.
  LPITEMIDLIST folder = SHBrowseForFolderA(&browse);
  if (!folder) return;
  char path[MAX_PATH] = "";
  if (SHGetPathFromIDListA(folder, path)) SetDlgItemTextA(dialog, IDC_START_FOLDER, path);
  ILFree(folder);
}

void OnMenuListSelect(HWND dialog, int notification, HWND list) {
  if (notification == LBN_DBLCLK)
    PointAtControl(dialog, IDOK, nullptr);
  else if (notification != LBN_SELCHANGE)
    return;
  state.chosenIconFile[0] = '\0';
  state.deleteAnswer = 0;
  const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR ||
      SendMessageA(list, LB_GETTEXTLEN, WPARAM(selected), 0) >= kTextBufferSize ||
      SendMessageA(list, LB_GETTEXT, WPARAM(selected),
                   reinterpret_cast<LPARAM>(state.programText)) == LB_ERR)
    return;
  state.chosenMenuCommand = FindMenuCommand(list, state.programText);
  if (state.chosenMenuCommand == -1) {
    ReportFailure(IDS_TAG_QXNEWPIL, IDS_OP_GETMENUID, 1);
    return;
  }
  SetDlgItemTextA(dialog, IDC_DESCRIPTION, state.programText);
  char deleteText[kTextBufferSize];
  if (!LoadText(IDS_DELETE_CAPTION, deleteText)) {
    ReportFailure(IDS_TAG_QXNEWPIL, IDS_OP_LOADSTRING, 2);
    return;
  }
  if (lstrcmpiA(state.programText, deleteText) == 0) {
    state.deleteAnswer = ShowMessage(dialog, IDS_DELETE_QUESTION, MB_YESNO, IDS_TAG_QXNEWPIL, 3);
    if (state.deleteAnswer == 0) return;
  }
  state.previewHasIcon = 0;
  char iconName[kTextBufferSize];
  lstrcpyA(iconName, state.programText);
  MakeIconResourceName(iconName);
  if (HICON icon = LoadIconA(extState.instance, iconName)) {
    state.previewHasIcon = 1;
    state.iconIsResource = 1;
    DestroyIcon(icon);
  } else {
    if (ShowMessage(dialog, IDS_NO_ICONS_USE_CHANGE_ICON, MB_OK, IDS_TAG_QXNEWPIL, 5) == 0) return;
    PointAtControl(dialog, IDC_CHANGE_ICON, nullptr);
  }
  RepaintPreview(dialog);
}

void PaintIconPreview(HWND dialog) {
  char name[kTextBufferSize];
  if (state.chosenIconFile[0]) {
    lstrcpyA(name, state.chosenIconFile);
  } else {
    lstrcpyA(name, state.programText);
    if (state.iconIsResource) MakeIconResourceName(name);
  }
  HICON icon = nullptr;
  if (state.previewHasIcon) {
    icon = state.iconIsResource
               ? LoadIconA(extState.instance, name)
               : ExtractIconA(extState.instance, name, UINT(state.chosenIconIndex));
    if (!IsIcon(icon)) icon = nullptr;
  }
  // Icons loaded from the library's resources are shared and never destroyed.
  auto releaseIcon = [&] {
    if (icon && !state.iconIsResource) DestroyIcon(icon);
  };
  HDC dc = state.previewArea ? GetDC(state.previewArea) : nullptr;
  if (!dc) {
    ReportFailure(IDS_TAG_QXNEWPIP, IDS_OP_GETDC, 1);
    releaseIcon();
    return;
  }
  RECT area;
  GetClientRect(state.previewArea, &area);
  area.left += 2;
  area.top += 10;
  area.right -= 3;
  area.bottom -= 3;
  FillRect(dc, &area, extState.barBrush);
  const int dx = (area.right - GetSystemMetrics(SM_CXICON) - area.left) / 2;
  const int dy = (area.bottom - GetSystemMetrics(SM_CYICON) - area.top) / 2;
  const RECT square = {area.left + dx, area.top + dy, area.right - dx, area.bottom - dy};
  HBRUSH brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  bool ownBrush = false;
  if (state.backColorChosen) {
    if (HBRUSH chosen = CreateSolidBrush(state.chosenBackColor)) {
      brush = chosen;
      ownBrush = true;
    } else {
      ReportFailure(IDS_TAG_QXNEWPIP, IDS_OP_CREATESOLIDBRUSH, 2);
    }
  }
  FillRect(dc, &square, brush);
  if (ownBrush && !DeleteObject(brush)) ReportFailure(IDS_TAG_QXNEWPIP, IDS_OP_DELETEOBJECT, 3);
  if (IsChecked(dialog, IDC_ICON_FRAMED)) DrawIconFrame(dc, &square, 0);
  if (icon && !DrawIcon(dc, square.left, square.top, icon))
    ReportFailure(IDS_TAG_QXNEWPIP, IDS_OP_DRAWICON, 4);
  releaseIcon();
  ReleaseDC(state.previewArea, dc);
}

void ReleaseEditedButton() {
  HLOCAL handle = LocalHandle(editedButton);
  if (!handle)
    ReportFailure(IDS_TAG_QXNEWPIU, IDS_OP_LOCALHANDLE, 1);
  else
    LocalUnlock(handle);
  editedButton = nullptr;
}

static INT_PTR ButtonDialogProcBody(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

INT_PTR CALLBACK ButtonDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded(IDS_TAG_QXNEWPI, INT_PTR(FALSE),
                 [&] { return ButtonDialogProcBody(dialog, message, wParam, lParam); });
}

static INT_PTR ButtonDialogProcBody(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog);
      return TRUE;
    case WM_PAINT:
      if (state.inPaint) return FALSE;
      state.inPaint = 1;
      DefDlgProcA(dialog, message, wParam, lParam);
      if (state.programText[0]) PaintIconPreview(dialog);
      state.inPaint = 0;
      return TRUE;
    case WM_COMMAND:
      OnCommand(dialog, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) ? TRUE : FALSE;
    default:
      return FALSE;
  }
}
