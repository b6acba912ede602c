// Running a clicked button against a stand-in File Manager frame: the
// refusals, programs started for real with the selected files, batch files through the command
// interpreter, the start failure texts, and menu commands sent to the frame.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bar/bar_layout.h"
#include "bar/bar_test_window.h"
#include "bar/run_button.h"
#include "host/fm_interface.h"
#include "resources/resource.h"
#include "support/msgbox_catcher.h"

namespace {

// ---- The stand-in File Manager frame ----

struct SelectedName {
  std::string name;  // ANSI; handed out in the OEM character set
  DWORD size = 1;
};

struct FakeFileManager {
  std::vector<SelectedName> selection;
  std::vector<UINT> asked;                            // selection messages, in order
  std::vector<std::pair<UINT, WPARAM>> instructions;  // WM_COMMAND and FM_REFRESH_WINDOWS
  LPARAM commandLParam = -1;
  POINT pointerDuringCommand = {0, 0};
  POINT pointerSeenInCommand = {-1, -1};
} fm;

LRESULT CALLBACK FakeFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case FM_GETSELCOUNTLFN:
      fm.asked.push_back(message);
      return static_cast<LRESULT>(fm.selection.size());
    case FM_GETFILESELLFNA: {
      fm.asked.push_back(message);
      auto* record = reinterpret_cast<FMS_GETFILESELA*>(lParam);
      if (wParam >= fm.selection.size()) return 0;
      const SelectedName& entry = fm.selection[wParam];
      record->ftTime = FILETIME{};
      record->dwSize = entry.size;
      record->bAttr = FILE_ATTRIBUTE_ARCHIVE;
      CharToOemA(entry.name.c_str(), record->szName);
      return 0;
    }
    case FM_GETFILESELLFNW:  // unknown to an older File Manager
      fm.asked.push_back(message);
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_COMMAND:
      fm.instructions.emplace_back(message, wParam);
      fm.commandLParam = lParam;
      // File Manager's own dialogs move the pointer around.
      SetCursorPos(fm.pointerDuringCommand.x, fm.pointerDuringCommand.y);
      GetCursorPos(&fm.pointerSeenInCommand);
      return 0;
    case FM_REFRESH_WINDOWS:
      fm.instructions.emplace_back(message, wParam);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

HMENU BuildMenuBar() {
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, 102, "&Move...\tF7");
  AppendMenuA(file, MF_STRING, 103, "&Copy...\tF8");
  AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(file, MF_STRING, 105, "Re&name...");
  HMENU view = CreatePopupMenu();
  AppendMenuA(view, MF_STRING, 401, "Sort by &Name");
  HMENU bar = CreateMenu();
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), "&View");
  return bar;
}

// ---- The process start, watched ----

struct ExecCall {
  std::string commandLine;
  UINT show;
};
std::vector<ExecCall>* execCalls = nullptr;
constexpr int kReallyStart = -1;
constexpr int kPretendStarted = 0;
int fakeStart = kReallyStart;  // or the error the start fails with
using CreateProcessWFn = BOOL(WINAPI*)(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES,
                                       LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCWSTR,
                                       LPSTARTUPINFOW, LPPROCESS_INFORMATION);
void* realCreateProcessW = nullptr;
BOOL WINAPI WatchedCreateProcessW(LPCWSTR application, LPWSTR commandLine,
                                  LPSECURITY_ATTRIBUTES process, LPSECURITY_ATTRIBUTES thread,
                                  BOOL inherit, DWORD flags, LPVOID environment, LPCWSTR directory,
                                  LPSTARTUPINFOW startup, LPPROCESS_INFORMATION started) {
  std::string narrow(wcslen(commandLine) * 2 + 1, '\0');
  WideCharToMultiByte(CP_ACP, 0, commandLine, -1, &narrow[0], int(narrow.size()), nullptr, nullptr);
  if (execCalls) execCalls->push_back({narrow.c_str(), startup->wShowWindow});
  if (fakeStart == kPretendStarted) *started = PROCESS_INFORMATION{};
  if (fakeStart > 0) SetLastError(static_cast<DWORD>(fakeStart));
  if (fakeStart != kReallyStart) return fakeStart == kPretendStarted;
  return reinterpret_cast<CreateProcessWFn>(realCreateProcessW)(application, commandLine, process,
                                                                thread, inherit, flags, environment,
                                                                directory, startup, started);
}

