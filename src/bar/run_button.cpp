#include "bar/run_button.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "bar/bar_layout.h"
#include "bar/bar_state.h"
#include "dialogs/menu_list.h"
#include "host/fm_interface.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/resource.h"

namespace {

// The command interpreter runs batch files. It is started by its full path in
// the system directory: by its bare name the search would look in the current
// directory first, which File Manager makes the open folder, where anyone may
// have left a cmd.exe. Its switches: no AutoRun commands (/D), no delayed
// expansion, so that a "!" stays a "!" (/V:OFF), and only the outermost
// quotes around the text after /C taken off, whatever that text holds (/S).
constexpr wchar_t kInterpreterName[] = L"\\cmd.exe";
constexpr wchar_t kInterpreterSwitches[] = L" /D /V:OFF /S /C \"";

// The most the interpreter takes on its command line; a longer one fails
// without a word, or crashes Wine's.
constexpr size_t kBatchLineLimit = 8191;

// Room for the command line, its end mark included: the most the Unicode
// process API takes. Several long names in a deep folder need all of it.
constexpr size_t kCommandLineSize = 32767;

// The command line being built, and whether something did not fit into it:
// such a line is refused, never cut short.
wchar_t commandLine[kCommandLineSize];
bool commandLineOverflow = false;

// Whether the run goes through the interpreter, and the interpreter's path.
bool batchRun = false;
wchar_t interpreterPath[MAX_PATH];
// The first reason found to refuse the run (0: none yet), as the string-table
// text to show, and the text it names in place of its "%s".
UINT refusalId = 0;
wchar_t refusalSubject[kCommandLineSize];

// The folder of File Manager's active window, asked once per run when a
// placeholder needs it; empty until asked.
wchar_t activeFolder[MAX_PATH];
bool activeFolderAsked = false;

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

// Notes the first reason to refuse the run; later ones are not told.
void Refuse(UINT textId, const wchar_t* subject) {
  if (refusalId) return;
  refusalId = textId;
  lstrcpynW(refusalSubject, subject, kCommandLineSize);
}

// Appends `text` in quotes. The backslashes before the closing quote are
// doubled, since programs read `\"` as a quote within the text: a folder's
// name ending in `\` would swallow the next name otherwise.
void AppendQuoted(const wchar_t* text) {
  AppendToCommandLine(L"\"");
  AppendToCommandLine(text);
  for (size_t n = wcslen(text); n > 0 && text[n - 1] == L'\\'; --n) AppendToCommandLine(L"\\");
  AppendToCommandLine(L"\"");
}

// Notes `text` as the first one the interpreter cannot be given safely when it
// holds a percent sign (expanded even inside quotes, and Wine's interpreter
// cannot escape it at all), a quotation mark (it would end the quoting) or a
// line end or other control character (it would end the command). Names on
// Windows' disks hold none but the percent sign; a hostile drop or host
// message may hold any. A program text written by hand may hold quotes, in
// pairs: a lone one would turn the quoting of every name after it inside out.
// True when `text` is refused; the refusal names `subject`.
bool RefuseIfUnsafe(const wchar_t* text, bool quotesAllowed, UINT textId = IDS_RUN_UNSAFE_NAME,
                    const wchar_t* subject = nullptr) {
  bool unsafe = false, quoteOpen = false;
  for (const wchar_t* at = text; *at; ++at) {
    if (*at == L'"') quoteOpen = !quoteOpen;
    unsafe |= *at == L'%' || (*at == L'"' && !quotesAllowed) || (*at < L' ' && *at != L'\t');
  }
  if (!unsafe && !quoteOpen) return false;
  Refuse(textId, subject ? subject : text);
  return true;
}

void AppendSeparator() {
  wchar_t separator[sizeof extState.fileSeparator];
  if (MultiByteToWideChar(CP_ACP, 0, extState.fileSeparator, -1, separator,
                          sizeof extState.fileSeparator) == 0)
    lstrcpyW(separator, L" ");
  AppendToCommandLine(separator);
}

// A name or folder by the bar's rules. The interpreter gets every name in
// quotes, so that it reads none of "&|^<>(),;=" as its own; a program gets it
// quoted when it holds a blank (it would reach it as several arguments
// otherwise). False when it was not appended.
bool AppendValue(const wchar_t* name) {
  if (batchRun && RefuseIfUnsafe(name, false)) return false;
  if (batchRun || wcspbrk(name, L" \t")) {
    AppendQuoted(name);
  } else {
    AppendToCommandLine(name);
  }
  return !commandLineOverflow;
}

// One separator and the name; 0 when it was not appended.
int AppendFileName(const wchar_t* name) {
  if (batchRun && RefuseIfUnsafe(name, false)) return 0;
  AppendSeparator();
  return AppendValue(name) ? 1 : 0;
}

// Whether `length` characters of `text` end in string `suffixId`, compared
// without regard to case; -1 when the string could not be loaded.
int EndsWithText(const wchar_t* text, size_t length, UINT suffixId) {
  wchar_t suffix[kTextBufferSize];
  const int suffixLength = LoadStringW(extState.instance, suffixId, suffix, kTextBufferSize);
  if (suffixLength <= 0) return -1;
  const size_t size = static_cast<size_t>(suffixLength);
  return length >= size && _wcsnicmp(text + length - size, suffix, size) == 0;
}

// Whether the program text is one existing file's path; a text written into
// the settings file by hand may be a program followed by its own arguments.
bool IsOneFile(const wchar_t* program) {
  const DWORD attributes = GetFileAttributesW(program);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether the program is a batch file (".bat" or ".cmd"), which Windows would
// run through the interpreter even when started as a program: the whole text
// when it is one file, else its first word, quoted or up to the first blank.
// -1 when a suffix could not be loaded.
int IsBatchProgram(const wchar_t* program, bool oneFile) {
  const wchar_t* name = program;
  size_t length = wcslen(program);
  if (!oneFile && program[0] == L'"') {
    ++name;
    length = wcscspn(name, L"\"");
  } else if (!oneFile) {
    length = wcscspn(program, L" \t");
  }
  const int bat = EndsWithText(name, length, IDS_BAT_SUFFIX);
  const int cmd = EndsWithText(name, length, IDS_CMD_SUFFIX);
  if (bat < 0 || cmd < 0) return -1;
  return bat || cmd;
}

// The interpreter's full path; false when the system directory is not known
// (reported).
bool FindInterpreter() {
  const UINT length = GetSystemDirectoryW(interpreterPath, MAX_PATH);
  if (length == 0 || length + wcslen(kInterpreterName) >= MAX_PATH) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_GETSYSTEMDIRECTORY, 17);
    return false;
  }
  wcscat(interpreterPath, kInterpreterName);
  return true;
}

