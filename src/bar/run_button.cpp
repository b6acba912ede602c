#include "bar/run_button.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "bar/bar_layout.h"
#include "bar/bar_state.h"
#include "dialogs/menu_list.h"
#include "host/fm_interface.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"

namespace {

// What cmd.exe needs in front of a batch file to run it.
constexpr wchar_t kBatchPrefix[] = L"CMD.EXE /C ";

// Room for the command line, its end mark included: the most the Unicode
// process API takes. Several long names in a deep folder need all of it.
constexpr size_t kCommandLineSize = 32767;

// The command line being built, and whether something did not fit into it:
// such a line is refused, never cut short.
wchar_t commandLine[kCommandLineSize];
bool commandLineOverflow = false;

// Files dropped onto the button being run: they take the selection's place.
HDROP droppedFiles = nullptr;

// WinExec results that have a text of their own; the others get the
// "error code" text.
bool HasOwnExecText(UINT result) {
  static const UINT explained[] = {0, 2, 3, 5, 6, 8, 10, 11, 12, 13, 14, 15, 16, 19, 20, 21};
  for (UINT code : explained)
    if (code == result) return true;
  return false;
}

// The WinExec result for an error of the process API. WinExec hands error
// numbers below 32 on unchanged and calls every other one a bad format; the
// few that have a closer text of their own get it.
UINT ExecResultFor(DWORD error) {
  switch (error) {
    case ERROR_SHARING_VIOLATION:
      return 5;
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:
      return 3;
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
      return 12;
    default:
      return error < 32 ? error : 11;
  }
}

// Appends `text` to the command line; false (and the line marked as too
// long) when it would not fit.
bool AppendToCommandLine(const wchar_t* text) {
  size_t used = wcslen(commandLine);
  size_t length = wcslen(text);
  if (used + length >= kCommandLineSize) {
    commandLineOverflow = true;
    return false;
  }
  memcpy(commandLine + used, text, (length + 1) * sizeof(wchar_t));
  return true;
}

// The program text is kept in the ANSI character set.
bool AppendAnsiToCommandLine(const char* text) {
  size_t used = wcslen(commandLine);
  if (MultiByteToWideChar(CP_ACP, 0, text, -1, commandLine + used,
                          static_cast<int>(kCommandLineSize - used)) == 0) {
    commandLine[used] = L'\0';
    commandLineOverflow = true;
    return false;
  }
  return true;
}

// One separator and the name, quoted when it holds a blank (it would reach
// the program as several arguments otherwise); 0 when it did not fit.
int AppendFileName(const wchar_t* name) {
  wchar_t separator[sizeof extState.fileSeparator];
  MultiByteToWideChar(CP_ACP, 0, extState.fileSeparator, -1, separator,
                      sizeof extState.fileSeparator);
  bool quoted = wcspbrk(name, L" \t") != nullptr;
  size_t needed = wcslen(separator) + wcslen(name) + (quoted ? 2 : 0);
  if (wcslen(commandLine) + needed >= kCommandLineSize) {
    commandLineOverflow = true;
    return 0;
  }
  AppendToCommandLine(separator);
  if (quoted) AppendToCommandLine(L"\"");
  AppendToCommandLine(name);
  if (quoted) AppendToCommandLine(L"\"");
  return 1;
}

// A File Manager that speaks only ANSI gives its names in the OEM character
// set (the old one) or in the ANSI one (today's, asked in ANSI). A name is
// read in the OEM set only when that reading is a file and the name as given
// is none, so that neither kind is garbled.
void ReadOemNameIfOnlyThatExists(char* name) {
  if (GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES) return;
  char converted[MAX_PATH];
  OemToCharBuffA(name, converted, MAX_PATH);
  converted[MAX_PATH - 1] = '\0';
  if (GetFileAttributesA(converted) != INVALID_FILE_ATTRIBUTES) lstrcpyA(name, converted);
}

// Selected item `index` as File Manager gives it: whole through the Unicode
// message where File Manager answers that, else through the ANSI one (an
// older File Manager leaves the Unicode record empty). False when File
// Manager gave no name; an empty file or a folder has a size of 0 and still
// counts.
bool GetSelectedFile(int index, wchar_t (&name)[kCommandLineSize]) {
  FMS_GETFILESELW wide = {};
  SendMessageW(extState.frameWindow, FM_GETFILESELLFNW, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&wide));
  if (wide.szName[0]) {
    lstrcpynW(name, wide.szName, MAX_PATH);
    return true;
  }
  FMS_GETFILESELA narrow = {};
  SendMessageA(extState.frameWindow, FM_GETFILESELLFNA, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&narrow));
  narrow.szName[sizeof narrow.szName - 1] = '\0';
  ReadOemNameIfOnlyThatExists(narrow.szName);
  if (MultiByteToWideChar(CP_ACP, 0, narrow.szName, -1, name, kCommandLineSize) == 0)
    name[0] = L'\0';
  return name[0] != L'\0';
}