// ---- Files next to the test program ----

std::string ProgramDirectory() {
  static char path[32768];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string own(path, length);
  return own.substr(0, own.find_last_of("\\/") + 1);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// Waits until the started program has written its whole block (Wine starts
// processes slowly), or 10 s have passed.
std::string WaitForFile(const std::string& path, const std::string& ending) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(50)) {
    std::string content = ReadFile(path);
    if (content.size() >= ending.size() &&
        content.compare(content.size() - ending.size(), ending.size(), ending) == 0)
      return content;
  }
  return ReadFile(path);
}

struct LoggedRun {
  std::string commandLine;
  std::vector<std::string> arguments;
};

// The logger's block: "cmdline: ...", "argv[n]: ..." lines, "end".
std::vector<LoggedRun> ParseLog(const std::string& log) {
  std::vector<LoggedRun> runs;
  std::istringstream lines(log);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("cmdline: ", 0) == 0) {
      runs.push_back({line.substr(9), {}});
    } else if (line.rfind("argv[", 0) == 0 && !runs.empty()) {
      runs.back().arguments.push_back(line.substr(line.find("]: ") + 3));
    }
  }
  return runs;
}

class RunButtonTest : public BarWindowTest {
 protected:
  void SetUp() override {
    BarWindowTest::SetUp();
    fm = FakeFileManager{};
    fm.pointerDuringCommand = {300, 260};
    WNDCLASSA frameClass{};
    frameClass.lpfnWndProc = FakeFrameProc;
    frameClass.hInstance = extState.instance;
    frameClass.lpszClassName = "QX test File Manager";
    RegisterClassA(&frameClass);
    frame_ = CreateWindowExA(0, "QX test File Manager", "File Manager", WS_OVERLAPPEDWINDOW, 0, 0,
                             640, 480, nullptr, BuildMenuBar(), extState.instance, nullptr);
    ASSERT_NE(frame_, nullptr);
    extState.frameWindow = frame_;
    lstrcpyA(extState.fileSeparator, " ");

    arrow_ = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    SetClassLongPtrA(extState.barWindow, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(arrow_));
    ShowWindow(extState.barWindow, SW_SHOWNOACTIVATE);

    logger_ = ProgramDirectory() + "cmdline_logger.exe";
    logPath_ = ProgramDirectory() + "run_button_test.log";
    DeleteFileA(logPath_.c_str());
    SetEnvironmentVariableA("QX_CMDLINE_LOG", logPath_.c_str());

    execCalls = &calls_;
    fakeStart = kReallyStart;
    execSlot_ = PatchImport(GetModuleHandleA(nullptr), "kernel32.dll", "CreateProcessW",
                            reinterpret_cast<void*>(&WatchedCreateProcessW), &realCreateProcessW);
    ASSERT_NE(execSlot_, nullptr) << "the extension's code calls CreateProcessW";
  }
  void TearDown() override {
    if (execSlot_)
      PatchImport(GetModuleHandleA(nullptr), "kernel32.dll", "CreateProcessW", realCreateProcessW,
                  nullptr);
    execCalls = nullptr;
    fakeStart = kReallyStart;
    SetEnvironmentVariableA("QX_CMDLINE_LOG", nullptr);
    DeleteFileA(logPath_.c_str());
    for (const std::string& file : extraFiles_) DeleteFileA(file.c_str());
    DestroyWindow(frame_);
    UnregisterClassA("QX test File Manager", extState.instance);
    extState.frameWindow = nullptr;
    BarWindowTest::TearDown();
  }

  HLOCAL AddRecord(const std::string& text, int isProgram, uint32_t extraFlags,
                   int displayMode = 1) {
    ButtonRecord* after = lastButton ? static_cast<ButtonRecord*>(LocalLock(lastButton)) : nullptr;
    HLOCAL afterHandle = lastButton;
    ButtonRecord* record = CreateButton(text.c_str(), "", "", isProgram, 1, after);
    if (afterHandle) LocalUnlock(afterHandle);
    if (!record) return nullptr;
    record->flags |= extraFlags;
    record->displayMode = displayMode;
    HLOCAL handle = LocalHandle(record);
    LocalUnlock(handle);
    return handle;
  }