// The start of the command line: for a batch file the interpreter and its
// switches, then the program text, quoted when it is one file's path and holds
// a blank (a shorter path up to the blank may hold a program planted there)
// or goes to the interpreter (which would read a "&" in a folder's name). A
// text that is not one file's path stays as written. False when the run must
// stop (reported).
bool BeginCommandLine(const wchar_t* program, uint32_t flags) {
  commandLine[0] = L'\0';
  commandLineOverflow = false;
  refusalId = 0;
  activeFolder[0] = L'\0';
  activeFolderAsked = false;
  const bool oneFile = IsOneFile(program);
  const int batch = IsBatchProgram(program, oneFile);
  if (batch < 0) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOADSTRING, 16);
    return false;
  }
  batchRun = batch || (flags & BF_BATCH);
  if (batchRun) {
    if (!FindInterpreter()) return false;
    AppendQuoted(interpreterPath);
    AppendToCommandLine(kInterpreterSwitches);
    RefuseIfUnsafe(program, !oneFile);
  }
  if (oneFile && (batchRun || wcspbrk(program, L" \t"))) {
    AppendQuoted(program);
  } else {
    AppendToCommandLine(program);
  }
  return true;
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
UINT StartProgram(int showMode, const wchar_t* folder) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showMode);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(batchRun ? interpreterPath : nullptr, commandLine, nullptr, nullptr, FALSE, 0,
                      nullptr, folder, &startup, &process))
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

