// The dialog that creates and changes program and menu buttons (templates
// 174 and 180), and the working state it shares with the Choose Icon dialog.
#pragma once
#include <windows.h>

#include "host/report.h"

struct ButtonDialogState {
  char programText[kTextBufferSize];     // program path, or the chosen menu text
  char chosenIconFile[kTextBufferSize];  // icon file or icon resource name; empty = none
  int chosenIconIndex;
  char descriptionText[kTextBufferSize];
  char savedIconFile[kTextBufferSize];  // put back when Choose Icon is cancelled
  int savedIconIndex;
  COLORREF chosenBackColor;
  int backColorChosen;
  int previewHasIcon;
  int iconIsResource;
  int chosenMenuCommand;
  int deleteAnswer;  // 0 not asked, IDYES, IDNO
  int inPaint;
  HWND previewArea;       // 1036
  HWND requiresFileBox;   // 1042
  HWND multipleFilesBox;  // 1020, program dialog only
  HWND menuList;          // 1039, menu dialog only
  // Program dialog: what follows the program, with its placeholders, and the
  // folder it starts in; empty = none.
  char parametersText[kTextBufferSize];
  char startFolderText[kTextBufferSize];
};

extern ButtonDialogState buttonDialog;
// Directory of the last program chosen with Browse; kept while the library is loaded.
extern char lastBrowseDirectory[kTextBufferSize];

INT_PTR CALLBACK ButtonDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void InitButtonDialogFromRecord(HWND dialog);
void StoreButtonDialog(HWND dialog);
void BrowseForProgram(HWND dialog);
void BrowseForStartFolder(HWND dialog);
void PaintIconPreview(HWND dialog);
void OnMenuListSelect(HWND dialog, int notification, HWND list);
void ReleaseEditedButton();

// The Choose Icon dialog (template 181): the chosen file and index come back
// through buttonDialog; chosenIconFile is empty after Cancel.
INT_PTR CALLBACK ChooseIconDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Control IDs of the button and Choose Icon dialogs.
enum : int {
  IDC_BROWSE = 1003,
  IDC_CHANGE_ICON = 1004,
  IDC_HELP_BUTTON = 1005,
  IDC_DESCRIPTION = 1006,
  IDC_PATH = 1011,
  IDC_NORMAL = 1015,
  IDC_MAXIMIZE = 1016,
  IDC_MINIMIZE = 1017,
  IDC_MULTIPLE_FILES = 1020,
  IDC_ICON_FRAMED = 1021,
  IDC_WAIT_FOR_COMPLETION = 1022,
  IDC_COLOR = 1023,
  IDC_IGNORE_FILES = 1025,
  IDC_PASS_FILES = 1026,
  IDC_ICON_FILE_NAME = 1033,
  IDC_ICON_AREA = 1034,
  IDC_ICON_SCROLL = 1035,
  IDC_PREVIEW = 1036,
  IDC_MENU_LIST = 1039,
  IDC_REQUIRES_FILE = 1042,
  IDC_PARAMETERS = 1090,
  IDC_START_FOLDER = 1091,
  IDC_BROWSE_FOLDER = 1092,
};
