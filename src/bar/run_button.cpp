#include "bar/run_button.h"

#include <cstdio>
#include <cstring>

#include "bar/bar_layout.h"
#include "bar/bar_state.h"
#include "dialogs/menu_list.h"
#include "host/fm_interface.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"

namespace {

// What cmd.exe needs in front of a batch file to run it.
constexpr char kBatchPrefix[] = "CMD.EXE /C ";

// The command line being built, and whether something did not fit into it:
// such a line is refused, never cut short.
char commandLine[kTextBufferSize];
bool commandLineOverflow = false;

// The record FM_GETFILESELLFN fills, one selected item at a time.
FMS_GETFILESELA selectedFile;

// WinExec results that have a text of their own; the others get the
// "error code" text.
bool HasOwnExecText(UINT result) {
  static const UINT explained[] = {0, 2, 3, 5, 6, 8, 10, 11, 12, 13, 14, 15, 16, 19, 20, 21};
  for (UINT code : explained)
    if (code == result) return true;
  return false;
}

// Appends `text` to the command line; false (and the line marked as too
// long) when it would not fit.
bool AppendToCommandLine(const char* text) {
  size_t used = strlen(commandLine);
  size_t length = strlen(text);
  if (used + length >= sizeof(commandLine)) {
    commandLineOverflow = true;
    return false;
  }
  memcpy(commandLine + used, text, length + 1);
  return true;
}

// Gives the look, the cursor and the capture of a press back; false when the
// run must stop (reported).
bool EndPressedState(ButtonRecord* record) {
  InvertButton(record);
  HCURSOR pressed = SetCursor(savedCursor);
  SetClassLongPtrA(extState.barWindow, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(savedCursor));
  if (!pressed) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_SETCURSOR, 2);
    ReleaseCapture();
    return false;
  }
  if (!DestroyCursor(pressed)) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_DESTROYCURSOR, 3);
    ReleaseCapture();
    return false;
  }
  ReleaseCapture();
  return true;
}

// A box under the extension's caption, owned by File Manager's frame, with
// the string-table text `textId` (its "%s" filled with `detail` when given).
// False when it could not be shown (reported).
bool ShowRunMessage(UINT textId, const char* detail, UINT style, int step) {
  char caption[kTextBufferSize];
  char text[kTextBufferSize];
  if (LoadStringA(extState.instance, IDS_CAPTION, caption, kTextBufferSize) == 0 ||
      LoadStringA(extState.instance, textId, text, kTextBufferSize) == 0) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOADSTRING, step);
    return false;
  }
  char filled[2 * kTextBufferSize];
  if (detail) {
    snprintf(filled, sizeof(filled), text, detail);
  } else {
    lstrcpynA(filled, text, sizeof(filled));
  }
  if (MessageBoxA(extState.frameWindow, filled, caption, style) == 0) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_MESSAGEBOX, step + 1);
    return false;
  }
  return true;
}

// Explains a failed WinExec: the fixed opening, the command line and the
// text for the result, in a block as long as they need.
void ShowExecFailure(UINT result) {
  char caption[kTextBufferSize];
  char opening[kTextBufferSize];
  char reason[kTextBufferSize];
  UINT reasonId = HasOwnExecText(result) ? IDS_EXEC_ERROR_0 + result : IDS_EXEC_ERROR_OTHER;
  if (LoadStringA(extState.instance, IDS_CAPTION, caption, kTextBufferSize) == 0 ||
      LoadStringA(extState.instance, IDS_RUN_EXEC_FAILED, opening, kTextBufferSize) == 0 ||
      LoadStringA(extState.instance, reasonId, reason, kTextBufferSize) == 0) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOADSTRING, 20);
    return;
  }
  if (reasonId == IDS_EXEC_ERROR_OTHER) {
    char format[kTextBufferSize];
    lstrcpynA(format, reason, kTextBufferSize);
    snprintf(reason, sizeof(reason), format, static_cast<int>(result));
  }
  size_t size = strlen(opening) + 2 + strlen(commandLine) + 1 + strlen(reason) + 1;
  HLOCAL block = LocalAlloc(LMEM_FIXED, size);
  if (!block) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOCALALLOC, 21);
    return;
  }
  auto* message = static_cast<char*>(block);
  snprintf(message, size, "%s\n\r%s\n%s", opening, commandLine, reason);
  if (MessageBoxA(extState.frameWindow, message, caption, MB_ICONHAND) == 0)
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOCALALLOC, 22);
  LocalFree(block);
}