// Refuses the run, naming the text it was refused for, in Unicode so that a
// name shows as the user knows it.
void ShowRefusal() {
  wchar_t caption[kTextBufferSize];
  wchar_t text[kTextBufferSize];
  if (LoadStringW(extState.instance, IDS_CAPTION, caption, kTextBufferSize) == 0 ||
      LoadStringW(extState.instance, refusalId, text, kTextBufferSize) == 0) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOADSTRING, 23);
    return;
  }
  // The name goes in place of the text's "%s"; it is no format of its own.
  const wchar_t* mark = wcsstr(text, L"%s");
  const size_t before = mark ? static_cast<size_t>(mark - text) : wcslen(text);
  const size_t size = wcslen(text) + wcslen(refusalSubject) + 1;
  HLOCAL block = LocalAlloc(LMEM_FIXED, size * sizeof(wchar_t));
  if (!block) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOCALALLOC, 24);
    return;
  }
  auto* message = static_cast<wchar_t*>(block);
  wmemcpy(message, text, before);
  message[before] = L'\0';
  if (mark) {
    wcscat(message, refusalSubject);
    wcscat(message, mark + 2);
  }
  if (MessageBoxW(extState.frameWindow, message, caption, MB_OK | MB_ICONHAND) == 0)
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_MESSAGEBOX, 25);
  LocalFree(block);
}

// The files a run passes: the dropped ones, or File Manager's selection.
int FileCount() {
  if (droppedFiles) return static_cast<int>(DragQueryFileW(droppedFiles, 0xFFFFFFFF, nullptr, 0));
  return LOWORD(SendMessageA(extState.frameWindow, FM_GETSELCOUNTLFN, 0, 0));
}

// File `index` of the run, dropped or selected, into `name`; false when there
// is none to pass (a dropped name too long for any command line marks the
// line as too long).
bool RunFileName(int index, wchar_t (&name)[kCommandLineSize]) {
  name[0] = L'\0';
  if (!droppedFiles) return GetSelectedFile(index, name);
  // Dropped names may be longer than File Manager's.
  const UINT length = DragQueryFileW(droppedFiles, static_cast<UINT>(index), nullptr, 0);
  if (length >= kCommandLineSize) {
    commandLineOverflow = true;
    return false;
  }
  return DragQueryFileW(droppedFiles, static_cast<UINT>(index), name, kCommandLineSize) != 0;
}

// The folder of File Manager's active window as File Manager tells it: whole
// through the Unicode message where File Manager answers that, else through
// the ANSI one (an older File Manager leaves the Unicode record as it was).
// Null when File Manager told none.
const wchar_t* ActiveFolder() {
  if (!activeFolderAsked) {
    activeFolderAsked = true;
    FMS_GETDRIVEINFOW wide = {};
    SendMessageW(extState.frameWindow, FM_GETDRIVEINFOW, 0, reinterpret_cast<LPARAM>(&wide));
    wide.szPath[MAX_PATH - 1] = L'\0';
    if (wide.szPath[0]) {
      lstrcpynW(activeFolder, wide.szPath, MAX_PATH);
    } else {
      FMS_GETDRIVEINFOA narrow = {};
      SendMessageA(extState.frameWindow, FM_GETDRIVEINFOA, 0, reinterpret_cast<LPARAM>(&narrow));
      narrow.szPath[sizeof narrow.szPath - 1] = '\0';
      ReadOemNameIfOnlyThatExists(narrow.szPath);
      if (MultiByteToWideChar(CP_ACP, 0, narrow.szPath, -1, activeFolder, MAX_PATH) == 0)
        activeFolder[0] = L'\0';
    }
  }
  if (!activeFolder[0]) Refuse(IDS_RUN_NO_ACTIVE_FOLDER, L"%P");
  return activeFolder[0] ? activeFolder : nullptr;
}