  // The state a left press on the button leaves, as the bar window makes it:
  // the record locked in hitButton, the mouse captured, the pressed cursor
  // shown, the class cursor taken away, the button inverted.
  void Press(HLOCAL handle) {
    hitButton = static_cast<ButtonRecord*>(LocalLock(handle));
    ASSERT_NE(hitButton, nullptr);
    SetCursor(arrow_);
    SetCapture(extState.barWindow);
    pressed_ =
        static_cast<HCURSOR>(LoadImageA(extState.instance, MAKEINTRESOURCEA(IDC_PRESSED_CURSOR),
                                        IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
    ASSERT_NE(pressed_, nullptr);
    savedCursor = SetCursor(pressed_);
    SetClassLongPtrA(extState.barWindow, GCLP_HCURSOR, 0);
    InvertButton(hitButton);
  }

  // Press, release, and check what the release owes its caller; gives up the
  // hit test's lock as the bar window does.
  void Click(HLOCAL handle) {
    Press(handle);
    ASSERT_EQ(GetCapture(), extState.barWindow);
    RunButton();
    EXPECT_EQ(hitButton, nullptr);
    EXPECT_EQ(currentButton, handle);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetCursor(), arrow_);
    EXPECT_EQ(GetClassLongPtrA(extState.barWindow, GCLP_HCURSOR),
              reinterpret_cast<LONG_PTR>(arrow_));
    EXPECT_EQ(LockCount(handle), 1u) << "only the hit test's lock is left";
    EXPECT_EQ(LockCount(PeekRecord(handle).programName.handle), 0u);
    if (currentButton) LocalUnlock(currentButton);
    currentButton = nullptr;
  }

  void Select(std::vector<std::string> names) {
    fm.selection.clear();
    for (std::string& name : names) fm.selection.push_back({name, 1});
  }
  LoggedRun WaitForRun() {
    std::vector<LoggedRun> runs = ParseLog(WaitForFile(logPath_, "end\r\n"));
    EXPECT_EQ(runs.size(), 1u);
    // Wine quotes a program path with blanks that it was given unquoted.
    const std::string quoted = '"' + logger_ + '"';
    for (LoggedRun& run : runs)
      if (run.commandLine.rfind(quoted, 0) == 0) run.commandLine.replace(0, quoted.size(), logger_);
    return runs.empty() ? LoggedRun{} : runs[0];
  }

  HWND frame_ = nullptr;
  HCURSOR arrow_ = nullptr;
  HCURSOR pressed_ = nullptr;
  std::string logger_;
  std::string logPath_;
  std::vector<ExecCall> calls_;
  void** execSlot_ = nullptr;
  std::vector<std::string> extraFiles_;
};

// ---- Refusals ----

TEST_F(RunButtonTest, NothingSelectedRefusesAButtonThatRequiresAFile) {
  HLOCAL button = AddRecord(logger_, 1, BF_REQUIRES_FILE | BF_PASS_FILES | BF_MULTIPLE_FILES);
  MessageBoxCatcher catcher;
  Click(button);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
  EXPECT_EQ(catcher.boxes()[0].text, "Please select a file!");
  EXPECT_EQ(catcher.boxes()[0].style, UINT(MB_OK));
  EXPECT_EQ(catcher.boxes()[0].owner, frame_);
  EXPECT_TRUE(calls_.empty());
  EXPECT_EQ(fm.asked, std::vector<UINT>{FM_GETSELCOUNTLFN});
}

TEST_F(RunButtonTest, SeveralSelectedRefuseAButtonForOneFileEvenWhenItPassesNone) {
  MessageBoxCatcher catcher;
  Select({"C:\\A.TXT", "C:\\B.TXT"});
  for (uint32_t flags : {uint32_t(BF_PASS_FILES), uint32_t(0), uint32_t(BF_REQUIRES_FILE)}) {
    HLOCAL button = AddRecord(logger_, 1, flags);
    catcher.clear();
    fm.asked.clear();
    Click(button);
    ASSERT_EQ(catcher.boxes().size(), 1u) << flags;
    EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
    EXPECT_EQ(catcher.boxes()[0].text, "Please select only 1 file!");
    EXPECT_EQ(catcher.boxes()[0].owner, frame_);
    EXPECT_EQ(fm.asked, std::vector<UINT>{FM_GETSELCOUNTLFN}) << "no name asked for";
  }
  EXPECT_TRUE(calls_.empty());
}

TEST_F(RunButtonTest, TheMissingFileIsToldBeforeTheTooManyFilesRule) {
  HLOCAL button = AddRecord(logger_, 1, BF_REQUIRES_FILE | BF_PASS_FILES);
  MessageBoxCatcher catcher;
  Click(button);  // nothing selected: one box, the first rule's
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text, "Please select a file!");
  EXPECT_TRUE(calls_.empty());
}

