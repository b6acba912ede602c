// A program button run against a stand-in frame with the process start watched;
// real starts and menu buttons run through the real DLL in the integration tests.
#include <gtest/gtest.h>

#include "bar/bar_test_window.h"
#include "bar/run_button.h"
#include "host/fm_interface.h"
#include "resources/resource.h"
#include "support/msgbox_catcher.h"

namespace {

// An older File Manager: it answers only the ANSI selection and folder
// messages, in OEM.
std::vector<std::string> selection;
std::string activeFolder;

LRESULT CALLBACK FakeFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case FM_GETSELCOUNTLFN:
      return static_cast<LRESULT>(selection.size());
    case FM_GETFILESELLFNA: {
      auto* record = reinterpret_cast<FMS_GETFILESELA*>(lParam);
      if (wParam < selection.size()) CharToOemA(selection[wParam].c_str(), record->szName);
      return 0;
    }
    case FM_GETDRIVEINFOA:
      CharToOemA(activeFolder.c_str(), reinterpret_cast<FMS_GETDRIVEINFOA*>(lParam)->szPath);
      return 1;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

// The command lines started, each after the program named apart and before
// "@" and the folder it starts in, and the error a start fails with (0: it
// pretends).
std::string startedLines;
DWORD startError = 0;
BOOL WINAPI WatchedCreateProcessW(LPCWSTR program, LPWSTR commandLine, LPSECURITY_ATTRIBUTES,
                                  LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCWSTR folder,
                                  LPSTARTUPINFOW, LPPROCESS_INFORMATION started) {
  // All ASCII.
  if (program) startedLines.append(program, program + wcslen(program)).append("|");
  startedLines.append(commandLine, commandLine + wcslen(commandLine));
  if (folder) startedLines.append("@").append(folder, folder + wcslen(folder));
  *started = PROCESS_INFORMATION{};
  SetLastError(startError);
  return startError == 0;
}

class RunButtonTest : public BarWindowTest {
 protected:
  void SetUp() override {
    BarWindowTest::SetUp();
    extState.frameWindow = CreateWindowExA(0, "STATIC", "File Manager", WS_OVERLAPPEDWINDOW, 0, 0,
                                           640, 480, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(extState.frameWindow, nullptr);
    SetWindowLongPtrA(extState.frameWindow, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(FakeFrameProc));
    lstrcpyA(extState.fileSeparator, " ");
    arrow_ = LoadCursorA(nullptr, IDC_ARROW);
    SetClassLongPtrA(extState.barWindow, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(arrow_));
    startSlot_ = PatchImport(GetModuleHandleA(nullptr), "kernel32.dll", "CreateProcessW",
                             reinterpret_cast<void*>(&WatchedCreateProcessW), &realStart_);
    ASSERT_NE(startSlot_, nullptr) << "the extension's code calls CreateProcessW";
  }
  void TearDown() override {
    if (startSlot_)
      PatchImport(GetModuleHandleA(nullptr), "kernel32.dll", "CreateProcessW", realStart_, nullptr);
    DestroyWindow(extState.frameWindow);
    BarWindowTest::TearDown();
  }

  // Runs the button as its release does, after the press locked it and showed
  // the pressed cursor; that cursor goes and only the hit test's lock stays.
  void Click(HLOCAL handle) {
    hitButton = static_cast<ButtonRecord*>(LocalLock(handle));
    SetCursor(arrow_);
    HCURSOR pressed =
        static_cast<HCURSOR>(LoadImageA(extState.instance, MAKEINTRESOURCEA(IDC_PRESSED_CURSOR),
                                        IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
    savedCursor = SetCursor(pressed);
    RunButton();
    EXPECT_EQ(currentButton, handle);
    EXPECT_EQ(GetCursor(), arrow_);
    EXPECT_EQ(LockCount(handle), 1u);
    EXPECT_EQ(LockCount(PeekRecord(handle).programName.handle), 0u);
    ICONINFO info{};
    EXPECT_FALSE(GetIconInfo(pressed, &info)) << "the pressed cursor lives no longer";
    LocalUnlock(handle);
    currentButton = nullptr;
  }

  HCURSOR arrow_ = nullptr;
  void** startSlot_ = nullptr;
  void* realStart_ = nullptr;
};

// Each row: a program button, what is selected, how the start fails; the
// command line started, or the one box that refuses or explains.
TEST_F(RunButtonTest, ProgramButtonsStartTheirCommandLineOrSayWhyNot) {
  const std::string view = "C:\\TOOLS\\VIEW.EXE";  // 17 characters
  const std::vector<std::string> one = {"C:\\DATA\\README.TXT"}, two = {"C:\\A.TXT", "C:\\B.TXT"},
                                 blanks = {"C:\\A.TXT", "C:\\My Docs\\two.doc", "", "C:\\x\ty.txt"};
  // 131 names of 249 characters, each after a separator, with the program:
  // 32,767 with the end mark, one too many; one character less fits exactly.
  std::vector<std::string> tooMany(131, "C:\\" + std::string(246, 'a')), fitting = tooMany;
  fitting.back().pop_back();
  std::string fullLine = view;
  for (const std::string& name : fitting) fullLine += " " + name;
  // Names that make a batch command line of `length` characters, every name
  // quoted, the interpreter's whole line counted: each name takes 250 but the
  // last two, which share the rest.
  char system[MAX_PATH] = "";
  GetSystemDirectoryA(system, MAX_PATH);
  const std::string cmd = std::string(system) + "\\cmd.exe",
                    batchStart = cmd + "|\"" + cmd + "\" /D /V:OFF /S /C \"" + view;
  auto batchNames = [&](size_t length) {
    const size_t left = length - (batchStart.size() - cmd.size() - 1) - 1, count = left / 250 - 1;
    std::vector<std::string> names(count, "C:\\" + std::string(244, 'b'));
    for (size_t part : {(left - 250 * count) / 2, left - 250 * count - (left - 250 * count) / 2})
      names.push_back("C:\\" + std::string(part - 6, 'c'));
    return names;
  };
  std::string batchLine = batchStart;
  for (const std::string& name : batchNames(8191)) batchLine += " \"" + name + "\"";
  const std::string failed =
      "Windows is unable to execute the specified program: \n\r" + view + "\n";
  const std::string batchParameters =
      "The parameters \"50%%\" cannot be passed to a batch file safely: the command interpreter "
      "would read a percent sign left after the placeholders, a lone quotation mark or a line end "
      "in them as part of the command. The program was not started.";
  const struct {
    uint32_t flags;
    std::vector<std::string> selection;
    DWORD error;
    std::string started, box;
    std::string parameters = "", startFolder = "", folder = "C:\\WORK";  // of File Manager
  } cases[] = {
      {BF_REQUIRES_FILE | BF_PASS_FILES | BF_MULTIPLE_FILES, {}, 0, "", "Please select a file!"},
      {BF_PASS_FILES, {}, 0, view, ""},
      {0, two, 0, "", "Please select only 1 file!"},  // even when it passes none
      {0, one, 0, view, ""},
      {BF_PASS_FILES | BF_REQUIRES_FILE, one, 0, view + " C:\\DATA\\README.TXT", ""},
      // Through the interpreter every name is quoted; its line holds 8,191 at most.
      {BF_PASS_FILES | BF_BATCH, one, 0, batchStart + " \"C:\\DATA\\README.TXT\"\"", ""},
      {BF_PASS_FILES | BF_MULTIPLE_FILES | BF_BATCH, batchNames(8191), 0, batchLine + "\"", ""},
      {BF_PASS_FILES | BF_MULTIPLE_FILES | BF_BATCH, batchNames(8192), 0, "",
       "The command line is longer than 8191 characters; the program was not started."},
      // Names with a blank or a tab are quoted; an entry without a name is left out.
      {BF_PASS_FILES | BF_MULTIPLE_FILES, blanks, 0,
       view + " C:\\A.TXT \"C:\\My Docs\\two.doc\" \"C:\\x\ty.txt\"", ""},
      {BF_PASS_FILES | BF_MULTIPLE_FILES, fitting, 0, fullLine, ""},
      {BF_PASS_FILES | BF_MULTIPLE_FILES, tooMany, 0, "",
       "The command line is longer than 32766 characters; the program was not started."},
      // A failed start is told in WinExec's words after the command line.
      {0, {}, ERROR_INVALID_NAME, view, "The path to the specified program is invalid."},
      {0, {}, ERROR_BAD_EXE_FORMAT, view, "The specified program file is sick."},
      {0, {}, 7, view, "WinExec error code = 7."},
      // Placeholders: quoted by the bar's rules outside the user's quotes, as
      // they are inside; a backslash before the user's closing quote doubled.
      {BF_PASS_FILES | BF_MULTIPLE_FILES, two, 0,
       view + " a \"C:\\WORK\\archive.7z\" C:\\A.TXT C:\\B.TXT", "", "a \"%P\\archive.7z\" %F"},
      {BF_PASS_FILES | BF_MULTIPLE_FILES, blanks, 0, view + " -C \"C:\\\\\" \"C:\\A.TXT\" next", "",
       "-C \"%P\" \"%N\" next", "", "C:\\"},
      {BF_PASS_FILES, one, 0, view + " 100% %X C:\\DATA\\README.TXT", "", "100%% %X"},
      {0, one, 0, view + " -q ", "", "-q %F"},
      {BF_PASS_FILES,
       {"C:\\a\"b.txt"},
       0,
       "",
       "The name \"C:\\a\"b.txt\" holds a quotation mark: put between the quotes of the "
       "button's parameters it would end them. The program was not started.",
       "\"%N\""},
      {BF_PASS_FILES | BF_BATCH, one, 0,
       batchStart + " x \"C:\\DATA\\README.TXT\" \"C:\\WORK\\out\"\"", "", "x %N \"%P\\out\""},
      {BF_BATCH, {}, 0, "", batchParameters, "50%%"},
      {0,
       {},
       0,
       "",
       "File Manager did not tell the folder of its active window (%P). The program was not "
       "started.",
       "%P",
       "",
       ""},
      // The start folder: an existing one, %P, and one that does not exist.
      {0, {}, 0, view + "@C:\\", "", "", "%P", "C:\\"},
      {0, {}, 0, view + "@" + system, "", "", system},
      {0,
       {},
       0,
       "",
       "The start folder \"C:\\WORK\\gone\" does not exist. The program was not started.",
       "",
       "%P\\gone"},
  };
  MessageBoxCatcher catcher;
  const HLOCAL button = LocalHandle(CreateButton(view.c_str(), "", "", 1, 1, nullptr));
  const uint32_t flags = PeekRecord(button).flags;
  LocalUnlock(button);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.flags << " " << c.selection.size() << " " << c.error);
    selection = c.selection;
    activeFolder = c.folder;
    startError = c.error;
    startedLines.clear();
    catcher.clear();
    auto* record = static_cast<ButtonRecord*>(LocalLock(button));
    record->flags = flags | c.flags;
    ASSERT_TRUE(SetButtonText(&record->parameters, c.parameters.c_str()) &&
                SetButtonText(&record->startFolder, c.startFolder.c_str()));
    LocalUnlock(button);
    Click(button);
    EXPECT_EQ(startedLines, c.started);
    ASSERT_EQ(catcher.boxes().size(), c.box.empty() ? 0u : 1u);
    if (c.box.empty()) continue;
    EXPECT_EQ(catcher.boxes()[0].text, (c.error ? failed : "") + c.box);
    EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
    EXPECT_EQ(catcher.boxes()[0].owner, extState.frameWindow);
  }
}

}  // namespace