// The placeholder that `at` begins, or 0 for an ordinary character: %F every
// file, %N the first, %P File Manager's folder, %% a percent sign. Any other
// "%" stays as typed.
wchar_t PlaceholderAt(const wchar_t* at) {
  if (at[0] != L'%') return 0;
  return wcschr(L"FNP%", at[1]) && at[1] ? at[1] : 0;
}

// Whether the parameters name the files themselves; then the files go where
// they say rather than after them.
bool NamesFiles(const wchar_t* parameters) {
  for (const wchar_t* at = parameters; *at; ++at) {
    const wchar_t code = PlaceholderAt(at);
    if (code == L'F' || code == L'N') return true;
    if (code) ++at;
  }
  return false;
}

// One placeholder's value. Between the user's own quotes it goes in as it is,
// and a quotation mark in it, which would end those quotes, refuses the run;
// elsewhere it goes in by the bar's rules.
void InsertValue(const wchar_t* value, bool inQuotes) {
  if (!inQuotes) {
    AppendValue(value);
  } else if (wcschr(value, L'"')) {
    Refuse(IDS_RUN_VALUE_ENDS_QUOTES, value);
  } else if (!batchRun || !RefuseIfUnsafe(value, false)) {
    AppendToCommandLine(value);
  }
}

// The button's parameters with their placeholders filled in. A program reads
// `\"` as a quote within the text, so the backslashes that a value leaves
// right before the user's closing quote (`"%P"` at a drive's root) are
// doubled. A batch file's parameters are refused when a "%" is left after the
// placeholders or a quote has no partner, as a name would be.
void AppendParameters(const wchar_t* parameters, int count, bool passFiles) {
  static wchar_t name[kCommandLineSize];
  const size_t start = wcslen(commandLine);
  AppendSeparator();
  bool inQuotes = false;
  for (const wchar_t* at = parameters; *at && !refusalId && !commandLineOverflow; ++at) {
    const wchar_t code = PlaceholderAt(at);
    if (!code || code == L'%') {
      if (*at == L'"') inQuotes = !inQuotes;
      const wchar_t one[2] = {*at, L'\0'};
      AppendToCommandLine(one);
      if (code) ++at;
      continue;
    }
    ++at;
    if (code == L'P') {
      if (const wchar_t* folder = ActiveFolder()) InsertValue(folder, inQuotes);
    } else if (passFiles) {
      bool first = true;
      for (int index = 0; index < count && !refusalId && !commandLineOverflow; ++index) {
        if (!RunFileName(index, name)) continue;
        if (!first) AppendSeparator();
        first = false;
        InsertValue(name, inQuotes);
        if (code == L'N') break;
      }
    }
    if (inQuotes && at[1] == L'"')
      for (size_t n = wcslen(commandLine); n > start && commandLine[n - 1] == L'\\'; --n)
        AppendToCommandLine(L"\\");
  }
  if (batchRun && !refusalId)
    RefuseIfUnsafe(commandLine + start, true, IDS_RUN_UNSAFE_PARAMETERS, parameters);
}

// The start folder with %P (and %%) filled in; refused when it is not an
// existing folder, naming it as filled in. Empty when the button has none.
void FindStartFolder(const wchar_t* text, wchar_t (&folder)[kCommandLineSize]) {
  folder[0] = L'\0';
  std::wstring filled;
  for (const wchar_t* at = text; *at; ++at) {
    const wchar_t code = PlaceholderAt(at);
    if (code == L'P') {
      const wchar_t* active = ActiveFolder();
      if (!active) return;
      filled += active;
      ++at;
    } else {
      filled += *at;
      if (code == L'%') ++at;
    }
  }
  lstrcpynW(folder, filled.c_str(), kCommandLineSize);
  const DWORD attributes =
      filled.size() < kCommandLineSize ? GetFileAttributesW(folder) : INVALID_FILE_ATTRIBUTES;
  if (!filled.empty() &&
      (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)))
    Refuse(IDS_RUN_NO_START_FOLDER, folder);
}