// ---- Programs started for real ----

TEST_F(RunButtonTest, OneSelectedFileIsPassedOnlyWhenTheButtonPassesFiles) {
  Select({"C:\\DATA\\README.TXT"});
  HLOCAL ignoring = AddRecord(logger_ + " /quiet", 1, 0);
  HLOCAL passing = AddRecord(logger_, 1, BF_PASS_FILES | BF_REQUIRES_FILE);
  MessageBoxCatcher catcher;
  Click(ignoring);
  LoggedRun first = WaitForRun();
  EXPECT_EQ(first.commandLine, logger_ + " /quiet");
  DeleteFileA(logPath_.c_str());

  Click(passing);
  LoggedRun second = WaitForRun();
  EXPECT_EQ(second.commandLine, logger_ + " C:\\DATA\\README.TXT");
  ASSERT_EQ(second.arguments.size(), 2u);
  EXPECT_EQ(second.arguments[1], "C:\\DATA\\README.TXT");
  EXPECT_TRUE(catcher.boxes().empty());
}

// An older File Manager answers only the ANSI message: the Unicode one is
// asked first for every name.
TEST_F(RunButtonTest, ThreeFilesFollowTheProgramQuotedWhenTheyHoldBlanks) {
  Select({"C:\\DATA\\PLAIN.TXT", "C:\\My Documents\\two words.doc", "C:\\DATA\\cafe.txt"});
  HLOCAL button = AddRecord(logger_, 1, BF_PASS_FILES | BF_MULTIPLE_FILES);
  MessageBoxCatcher catcher;
  Click(button);
  EXPECT_TRUE(catcher.boxes().empty());
  const std::string expected =
      logger_ + " C:\\DATA\\PLAIN.TXT \"C:\\My Documents\\two words.doc\" C:\\DATA\\cafe.txt";
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].commandLine, expected);
  LoggedRun run = WaitForRun();
  EXPECT_EQ(run.commandLine, expected);
  ASSERT_EQ(run.arguments.size(), 4u);
  EXPECT_EQ(run.arguments[1], "C:\\DATA\\PLAIN.TXT");
  EXPECT_EQ(run.arguments[2], "C:\\My Documents\\two words.doc");
  EXPECT_EQ(run.arguments[3], "C:\\DATA\\cafe.txt");
  std::vector<UINT> asked = {FM_GETSELCOUNTLFN, FM_GETFILESELLFNW, FM_GETFILESELLFNA,
                             FM_GETFILESELLFNW, FM_GETFILESELLFNA, FM_GETFILESELLFNW,
                             FM_GETFILESELLFNA};
  EXPECT_EQ(fm.asked, asked);
}