// Starts a program button's program; every refusal and failure is told to
// the user.
void RunProgram(ButtonRecord* record, int count) {
  auto* program = static_cast<char*>(LocalLock(record->programName.handle));
  if (!program) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOCALLOCK, 10);
    return;
  }
  commandLine[0] = '\0';
  commandLineOverflow = false;
  if (record->flags & BF_BATCH) AppendToCommandLine(kBatchPrefix);
  AppendToCommandLine(program);
  HLOCAL block = LocalHandle(program);
  if (!block) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOCALHANDLE, 11);
    return;
  }
  if (LocalUnlock(block)) return;

  if (count > 1) {
    if (!(record->flags & BF_MULTIPLE_FILES)) {
      ShowRunMessage(IDS_RUN_ONE_FILE_ONLY, nullptr, MB_OK, 12);
      return;
    }
    if (record->flags & BF_PASS_FILES)
      for (int index = 0; index < count && !commandLineOverflow; ++index) AppendSelectedFile(index);
  }
  if (count == 1 && (record->flags & BF_PASS_FILES)) AppendSelectedFile(0);

  if (commandLineOverflow) {
    ShowRunMessage(IDS_RUN_TOO_LONG, nullptr, MB_OK | MB_ICONHAND, 14);
    return;
  }
  UINT result = WinExec(commandLine, static_cast<UINT>(record->displayMode));
  if (result >= 32) return;
  ShowExecFailure(result);
}

// Tells the user that a menu button's text is in none of File Manager's menus.
void ShowMenuNotFound(ButtonRecord* record) {
  auto* text = static_cast<char*>(LocalLock(record->programName.handle));
  if (!text) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOCALLOCK, 30);
    return;
  }
  char name[kTextBufferSize];
  lstrcpynA(name, text, kTextBufferSize);
  LocalUnlock(record->programName.handle);
  ShowRunMessage(IDS_RUN_MENU_NOT_FOUND, name, MB_OK | MB_ICONEXCLAMATION, 31);
}

// Has File Manager carry out a menu button's command as if chosen from its
// menu; the pointer goes back to where the click left it.
void RunMenuCommand(ButtonRecord* record) {
  if (record->menuCommand == -1) ResolveMenuCommands();
  if (record->menuCommand == -1) {
    // No command to send: a WM_COMMAND of -1 would reach some unrelated handler.
    ShowMenuNotFound(record);
    return;
  }
  POINT cursor;
  BOOL cursorNoted = GetCursorPos(&cursor);
  SendMessageA(extState.frameWindow, WM_COMMAND, static_cast<WPARAM>(record->menuCommand), 0);
  SendMessageA(extState.frameWindow, FM_REFRESH_WINDOWS, 0, 0);
  if (cursorNoted) SetCursorPos(cursor.x, cursor.y);
}

}  // namespace

void RunButton() {
  ButtonRecord* record = hitButton;
  hitButton = nullptr;
  currentButton = LocalHandle(record);
  if (!currentButton) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOCALHANDLE, 1);
    ReleaseCapture();
    return;
  }
  if (!EndPressedState(record)) return;

  int count = LOWORD(SendMessageA(extState.frameWindow, FM_GETSELCOUNTLFN, 0, 0));
  if (count == 0 && (record->flags & BF_REQUIRES_FILE)) {
    ShowRunMessage(IDS_RUN_NEEDS_FILE, nullptr, MB_OK, 4);
    return;
  }
  if (record->flags & BF_PROGRAM) {
    RunProgram(record, count);
  } else {
    RunMenuCommand(record);
  }
}

int AppendSelectedFile(int index) {
  memset(&selectedFile, 0, sizeof(selectedFile));
  SendMessageA(extState.frameWindow, FM_GETFILESELLFNA, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&selectedFile));
  if (selectedFile.dwSize == 0) return 0;
  char* name = selectedFile.szName;
  name[sizeof(selectedFile.szName) - 1] = '\0';
  OemToCharA(name, name);
  // A name with blanks would reach the program as several arguments.
  bool quoted = strpbrk(name, " \t") != nullptr;
  size_t needed = strlen(extState.fileSeparator) + strlen(name) + (quoted ? 2 : 0);
  if (strlen(commandLine) + needed >= sizeof(commandLine)) {
    commandLineOverflow = true;
    return 0;
  }
  AppendToCommandLine(extState.fileSeparator);
  if (quoted) AppendToCommandLine("\"");
  AppendToCommandLine(name);
  if (quoted) AppendToCommandLine("\"");
  return 1;
}