// One of the record's texts in Unicode (they are kept in the ANSI character
// set); empty when the record has none. False when it cannot be read
// (reported at `step`).
bool ReadRecordText(HLOCAL block, wchar_t (&text)[kCommandLineSize], int step) {
  text[0] = L'\0';
  if (!block) return true;
  auto* locked = static_cast<const char*>(LocalLock(block));
  if (!locked) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOCALLOCK, step);
    return false;
  }
  if (MultiByteToWideChar(CP_ACP, 0, locked, -1, text, kCommandLineSize) == 0) text[0] = L'\0';
  LocalUnlock(block);
  return true;
}

// Starts a program button's program; every refusal and failure is told to
// the user.
void RunProgram(ButtonRecord* record, int count) {
  auto* text = static_cast<char*>(LocalLock(record->programName.handle));
  if (!text) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOCALLOCK, 10);
    return;
  }
  // The program text is kept in the ANSI character set.
  static wchar_t program[kCommandLineSize];
  if (MultiByteToWideChar(CP_ACP, 0, text, -1, program, kCommandLineSize) == 0) program[0] = L'\0';
  HLOCAL block = LocalHandle(text);
  if (!block) {
    ReportFailure(IDS_TAG_QXRUN, IDS_OP_LOCALHANDLE, 11);
    // The text must come to rest all the same, or the unload cannot free it.
    LocalUnlock(record->programName.handle);
    return;
  }
  if (LocalUnlock(block)) return;
  static wchar_t parameters[kCommandLineSize], folderText[kCommandLineSize],
      folder[kCommandLineSize];
  if (!ReadRecordText(record->parameters, parameters, 15) ||
      !ReadRecordText(record->startFolder, folderText, 16))
    return;
  if (!BeginCommandLine(program, record->flags)) return;

  if (count > 1 && !(record->flags & BF_MULTIPLE_FILES)) {
    ShowRunMessage(IDS_RUN_ONE_FILE_ONLY, nullptr, MB_OK, 12);
    return;
  }
  FindStartFolder(folderText, folder);
  const bool passFiles = (record->flags & BF_PASS_FILES) != 0;
  if (parameters[0]) AppendParameters(parameters, count, passFiles);
  if (passFiles && !NamesFiles(parameters))
    for (int index = 0; index < count && !commandLineOverflow && !refusalId; ++index)
      AppendSelectedFile(index);
  if (batchRun) AppendToCommandLine(L"\"");

  if (refusalId) {
    ShowRefusal();
    return;
  }
  const size_t limit = batchRun ? kBatchLineLimit : kCommandLineSize - 1;
  if (commandLineOverflow || wcslen(commandLine) > limit) {
    char digits[16];
    snprintf(digits, sizeof digits, "%d", static_cast<int>(limit));
    ShowRunMessage(IDS_RUN_TOO_LONG, digits, MB_OK | MB_ICONHAND, 14);
    return;
  }
  UINT result = StartProgram(record->displayMode, folder[0] ? folder : nullptr);
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

void RunButtonRecord(ButtonRecord* record) { CarryOutButton(record); }

void RunDroppedFiles(ButtonRecord* record, HDROP drop) {
  // Files dropped onto a menu button mean nothing to File Manager's command.
  if (!(record->flags & BF_PROGRAM)) return;
  droppedFiles = drop;
  CarryOutButton(record);
  droppedFiles = nullptr;
}

int AppendSelectedFile(int index) {
  static wchar_t name[kCommandLineSize];
  if (!RunFileName(index, name)) return 0;
  return AppendFileName(name);
}