// An empty file or a folder has a size of 0 and is passed all the same; only
// an entry File Manager gave no name for is left out.
TEST_F(RunButtonTest, OnlyAnEntryWithoutANameIsLeftOutAndATabAlsoQuotes) {
  fakeStart = kPretendStarted;  // the names need not exist: the start is only watched
  fm.selection = {{"C:\\A.TXT", 10}, {"C:\\EMPTY.TXT", 0}, {"", 1}, {"C:\\x\ty.txt", 1}};
  HLOCAL button = AddRecord("C:\\TOOLS\\VIEW.EXE", 1, BF_PASS_FILES | BF_MULTIPLE_FILES);
  MessageBoxCatcher catcher;
  Click(button);
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].commandLine, "C:\\TOOLS\\VIEW.EXE C:\\A.TXT C:\\EMPTY.TXT \"C:\\x\ty.txt\"");
  EXPECT_TRUE(catcher.boxes().empty());
  EXPECT_EQ(AppendSelectedFile(2), 0);
  EXPECT_EQ(AppendSelectedFile(1), 1);
}

TEST_F(RunButtonTest, ABatchFileRunsThroughTheCommandInterpreter) {
  // In the temporary folder: the command interpreter's quoting rules would
  // split a checkout folder with blanks.
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  std::string batch = std::string(temp) + "run_button_test.bat";
  std::string marker = std::string(temp) + "run_button_test.marker";
  extraFiles_ = {batch, marker};
  DeleteFileA(marker.c_str());
  {
    std::ofstream out(batch, std::ios::binary);
    out << "@echo off\r\necho ran %1> \"" << marker << "\"\r\necho done>> \"" << marker << "\"\r\n";
  }
  Select({"C:\\DATA\\NOTES.TXT"});
  HLOCAL button = AddRecord(batch, 1, BF_PASS_FILES | BF_BATCH, 7);
  MessageBoxCatcher catcher;
  Click(button);
  EXPECT_TRUE(catcher.boxes().empty());
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].commandLine, "CMD.EXE /C " + batch + " C:\\DATA\\NOTES.TXT");
  std::string written = WaitForFile(marker, "done\r\n");
  EXPECT_EQ(written, "ran C:\\DATA\\NOTES.TXT\r\ndone\r\n");
}

// ---- Start failures ----

// The process API's errors, told with the WinExec texts.
TEST_F(RunButtonTest, EveryStartErrorHasItsWinExecText) {
  struct Case {
    DWORD error;
    const char* text;
  };
  const Case cases[] = {
      {ERROR_PATH_NOT_FOUND, "The path to the specified program is invalid."},
      {ERROR_INVALID_NAME, "The path to the specified program is invalid."},
      {ERROR_ACCESS_DENIED, "A file sharing error has occurred on the specified program."},
      {ERROR_SHARING_VIOLATION, "A file sharing error has occurred on the specified program."},
      {ERROR_NOT_ENOUGH_MEMORY, "Insufficient memory to load the specified program."},
      {ERROR_BAD_EXE_FORMAT, "The specified program file is sick."},
      {ERROR_EXE_MACHINE_TYPE_MISMATCH,
       "The specified program was designed for a different operating system."},
      {21, "The specified program requires Microsoft Windows 32-bit extensions."},
      {7, "WinExec error code = 7."},
      {31, "WinExec error code = 31."},
  };
  HLOCAL button = AddRecord("C:\\TOOLS\\EDIT.EXE", 1, 0);
  MessageBoxCatcher catcher;
  for (const Case& c : cases) {
    fakeStart = static_cast<int>(c.error);
    catcher.clear();
    Click(button);
    ASSERT_EQ(catcher.boxes().size(), 1u) << c.error;
    EXPECT_EQ(catcher.boxes()[0].text,
              std::string(
                  "Windows is unable to execute the specified program: \n\rC:\\TOOLS\\EDIT.EXE\n") +
                  c.text);
  }
  fakeStart = kPretendStarted;
  catcher.clear();
  Click(button);
  EXPECT_TRUE(catcher.boxes().empty());
}

// ---- The command line's limit ----