// Starts the command line the way WinExec does (the same search for the
// program, the show mode, the wait until it is ready for input) and answers
// as WinExec does: 33 for a started program, else a code the texts explain.
UINT StartProgram(int showMode) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showMode);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return ExecResultFor(GetLastError());
  // Fails at once for console programs, which have no input to wait for.
  WaitForInputIdle(process.hProcess, 30000);
  if (process.hThread) CloseHandle(process.hThread);
  if (process.hProcess) CloseHandle(process.hProcess);
  return 33;
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

// Explains a failed start: the fixed opening, the command line and the text
// for the WinExec result, in a block as long as they need. In Unicode, so
// that the names show as the user knows them.
void ShowExecFailure(UINT result) {
  wchar_t caption[kTextBufferSize];
  wchar_t opening[kTextBufferSize];
  wchar_t reason[kTextBufferSize];
  UINT reasonId = HasOwnExecText(result) ? IDS_EXEC_ERROR_0 + result : IDS_EXEC_ERROR_OTHER;
  if (LoadStringW(extState.instance, IDS_CAPTION, caption, kTextBufferSize) == 0 ||
      LoadStringW(extState.instance, IDS_RUN_EXEC_FAILED, opening, kTextBufferSize) == 0 ||
      LoadStringW(extState.instance, reasonId, reason, kTextBufferSize) == 0) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOADSTRING, 20);
    return;
  }
  if (reasonId == IDS_EXEC_ERROR_OTHER) {
    wchar_t format[kTextBufferSize];
    lstrcpynW(format, reason, kTextBufferSize);
    swprintf(reason, kTextBufferSize, format, static_cast<int>(result));
  }
  size_t size = wcslen(opening) + 2 + wcslen(commandLine) + 1 + wcslen(reason) + 1;
  HLOCAL block = LocalAlloc(LMEM_FIXED, size * sizeof(wchar_t));
  if (!block) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOCALALLOC, 21);
    return;
  }
  auto* message = static_cast<wchar_t*>(block);
  swprintf(message, size, L"%ls\n\r%ls\n%ls", opening, commandLine, reason);
  if (MessageBoxW(extState.frameWindow, message, caption, MB_ICONHAND) == 0)
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOCALALLOC, 22);
  LocalFree(block);
}

// The files a run passes: the dropped ones, or File Manager's selection.
int FileCount() {
  if (droppedFiles) return static_cast<int>(DragQueryFileW(droppedFiles, 0xFFFFFFFF, nullptr, 0));
  return LOWORD(SendMessageA(extState.frameWindow, FM_GETSELCOUNTLFN, 0, 0));
}

// Starts a program button's program; every refusal and failure is told to
// the user.
void RunProgram(ButtonRecord* record, int count) {
  auto* program = static_cast<char*>(LocalLock(record->programName.handle));
  if (!program) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOCALLOCK, 10);
    return;
  }
  commandLine[0] = L'\0';
  commandLineOverflow = false;
  if (record->flags & BF_BATCH) AppendToCommandLine(kBatchPrefix);
  AppendAnsiToCommandLine(program);
  HLOCAL block = LocalHandle(program);
  if (!block) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOCALHANDLE, 11);
    // The text must come to rest all the same, or the unload cannot free it.
    LocalUnlock(record->programName.handle);
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
    char limit[16];
    snprintf(limit, sizeof limit, "%d", static_cast<int>(kCommandLineSize - 1));
    ShowRunMessage(IDS_RUN_TOO_LONG, limit, MB_OK | MB_ICONHAND, 14);
    return;
  }
  UINT result = StartProgram(record->displayMode);
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

// The rules every run obeys, then the program or the menu command.
void CarryOutButton(ButtonRecord* record) {
  int count = FileCount();
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
  CarryOutButton(record);
}

void RunChosenButton(ButtonRecord* record) {
  currentButton = LocalHandle(record);
  if (!currentButton) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOCALHANDLE, 1);
    return;
  }
  CarryOutButton(record);
}

void RunDroppedFiles(ButtonRecord* record, HDROP drop) {
  // Files dropped onto a menu button mean nothing to File Manager's command.
  if (!(record->flags & BF_PROGRAM)) return;
  droppedFiles = drop;
  CarryOutButton(record);
  droppedFiles = nullptr;
}

int AppendSelectedFile(int index) {
  // Dropped names may be longer than File Manager's.
  static wchar_t name[kCommandLineSize];
  name[0] = L'\0';
  if (droppedFiles) {
    UINT length = DragQueryFileW(droppedFiles, static_cast<UINT>(index), nullptr, 0);
    if (length >= kCommandLineSize) {
      commandLineOverflow = true;
      return 0;
    }
    if (DragQueryFileW(droppedFiles, static_cast<UINT>(index), name, kCommandLineSize) == 0)
      return 0;
  } else if (!GetSelectedFile(index, name)) {
    return 0;
  }
  return AppendFileName(name);
}