// The process API's own limit: 32,767 characters with the end mark.
TEST_F(RunButtonTest, ACommandLineThatWouldNotFitIsRefusedAndNothingStarts) {
  fakeStart = kPretendStarted;
  const std::string program = "C:\\TOOLS\\VIEW.EXE";  // 17 characters
  // 131 names of 249 characters, each after a separator: 32,767, one too many.
  fm.selection.assign(131, {"C:\\" + std::string(246, 'a'), 1});
  HLOCAL button = AddRecord(program, 1, BF_PASS_FILES | BF_MULTIPLE_FILES);
  MessageBoxCatcher catcher;
  Click(button);
  EXPECT_TRUE(calls_.empty());
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
  EXPECT_EQ(catcher.boxes()[0].text,
            "The command line is longer than 32766 characters; the program was not started.");
  EXPECT_EQ(catcher.boxes()[0].owner, frame_);

  fm.selection.back().name.pop_back();  // one character less: it fits exactly
  catcher.clear();
  Click(button);
  EXPECT_TRUE(catcher.boxes().empty());
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].commandLine.size(), 32766u);
}

// ---- Menu buttons ----

TEST_F(RunButtonTest, AMenuButtonIsResolvedSentAndRefreshedWithThePointerPutBack) {
  HLOCAL button = AddRecord("move", 0, 0);
  HLOCAL other = AddRecord("Sort by Name", 0, 0);
  ASSERT_EQ(PeekRecord(button).menuCommand, -1);
  ASSERT_TRUE(SetCursorPos(120, 90));
  POINT before;
  GetCursorPos(&before);
  MessageBoxCatcher catcher;
  Click(button);
  EXPECT_TRUE(catcher.boxes().empty());
  std::vector<std::pair<UINT, WPARAM>> expected = {{WM_COMMAND, 102}, {FM_REFRESH_WINDOWS, 0}};
  EXPECT_EQ(fm.instructions, expected);
  EXPECT_EQ(fm.commandLParam, 0);
  EXPECT_EQ(PeekRecord(button).menuCommand, 102);
  EXPECT_EQ(PeekRecord(other).menuCommand, 401) << "every menu button is resolved at once";
  EXPECT_EQ(fm.pointerSeenInCommand.x, 300) << "the command did move the pointer";
  EXPECT_EQ(fm.pointerSeenInCommand.y, 260);
  POINT after;
  GetCursorPos(&after);
  EXPECT_EQ(after.x, before.x);
  EXPECT_EQ(after.y, before.y);

  // Resolved once, sent again as it is.
  fm.instructions.clear();
  Click(other);
  expected = {{WM_COMMAND, 401}, {FM_REFRESH_WINDOWS, 0}};
  EXPECT_EQ(fm.instructions, expected);
  EXPECT_TRUE(calls_.empty());
}

TEST_F(RunButtonTest, AMenuTextNotInFileManagersMenusSendsNothing) {
  HLOCAL button = AddRecord("Frobnicate", 0, 0);
  MessageBoxCatcher catcher;
  Click(button);
  EXPECT_TRUE(fm.instructions.empty());
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
  EXPECT_EQ(catcher.boxes()[0].text,
            "The menu item \"Frobnicate\" was not found in File Manager's menus.");
  EXPECT_EQ(catcher.boxes()[0].owner, frame_);
  EXPECT_EQ(PeekRecord(button).menuCommand, -1);
}

TEST_F(RunButtonTest, AMenuButtonThatRequiresAFileSendsNothingWithoutOne) {
  HLOCAL button = AddRecord("Copy", 0, BF_REQUIRES_FILE);
  MessageBoxCatcher catcher;
  Click(button);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text, "Please select a file!");
  EXPECT_TRUE(fm.instructions.empty());
  EXPECT_EQ(PeekRecord(button).menuCommand, -1) << "not even looked up";

  Select({"C:\\A.TXT", "C:\\B.TXT"});  // menu buttons know no file-count rule
  catcher.clear();
  Click(button);
  EXPECT_TRUE(catcher.boxes().empty());
  std::vector<std::pair<UINT, WPARAM>> expected = {{WM_COMMAND, 103}, {FM_REFRESH_WINDOWS, 0}};
  EXPECT_EQ(fm.instructions, expected);
}

// ---- The pressed state ----

TEST_F(RunButtonTest, ThePressedCursorIsDestroyed) {
  HLOCAL button = AddRecord("Rename", 0, 0);
  MessageBoxCatcher catcher;
  Click(button);
  ICONINFO info{};
  EXPECT_FALSE(GetIconInfo(pressed_, &info)) << "the pressed cursor lives no longer";
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
}

}  // namespace
