// The real extension in the stand-in File Manager: the bar on the screen
// under the menu bar, and clicks on its buttons running File Manager's
// commands, its Delete dialog and real programs.
#include <gtest/gtest.h>

#include <oleacc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <thread>

#include "bar/buttons.h"
#include "bar_host_fixture.h"
#include "support/dialog_script.h"
#include "support/msgbox_catcher.h"

namespace barhost {
namespace {

// The processes the extension starts, held open so that a run can be waited
// for to its end rather than for a while.
std::vector<HANDLE> startedProcesses;
void* realCreateProcessW = nullptr;
BOOL WINAPI KeepStartedProcess(LPCWSTR program, LPWSTR line, LPSECURITY_ATTRIBUTES process,
                               LPSECURITY_ATTRIBUTES thread, BOOL inherit, DWORD flags,
                               LPVOID environment, LPCWSTR directory, LPSTARTUPINFOW startup,
                               LPPROCESS_INFORMATION started) {
  const BOOL ok = reinterpret_cast<decltype(&CreateProcessW)>(realCreateProcessW)(
      program, line, process, thread, inherit, flags, environment, directory, startup, started);
  HANDLE copy = nullptr;
  if (ok && DuplicateHandle(GetCurrentProcess(), started->hProcess, GetCurrentProcess(), &copy,
                            SYNCHRONIZE, FALSE, 0))
    startedProcesses.push_back(copy);
  return ok;
}

using fmhost::SortOrder;
using Names = std::vector<std::string>;

Keys Colour(const std::string& prefix, COLORREF colour, Keys more = {}) {
  more.insert(more.end(), {{prefix + " Red", std::to_string(GetRValue(colour))},
                           {prefix + " Green", std::to_string(GetGValue(colour))},
                           {prefix + " Blue", std::to_string(GetBValue(colour))}});
  return more;
}
std::vector<LONG> Sides(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

class BarClickTest : public BarInHostTest {
 protected:
  void SetUp() override {
    BarInHostTest::SetUp();
    log_ = directory_ + "\\cmdline.log";
    SetEnvironmentVariableA("QX_CMDLINE_LOG", log_.c_str());
  }
  Keys Logger(const std::string& program, Keys more = {}) {
    more.insert(more.begin(),
                {{"Program Name or Menu Item", program}, {"Pass Selected Files", "1"}});
    return more;
  }
  // The logger's runs (command line, then the arguments after the program's
  // name; in programs_ the program that ran) once `count` have ended or at
  // the timeout; the log is gone after.
  std::vector<Names> WaitForRuns(size_t count, DWORD timeout = 20000) {
    std::vector<Names> runs;
    for (DWORD start = GetTickCount();;) {
      if (count) fmhost::Pump(50);
      runs.clear();
      programs_.clear();
      folders_.clear();
      std::ifstream log(log_, std::ios::binary);
      Names run;
      bool inArgument = false;  // a line that is none of the logger's is the argument's rest
      for (std::string line; std::getline(log, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("program: ", 0) == 0) {
          programs_.push_back(line.substr(9));
        } else if (line.rfind("folder: ", 0) == 0) {
          folders_.push_back(line.substr(8));
        } else if (line.rfind("cmdline: ", 0) == 0) {
          // A program path with a blank comes quoted.
          run = {line.substr(9)};
          if (run[0].rfind('"' + logger_ + '"', 0) == 0)
            run[0].replace(0, logger_.size() + 2, logger_);
        } else if (line.rfind("argv[", 0) == 0) {
          if (line.rfind("argv[0]", 0) != 0) run.push_back(line.substr(line.find("]: ") + 3));
          inArgument = line.rfind("argv[0]", 0) != 0;
          continue;
        } else if (line == "end") {
          runs.push_back(run);
        } else if (inArgument) {
          run.back() += "\n" + line;
          continue;
        }
        inArgument = false;
      }
      if (runs.size() >= count || GetTickCount() - start >= timeout) break;
    }
    DeleteFileA(log_.c_str());
    return runs;
  }
  std::string logger_ = ProgramDirectory() + "\\cmdline_logger.exe";
  std::string log_;
  Names programs_, folders_;  // of each run: the program that ran, its current folder
};
using BarOnScreenTest = BarClickTest;

// Reads the first popup menu this thread opens, from inside its modal loop,
// and chooses its item `choose` with the keyboard (-1: closes it).
class MenuChooser {
 public:
  explicit MenuChooser(int choose) : choose_(choose) {
    active_ = this;
    timer_ = SetTimer(nullptr, 0, 20, Tick);
  }
  ~MenuChooser() {
    KillTimer(nullptr, timer_);
    active_ = nullptr;
  }
  Names items;
  bool seen = false;

 private:
  static BOOL CALLBACK Visit(HWND window, LPARAM found) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32768") != 0 || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    MenuChooser* self = active_;
    HWND window = nullptr;
    if (!self || self->seen) return;
    EnumThreadWindows(GetCurrentThreadId(), Visit, reinterpret_cast<LPARAM>(&window));
    auto menu = window ? reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0)) : nullptr;
    if (!menu) return;
    self->seen = true;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      char text[260] = "";
      GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
      self->items.push_back(text);
    }
    if (self->choose_ < 0) {
      EndMenu();
      return;
    }
    for (int i = 0; i <= self->choose_; ++i) PostMessageA(window, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
  }
  static MenuChooser* active_;
  int choose_;
  UINT_PTR timer_ = 0;
};
MenuChooser* MenuChooser::active_ = nullptr;

// Where the layout put each button, in list order (bar client coordinates).
std::vector<RECT> ButtonPlaces(HWND bar) {
  std::vector<RECT> places;
  for (auto handle = reinterpret_cast<HLOCAL>(GetWindowLongPtrA(bar, 0)); handle;) {
    auto* record = static_cast<ButtonRecord*>(LocalLock(handle));
    if (!record) break;
    places.push_back({record->left, record->top, record->right, record->bottom});
    HLOCAL next = record->next;
    LocalUnlock(handle);
    handle = next;
  }
  return places;
}
using ProgramButtonTest = BarClickTest;

constexpr COLORREF kBarColour = RGB(32, 160, 64);

// A menu button with its built-in icon on blue, a program button whose icon
// is missing on yellow, an unframed menu button.
TEST_F(BarOnScreenTest, StandsUnderTheMenuBarAsItIsLaidOut) {
  for (bool framed : {true, false}) {
    geometry_.barFramed = framed;
    StartWith({MenuButton("Sort by Type", Colour("Icon Background Color", RGB(0, 0, 255))),
               Logger("notepad.exe", Colour("Icon Background Color", RGB(255, 255, 0),
                                            {{"Icon Name", "missing.ico"}})),
               MenuButton("Sort by Name", {{"Icon Frame", "0"}})},
              Colour("Bar Background Color", kBarColour));
    EXPECT_EQ(GetWindowLongPtrA(Bar(), GWL_STYLE) & 0xFFFFFFFF, framed ? 0x54040000 : 0x54000000);
  }
  EXPECT_TRUE(GetWindowLongPtrA(Bar(), GWL_EXSTYLE) & WS_EX_NOPARENTNOTIFY);

  // The stand-in offers its MDI client the whole client area: the bar takes
  // the top, the MDI client the rest, and the tree window is fitted into it.
  RECT client, inside;
  GetClientRect(frame_, &client);
  const HWND mdiClient = fmhost::MdiClient(frame_);
  EXPECT_EQ(Sides(WindowRectIn(Bar(), frame_)), Sides({0, 0, geometry_.length, geometry_.height}));
  EXPECT_EQ(Sides(WindowRectIn(mdiClient, frame_)),
            Sides({0, geometry_.height + 1, client.right, client.bottom}));
  GetClientRect(mdiClient, &inside);
  EXPECT_EQ(WindowRectIn(Tree(), mdiClient).top, 0);
  EXPECT_EQ(WindowRectIn(Tree(), mdiClient).bottom, inside.bottom);

  // Across the middle, each run of other colours than the bar's is one
  // button with its frame (black, grey, white), the row centred.
  BarPicture picture(Bar());
  ASSERT_EQ(picture.width(), geometry_.length);
  ASSERT_EQ(picture.height(), geometry_.height);
  const RECT first = geometry_.Button(0), second = geometry_.Button(1), third = geometry_.Button(2);
  const int middle = (first.top + first.bottom) / 2;
  std::vector<std::pair<int, int>> runs;
  for (int x = 0; x < picture.width(); ++x) {
    if (picture.At(x, middle) == kBarColour) continue;
    if (runs.empty() || runs.back().second != x - 1) runs.push_back({x, x});
    runs.back().second = x;
  }
  EXPECT_EQ(runs, (std::vector<std::pair<int, int>>{{first.left - 3, first.right + 2},
                                                    {second.left - 3, second.right + 2},
                                                    {third.left, third.right - 1}}));
  EXPECT_EQ(picture.At(first.left - 1, middle), RGB(255, 255, 255));
  EXPECT_EQ(picture.At(first.right + 2, middle), RGB(0, 0, 0));
  // Only the icon-less square is its colour alone.
  auto count = [&](const RECT& square, COLORREF colour) {
    int n = 0;
    for (int y = square.top; y < square.bottom; ++y)
      for (int x = square.left; x < square.right; ++x) n += picture.At(x, y) == colour;
    return n;
  };
  const int area = (first.right - first.left) * (first.bottom - first.top);
  EXPECT_EQ(count(second, RGB(255, 255, 0)), area);
  EXPECT_GT(count(first, RGB(0, 0, 255)), 0);
  EXPECT_LT(count(first, RGB(0, 0, 255)), area);

  // With the bar off the next placement gives the MDI client its full place.
  for (UINT command : {kBarOff, kBarOn}) {
    Command(command);
    SetWindowPos(frame_, nullptr, 0, 0, command == kBarOff ? 820 : 800, 600,
                 SWP_NOMOVE | SWP_NOZORDER);
    fmhost::Pump(50);
    GetClientRect(frame_, &client);
    EXPECT_EQ(
        Sides(WindowRectIn(mdiClient, frame_)),
        Sides({0, command == kBarOff ? 0 : geometry_.height + 1, client.right, client.bottom}));
  }
}

// Only a press inside a button's square runs it, wherever it is released.
TEST_F(BarClickTest, APressRunsTheMenuCommandOfTheButtonUnderIt) {
  StartWith({MenuButton("Sort by Type"), MenuButton("Sort by Name")});
  const RECT first = geometry_.Button(0);
  const POINT centre = geometry_.Centre(0), middle = {first.left, centre.y};
  const struct {
    POINT down, up;
    SortOrder after;
  } presses[] = {
      {middle, middle, SortOrder::kName},  // the edge
      {{(first.right + geometry_.Button(1).left) / 2, centre.y}, middle, SortOrder::kName},
      {{first.left + 1, first.top + 1}, {first.left + 1, first.top + 1}, SortOrder::kType},
      {geometry_.Centre(1), geometry_.Centre(1), SortOrder::kName},
      {centre, {centre.x + 200, centre.y}, SortOrder::kType},
  };
  for (const auto& press : presses) {
    SendMessageA(Bar(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(press.down.x, press.down.y));
    SendMessageA(Bar(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(press.up.x, press.up.y));
    SendMessageA(Bar(), WM_LBUTTONUP, 0, MAKELPARAM(press.up.x, press.up.y));
    fmhost::Pump(20);
    EXPECT_EQ(fmhost::CurrentSortOrder(), press.after) << press.down.x << "," << press.down.y;
    EXPECT_NE(GetCapture(), Bar());
  }
  EXPECT_EQ(fmhost::LastCommand(), fmhost::kSortByType);
}

TEST_F(BarClickTest, AButtonThatCannotRunSaysWhyAndDoesNothing) {
  const std::string missing = ProgramDirectory() + "\\no_such_program.exe";
  StartWith({MenuButton("Sort by Type", {{"Requires File", "1"}}),
             MenuButton("Format Hard Disk"),
             Logger(logger_, {{"Allow Multiple Files", "0"}}),
             {{"Program Name or Menu Item", missing}, {"Pass Selected Files", "0"}},
             Logger(logger_, {{"Start Folder", directory_ + "\\gone"}})});
  MakeFile("one.txt");
  MakeFile("two.txt");
  const std::string notFound =
      "The menu item \"Format Hard Disk\" was not found in File Manager's menus.";
  const std::string cannot = "Windows is unable to execute the specified program: \n\r" + missing +
                             "\nThe specified program can not be found.";
  const struct {
    int button;
    Names selection;
    std::string text;  // empty: it runs
    UINT icon;
  } cases[] = {
      {0, {}, "Please select a file!", 0},
      {1, {}, notFound, MB_ICONEXCLAMATION},
      {2, {"one.txt", "two.txt"}, "Please select only 1 file!", 0},
      {3, {}, cannot, MB_ICONHAND},
      {4,
       {},
       "The start folder \"" + directory_ + "\\gone\" does not exist. The program was not started.",
       MB_ICONHAND},
      {0, {"one.txt"}, "", 0}};
  MessageBoxCatcher catcher(Module());
  ASSERT_TRUE(catcher.watching());
  // Counts the starts the extension tries, however slowly a program would come up.
  ImportFault starts(Module(), "kernel32.dll", "CreateProcessW", QX_FAULT_HOOK(CreateProcessW), 0,
                     0, 0);
  ASSERT_TRUE(starts.patched());
  for (const auto& c : cases) {
    ASSERT_TRUE(Select(c.selection));
    catcher.clear();
    const WORD before = fmhost::LastCommand();
    ClickButton(c.button);
    if (c.text.empty()) {
      EXPECT_TRUE(catcher.boxes().empty());
      EXPECT_EQ(fmhost::CurrentSortOrder(), SortOrder::kType);
      continue;
    }
    ASSERT_EQ(catcher.boxes().size(), 1u) << c.text;
    EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
    EXPECT_EQ(catcher.boxes()[0].text, c.text);
    EXPECT_EQ(catcher.boxes()[0].style & MB_ICONMASK, c.icon) << c.text;
    EXPECT_EQ(catcher.boxes()[0].owner, frame_);
    EXPECT_EQ(fmhost::LastCommand(), before);
    EXPECT_EQ(fmhost::CurrentSortOrder(), SortOrder::kName);
  }
  EXPECT_EQ(starts.calls(), 1) << "only the missing program was tried";
}

// Without the Delete warning the extension answers File Manager's dialog
// captioned Delete (in any case) and that alone: File Manager's own
// confirmation still asks, also from inside the answered dialog's OK.
TEST_F(BarClickTest, TheDeleteButtonGoesThroughFileManagersDeleteDialog) {
  const struct {
    const char* warning;
    bool confirm, confirmInside;
    Names seen;
  } cases[] = {
      {"1", false, false, {"Delete"}},
      {"0", false, false, {}},
      {"0", true, false, {"Confirm File Delete"}},
      {"0", true, true, {"Confirm File Delete"}},
  };
  for (const auto& c : cases) {
    config_.confirmInsideDeleteDialog = c.confirmInside;
    StartWith({MenuButton("Delete")}, {{"Delete Warning", c.warning}});
    fmhost::SetConfirmFileDelete(c.confirm);
    MakeFile("victim.txt");
    MakeFile("bystander.txt");
    ASSERT_TRUE(Select({"victim.txt"}));
    // Any other dialog would stay until the watchdog fails the test.
    std::string texts;
    std::vector<DialogScript::Step> steps;
    for (const std::string& caption : c.seen)
      steps.push_back(DialogScript::In(caption, [&texts, caption](HWND d) {
        char text[520] = "";
        for (HWND child = GetWindow(d, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
          texts += std::string(text, GetWindowTextA(child, text, sizeof text)) + "|";
        ClickControl(d, caption == "Delete" ? IDCANCEL : IDYES);
      }));
    DialogScript script(std::move(steps));
    ClickButton(0);
    EXPECT_TRUE(script.finished()) << c.warning << c.confirm << c.confirmInside;
    EXPECT_EQ(texts.find("victim.txt") != std::string::npos, !c.seen.empty()) << texts;
    EXPECT_EQ(fmhost::LastCommand(), fmhost::kDelete);
    EXPECT_EQ(FileExists("victim.txt"), c.seen == Names{"Delete"});
    EXPECT_TRUE(FileExists("bystander.txt"));
    for (std::string caption : {"Delete", "DELETE", "delete", "Delete File", "Copy"}) {
      const bool answered = c.warning[0] == '0' && caption.size() == 6;
      std::vector<DialogScript::Step> cancel;
      if (!answered)
        cancel = {DialogScript::In(caption, [](HWND d) { ClickControl(d, IDCANCEL); })};
      DialogScript script(std::move(cancel));
      EXPECT_EQ(fmhost::ShowCaptionedDialog(frame_, caption), answered ? IDOK : IDCANCEL);
    }
  }
}

// Names with a blank are quoted, others arrive whole from today's File
// Manager and as ANSI or OEM names from an older one; an empty file is passed
// like any other, and a dozen long names make a command line far beyond the
// old 259 characters. Files dropped onto a button are passed as the selected,
// unless a dialog of File Manager's is up. Parameters put the files, the first
// file and File Manager's folder where they say, in a program's and a batch
// file's command line, started in the folder given.
TEST_F(ProgramButtonTest, PassesTheSelectedFilesToTheProgram) {
  using fmhost::SelectionNames;
  config_.names = SelectionNames::kAnsiAndUnicode;
  const std::string batch = directory_ + "\\to logger.bat";
  std::ofstream(batch) << "@\"" << logger_ << "\" %*\r\n";
  char system[MAX_PATH] = "";
  GetSystemDirectoryA(system, MAX_PATH);
  const std::vector<Keys> buttons = {
      Logger(logger_), Logger(logger_, {{"Allow Multiple Files", "0"}}),
      Logger(logger_, {{"Parameters", "a \"%P\\archive.7z\" %F"}, {"Start Folder", "%P"}}),
      Logger(logger_, {{"Parameters", "%N -x %%"}, {"Start Folder", system}}),
      Logger(batch, {{"Parameters", "-o \"%P\\out\" %F"}})};
  StartWith(buttons);
  Names many = {"empty.txt", u8"\u03b1\u03b2\u03b3.txt", u8"\u6587\u4ef6 \u540d.txt"};
  for (char c = 'a'; c < 'm'; ++c) many.push_back(std::string(110, c) + " x.txt");
  // Passed in the order the tree window lists them: by name, as lstrcmpi orders.
  std::sort(many.begin(), many.end(), [](const std::string& a, const std::string& b) {
    return lstrcmpiW(Wide(a, CP_UTF8).c_str(), Wide(b, CP_UTF8).c_str()) < 0;
  });
  Names manyPaths = {logger_};
  for (const std::string& name : many) {
    manyPaths.push_back(MakeFile(name, name == "empty.txt" ? 0 : 16));
    const bool blank = name.find(' ') != std::string::npos;
    manyPaths[0] += blank ? " \"" + manyPaths.back() + "\"" : " " + manyPaths.back();
  }
  const std::string one = MakeFile("one.txt"), two = MakeFile("two words.txt");
  const std::string accented = u8"\u00e9t\u00e9.txt", accentedPath = MakeFile(accented);
  const Names archive = {
      logger_ + " a \"" + directory_ + "\\archive.7z\" " + one + " \"" + two + "\"", "a",
      directory_ + "\\archive.7z", one, two};
  const struct {
    int button;
    Names selection, run;  // the command line, the arguments
    SelectionNames names = SelectionNames::kAnsiAndUnicode;
    bool dropped = false;  // onto the button after the bar was switched off and on
    // The drop comes while one of File Manager's dialogs is up: it is let go, and the click
    // that follows, with nothing selected, runs the program alone.
    bool dialogUp = false;
    std::string folder = "";  // the run's current folder; empty: not looked at
  } cases[] = {
      {0, {}, {logger_}},
      {0, {"one.txt", "two words.txt"}, {logger_ + " " + one + " \"" + two + "\"", one, two}},
      {1, {"one.txt"}, {logger_ + " " + one, one}},
      {0, many, manyPaths},
      // The OEM name does not name the file: the ANSI reading of it does.
      {1, {accented}, {logger_ + " " + accentedPath, accentedPath}, SelectionNames::kOem},
      {1, {accented}, {logger_ + " " + accentedPath, accentedPath}, SelectionNames::kAnsi},
      {0,
       {"one.txt", "two words.txt"},
       {logger_ + " " + one + " \"" + two + "\"", one, two},
       SelectionNames::kAnsi,
       true},
      {0, {"one.txt", "two words.txt"}, {logger_}, SelectionNames::kAnsi, true, true},
      {2,
       {"one.txt", "two words.txt"},
       archive,
       SelectionNames::kAnsiAndUnicode,
       false,
       false,
       directory_},
      {2,
       {"one.txt", "two words.txt"},
       archive,
       SelectionNames::kAnsiAndUnicode,
       true,
       false,
       directory_},
      {3,
       {"one.txt", "two words.txt"},
       {logger_ + " " + one + " -x %", one, "-x", "%"},
       SelectionNames::kAnsiAndUnicode,
       false,
       false,
       system},
      {4,
       {"one.txt", "two words.txt"},
       {logger_ + " -o \"" + directory_ + "\\out\" \"" + one + "\" \"" + two + "\"", "-o",
        directory_ + "\\out", one, two}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    if (c.names != config_.names) {
      config_.names = c.names;
      StartWith(buttons);
    }
    std::vector<std::wstring> selection;
    for (const std::string& name : c.selection)
      selection.push_back(Wide(c.dropped ? directory_ + "\\" + name : name, CP_UTF8));
    fmhost::Refresh(Tree());
    if (c.dropped) {
      Command(kBarOff);
      Command(kBarOn);
      POINT at = geometry_.Centre(c.button);
      ClientToScreen(Bar(), &at);
      ASSERT_TRUE(fmhost::DropFiles(at, selection));
      if (c.dialogUp) {  // a modal dialog disables File Manager's frame
        EnableWindow(frame_, FALSE);
        fmhost::Pump(50);
        EnableWindow(frame_, TRUE);
        ASSERT_TRUE(fmhost::SelectWideNames(Tree(), {}));
        ClickButton(c.button);
      }
    } else {
      ASSERT_TRUE(fmhost::SelectWideNames(Tree(), selection));
      ClickButton(c.button);
    }
    auto runs = WaitForRuns(1);
    ASSERT_EQ(runs.size(), 1u) << c.selection.size();
    EXPECT_EQ(runs[0], c.run);
    if (!c.folder.empty()) {
      EXPECT_EQ(folders_, Names{c.folder});
    }
  }
}

// Each row's names go to a batch file (".bat", flagged at the load, and
// ".Cmd", found at the run, in turn) and to the program itself, selected or,
// when no disk can hold them, dropped. Through the batch file they arrive whole
// or the run is refused naming the first that cannot be passed safely. Once
// every started process has ended, nothing else ran: "leak" would run
// leak.bat, which leaves leaked.txt, and the planted cmd.exe and tools.exe
// are copies of the recorder, which logs its own path.
TEST_F(ProgramButtonTest, NamesReachABatchFileWholeOrTheRunIsRefused) {
  config_.names = fmhost::SelectionNames::kAnsiAndUnicode;
  const std::string tools = directory_ + "\\tools & more (1)", recorder = tools + "\\recorder.exe";
  ASSERT_TRUE(CreateDirectoryA(tools.c_str(), nullptr));
  for (const std::string& copy : {recorder, directory_ + "\\cmd.exe", directory_ + "\\tools.exe"})
    ASSERT_TRUE(CopyFileA(logger_.c_str(), copy.c_str(), FALSE)) << copy;
  for (const char* batch : {"\\pass on.bat", "\\pass on.Cmd"})
    std::ofstream(tools + batch) << "@\"%~dp0recorder.exe\" %*\r\n";
  std::ofstream(directory_ + "\\leak.bat") << "@echo leaked>\"%~dp0leaked.txt\"\r\n";
  StartWith({Logger(tools + "\\pass on.bat"), Logger(tools + "\\pass on.Cmd"), Logger(recorder)});
  ASSERT_NE(PatchImport(Module(), "kernel32.dll", "CreateProcessW",
                        reinterpret_cast<void*>(&KeepStartedProcess), &realCreateProcessW),
            nullptr);
  // File Manager makes the open folder the current directory; the folder can
  // go at the end only when it is no longer that.
  struct InFolder {
    char before[MAX_PATH] = "";
    explicit InFolder(const std::string& folder) {
      GetCurrentDirectoryA(MAX_PATH, before);
      SetCurrentDirectoryA(folder.c_str());
    }
    ~InFolder() { SetCurrentDirectoryA(before); }
  } inFolder(directory_);
  const std::string unsafe =
      "\" cannot be passed to a batch file safely: the command interpreter "
      "would read a percent sign, a quotation mark or a line end in it as "
      "part of the command. The program was not started.";
  constexpr size_t kWhole = SIZE_MAX;
  const struct {
    Names names;
    bool drop;
    size_t refusedAt;  // the name the batch run is refused for; npos: all arrive whole
    bool wholeToProgram;
  } rows[] = {
      {{"a&leak&.txt", "x^&leak.txt", "b^c.txt"}, false, kWhole, true},
      {{"a|leak|.txt", "a&leak&.txt"}, true, kWhole, true},
      {{"wow!PATH!.txt", "a,b;c=d.txt", "(x) & (leak).txt", "two  blanks .txt"},
       false,
       kWhole,
       true},
      {{u8"\u6587\u4ef6 \u03b1&\u0436.txt", ";leak.txt"}, false, kWhole, true},
      {{"sub dir\\", "end\\", "next.txt"}, true, kWhole, true},
      {{"k%PATH%l.txt"}, false, 0, true},
      {{"ok.txt", "100%.txt"}, false, 1, true},
      {{"a\"&leak&\".txt"}, true, 0, false},
      {{"line\nleak.txt"}, true, 0, true},
  };
  MessageBoxCatcher catcher(Module());
  int row = 0;
  for (const auto& r : rows) {
    Names paths;
    std::vector<std::wstring> wide;
    for (const std::string& name : r.names) {
      paths.push_back(r.drop ? directory_ + "\\" + name : MakeFile(name));
      wide.push_back(Wide(r.drop ? paths.back() : name, CP_UTF8));
    }
    for (int button : {row++ % 2, 2}) {
      SCOPED_TRACE(r.names[0] + " to button " + std::to_string(button));
      const bool refused = button < 2 && r.refusedAt != kWhole;
      catcher.clear();
      if (r.drop) {
        POINT point = geometry_.Centre(button);
        ClientToScreen(Bar(), &point);
        ASSERT_TRUE(fmhost::DropFiles(point, wide));
        fmhost::Pump(50);
      } else {
        fmhost::Refresh(Tree());
        ASSERT_TRUE(fmhost::SelectWideNames(Tree(), wide));
        ClickButton(button);
      }
      for (DWORD start = GetTickCount(); !startedProcesses.empty();) {
        const DWORD count = static_cast<DWORD>(startedProcesses.size());
        if (WaitForMultipleObjects(count, startedProcesses.data(), TRUE, 0) == WAIT_OBJECT_0 ||
            GetTickCount() - start > 30000)
          break;
        fmhost::Pump(20);
      }
      const size_t started = startedProcesses.size();
      for (HANDLE process : startedProcesses)
        EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0) << "still running";
      for (HANDLE process : startedProcesses) CloseHandle(process);
      startedProcesses.clear();
      const std::vector<Names> runs = WaitForRuns(0);
      EXPECT_FALSE(FileExists("leaked.txt"));
      DeleteFileA((directory_ + "\\leaked.txt").c_str());
      if (refused) {
        ASSERT_EQ(catcher.boxes().size(), 1u);
        EXPECT_EQ(catcher.boxes()[0].text, "The name \"" + paths[r.refusedAt] + unsafe);
        EXPECT_EQ(started, 0u);
        EXPECT_TRUE(runs.empty());
        continue;
      }
      EXPECT_TRUE(catcher.boxes().empty());
      EXPECT_EQ(started, 1u);
      ASSERT_EQ(runs.size(), 1u);
      EXPECT_EQ(programs_, Names{recorder});
      // File Manager gives its selection in its own order.
      Names arrived(runs[0].begin() + 1, runs[0].end()), sent = paths;
      if (!r.drop) std::sort(arrived.begin(), arrived.end());
      if (!r.drop) std::sort(sent.begin(), sent.end());
      EXPECT_EQ(arrived == sent, button < 2 || r.wholeToProgram) << runs[0][0];
    }
  }
}

using BarAccessTest = BarClickTest;

VARIANT Child(long id) {
  VARIANT child = {};
  child.vt = VT_I4;
  child.lVal = id;
  return child;
}

std::string Narrow(BSTR text) {
  char buffer[520] = "";
  if (text) WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
  SysFreeString(text);
  return buffer;
}

IAccessible* BarObject(HWND bar) {
  IAccessible* object = nullptr;
  EXPECT_EQ(AccessibleObjectFromWindow(bar, DWORD(OBJID_CLIENT), IID_IAccessible,
                                       reinterpret_cast<void**>(&object)),
            S_OK);
  return object;
}

long Focused(IAccessible* bar) {
  VARIANT focus = {};
  return bar->get_accFocus(&focus) == S_OK && focus.vt == VT_I4 ? focus.lVal : -1;
}

// Five buttons as a client reads them, pressed by their default action, and
// a client of another thread cut off at the unload.
TEST_F(BarAccessTest, ScreenReadersReadAndPressEveryButton) {
  StartWith({MenuButton("Sort by Type", {{"Description", "Sorts by type"}}),
             MenuButton("Sort by Name"), Logger(logger_, {{"Description", "Logs its files"}}),
             MenuButton("Sort by Size", {{"Description", "Sorts by size"}}), Logger(logger_)});
  const std::string one = MakeFile("one.txt");
  ASSERT_TRUE(Select({"one.txt"}));
  IAccessible* bar = BarObject(Bar());
  ASSERT_NE(bar, nullptr);
  long count = 0;
  ASSERT_EQ(bar->get_accChildCount(&count) == S_OK ? count : -1, 5);
  const Names names = {"Icon Bar",       "Sorts by type", "Sort by Name",
                       "Logs its files", "Sorts by size", logger_};
  const RECT screen = WindowRectIn(Bar(), nullptr);
  for (long child = 0; child <= count; ++child) {
    SCOPED_TRACE(child);
    BSTR name = nullptr, action = nullptr;
    VARIANT role = {}, state = {}, hit = {};
    long x = 0, y = 0, width = 0, height = 0;
    // The centre of a button hits it; between the first two, the bar.
    const POINT at = child ? geometry_.Centre(int(child) - 1)
                           : POINT{(geometry_.Button(0).right + geometry_.Button(1).left) / 2,
                                   geometry_.Centre(0).y};
    EXPECT_EQ(bar->get_accName(Child(child), &name) | bar->get_accRole(Child(child), &role) |
                  bar->get_accState(Child(child), &state) |
                  bar->accLocation(&x, &y, &width, &height, Child(child)) |
                  bar->accHitTest(screen.left + at.x, screen.top + at.y, &hit),
              S_OK);
    bar->get_accDefaultAction(Child(child), &action);
    EXPECT_EQ(
        Sides({x - screen.left, y - screen.top, x - screen.left + width, y - screen.top + height}),
        Sides(child ? geometry_.Button(int(child) - 1)
                    : RECT{0, 0, geometry_.length, geometry_.height}));
    EXPECT_EQ(hit.lVal, child);
    EXPECT_EQ(role.lVal, child ? ROLE_SYSTEM_PUSHBUTTON : ROLE_SYSTEM_TOOLBAR);
    EXPECT_EQ(state.lVal & (STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSABLE),
              STATE_SYSTEM_FOCUSABLE);
    char roleText[64] = "";
    GetRoleTextA(DWORD(role.lVal), roleText, sizeof roleText);
    const std::string nameText = Narrow(name), actionText = Narrow(action);
    EXPECT_EQ(nameText, names[size_t(child)]);
    EXPECT_EQ(actionText, child ? "Press" : "");
    std::printf("accessible: %*s%s \"%s\" at %ld,%ld %ldx%ld state 0x%lx%s%s\n", child ? 2 : 0, "",
                roleText, nameText.c_str(), x - screen.left, y - screen.top, width, height,
                state.lVal, child ? ", action " : "", actionText.c_str());
  }
  VARIANT next = {}, last = {};
  EXPECT_EQ(bar->accNavigate(NAVDIR_NEXT, Child(1), &next), S_OK);
  EXPECT_EQ(bar->accNavigate(NAVDIR_LASTCHILD, Child(CHILDID_SELF), &last), S_OK);
  EXPECT_EQ(std::make_pair(next.lVal, last.lVal), std::make_pair(2L, 5L));
  EXPECT_EQ(bar->accNavigate(NAVDIR_NEXT, Child(5), &next), S_FALSE);

  // Pressed as a click presses it: with the selection.
  EXPECT_EQ(bar->accDoDefaultAction(Child(3)), S_OK);
  EXPECT_EQ(WaitForRuns(1), (std::vector<Names>{{logger_ + " " + one, one}}));
  // Unavailable while the bar is off.
  Command(kBarOff);
  VARIANT state = {};
  bar->get_accState(Child(3), &state);
  EXPECT_TRUE(state.lVal & STATE_SYSTEM_UNAVAILABLE);
  EXPECT_FALSE(SUCCEEDED(bar->accDoDefaultAction(Child(3))));
  Command(kBarOn);
  EXPECT_TRUE(WaitForRuns(1, 300).empty());

  bar->Release();

  // A client of another thread holds the object over the unload.
  std::atomic<int> phase{0};  // 1: holds the object, 2: unloaded, 3: asked again
  long before = -1, after = -1;
  HRESULT afterResult = S_OK;
  std::thread client([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IAccessible* object = nullptr;
    if (AccessibleObjectFromWindow(Bar(), DWORD(OBJID_CLIENT), IID_IAccessible,
                                   reinterpret_cast<void**>(&object)) == S_OK)
      object->get_accChildCount(&before);
    for (phase = 1; phase != 2;) Sleep(1);
    if (object) {
      afterResult = object->get_accChildCount(&after);
      object->Release();
    }
    CoUninitialize();
    phase = 3;
  });
  EXPECT_TRUE(PumpUntil([&] { return phase == 1; }));
  fmhost::UnloadExtensions(frame_);
  phase = 2;
  EXPECT_TRUE(PumpUntil([&] { return phase == 3; }));
  client.join();
  EXPECT_EQ(before, 5);
  EXPECT_TRUE(FAILED(afterResult)) << std::hex << afterResult;
}

// Types keys as a user does, with Shift held around them when asked.
void Type(std::vector<WORD> keys, bool shift = false) {
  std::vector<INPUT> inputs;
  auto add = [&](WORD key, DWORD flags) {
    inputs.emplace_back();
    inputs.back().type = INPUT_KEYBOARD;
    inputs.back().ki = {key, 0, flags, 0, 0};
  };
  if (shift) add(VK_SHIFT, 0);
  for (WORD key : keys) add(key, 0), add(key, KEYEVENTF_KEYUP);
  if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
  SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The walk over five buttons from "Icon Bar Keys": Enter runs one past File
// Manager's own Enter, Shift+F10 opens its menu (Delete), Escape leaves the bar.
TEST_F(BarAccessTest, TheKeyboardWalksRunsAndLeavesTheBar) {
  StartWith({MenuButton("Sort by Type"), MenuButton("Sort by Name"),
             Logger(logger_, {{"Description", "Logs"}}), MenuButton("Sort by Size"),
             MenuButton("Sort by Date")},
            {{"Popup Delay", "1"}});
  const std::string one = MakeFile("one.txt");
  ASSERT_TRUE(Select({"one.txt"}));
  SetForegroundWindow(frame_);
  SetActiveWindow(frame_);
  const HWND list = GetWindow(Tree(), GW_CHILD);
  SetFocus(list);
  fmhost::Pump(20);
  ASSERT_EQ(GetFocus(), list);
  const BarPicture unfocused(Bar());
  const RECT first = geometry_.Button(0);
  std::vector<COLORREF> edge;
  for (int x = first.left + 1; x < first.right - 1; ++x)
    edge.push_back(unfocused.At(x, first.top + 1));

  Command(52);
  ASSERT_EQ(GetFocus(), Bar());
  IAccessible* bar = BarObject(Bar());
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(Focused(bar), 1);
  UpdateWindow(Bar());
  const BarPicture focused(Bar());
  int changed = 0;
  for (int x = first.left + 1; x < first.right - 1; ++x)
    changed += focused.At(x, first.top + 1) != edge[size_t(x - first.left - 1)];
  EXPECT_GT(changed, (first.right - first.left) / 4) << "the dotted focus rectangle";

  const std::pair<std::vector<WORD>, long> walk[] = {
      {{VK_RIGHT, VK_RIGHT}, 3}, {{VK_END}, 5}, {{VK_RIGHT}, 5}, {{VK_HOME}, 1}, {{VK_LEFT}, 1},
      {{VK_RIGHT, VK_RIGHT}, 3}};
  auto pumpUntil = [&](const std::function<bool()>& done) {
    for (DWORD start = GetTickCount(); !done() && GetTickCount() - start < 5000;)
      fmhost::PumpWithAccelerators(frame_, 20);
    return done();
  };
  for (const auto& [keys, focus] : walk) {
    Type(keys);
    EXPECT_TRUE(pumpUntil([&, focus = focus] { return Focused(bar) == focus; })) << focus;
  }
  // Its popup, as for the mouse, at the focused button.
  HWND popup = nullptr;
  EXPECT_TRUE(pumpUntil([&] { return (popup = FindWindowA("QXPopUp", nullptr)) != nullptr; }));
  EXPECT_EQ(WindowRectIn(popup, nullptr).left,
            WindowRectIn(Bar(), nullptr).left + geometry_.Button(2).left);

  const WORD lastCommand = fmhost::LastCommand();
  Type({VK_RETURN});
  EXPECT_TRUE(
      pumpUntil([&] { return GetFileAttributesA(log_.c_str()) != INVALID_FILE_ATTRIBUTES; }));
  EXPECT_EQ(WaitForRuns(1), (std::vector<Names>{{logger_ + " " + one, one}}));
  EXPECT_EQ(fmhost::LastCommand(), lastCommand) << "File Manager's Enter";

  Type({VK_F10}, true);
  Type({'D'});
  long count = 0;
  EXPECT_TRUE(pumpUntil([&] { return bar->get_accChildCount(&count) == S_OK && count == 4; }));
  EXPECT_EQ(Focused(bar), 3);
  EXPECT_EQ(GetFocus(), Bar());

  Type({VK_ESCAPE});
  EXPECT_TRUE(pumpUntil([&] { return GetFocus() == list; }));
  EXPECT_EQ(fmhost::LastCommand(), lastCommand) << "File Manager's Escape";
  EXPECT_EQ(Focused(bar), -1);
  // File Manager has its keys back.
  Type({VK_RETURN});
  EXPECT_TRUE(pumpUntil([&] { return fmhost::LastCommand() == fmhost::kOpen; }));
  bar->Release();
}

// Whatever File Manager's width, each button stands whole inside it, apart from the others, or
// is listed by the chevron at its right end; a chevron entry runs its button with the selection.
TEST_F(ProgramButtonTest, ButtonsBeyondFileManagersEdgeAreReachedThroughTheChevron) {
  const std::string one = MakeFile("one.txt");
  const struct {
    int frameWidth, buttons;
    bool squishLeft;
  } cases[] = {
      {800, 8, false}, {800, 20, false}, {420, 20, false}, {420, 20, true}, {200, 6, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.frameWidth) + " " + std::to_string(c.buttons));
    geometry_.length = 1000;
    geometry_.squishLeft = c.squishLeft;
    std::vector<Keys> buttons;
    for (int n = 0; n < c.buttons; ++n)
      buttons.push_back(Logger(logger_, {{"Description", "button " + std::to_string(n)}}));
    StartWith(buttons);
    MoveWindow(frame_, 0, 0, c.frameWidth, 600, TRUE);  // the layout follows the new width
    fmhost::Pump(50);
    RECT client;
    GetClientRect(frame_, &client);  // what shows of the bar
    const std::vector<RECT> places = ButtonPlaces(Bar());
    ASSERT_EQ(places.size(), size_t(c.buttons));
    size_t shown = 0;
    while (shown < places.size() && places[shown].left >= 0 &&
           places[shown].right <= client.right &&
           places[shown].right - places[shown].left == GetSystemMetrics(SM_CXICON))
      ++shown;
    for (size_t n = 1; n < shown; ++n) EXPECT_LT(places[n - 1].right, places[n].left) << n;
    for (size_t n = shown; n < places.size(); ++n) EXPECT_GE(places[n].left, client.right) << n;
    Names beyond;
    for (size_t n = shown; n < places.size(); ++n) beyond.push_back("button " + std::to_string(n));
    if (beyond.empty()) {
      EXPECT_EQ(c.frameWidth, 800);  // the narrow windows cannot show them all
      continue;
    }
    ASSERT_TRUE(Select({"one.txt"}));
    const POINT chevron = {client.right - GetSystemMetrics(SM_CXICON) / 4, places[0].top + 4};
    MenuChooser chooser(int(beyond.size()) - 1);
    Click(chevron);
    EXPECT_EQ(chooser.items, beyond);
    auto runs = WaitForRuns(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], (Names{logger_ + " " + one, one}));
  }
}

// Made taller or shorter by its frame, the bar moves File Manager's MDI client at once.
TEST_F(BarOnScreenTest, ATallerOrShorterBarMovesFileManagersWindowsAtOnce) {
  geometry_.barFramed = true;
  StartWith({MenuButton("Sort by Name")});
  for (int height : {90, 30, 60}) {
    SCOPED_TRACE(height);
    SetWindowPos(Bar(), nullptr, 0, 0, geometry_.length, height, SWP_NOMOVE | SWP_NOZORDER);
    const RECT bar = WindowRectIn(Bar(), frame_);
    EXPECT_EQ(bar.bottom - bar.top, height);
    EXPECT_EQ(WindowRectIn(fmhost::MdiClient(frame_), frame_).top, bar.bottom + 1);
    fmhost::Pump(50);
    const RECT tree = WindowRectIn(Tree(), frame_);
    EXPECT_GT(tree.top, bar.bottom);
  }
}

// Today's File Manager is Unicode: a folder's name passes whole through the MDI client that the
// extension took over, into a new window's title and the directory it lists.
TEST_F(BarOnScreenTest, ANewWindowOfAFolderWithANonLatinNameOpensIt) {
  config_.unicode = true;
  StartWith({MenuButton("Sort by Name")});
  EXPECT_TRUE(IsWindowUnicode(fmhost::MdiClient(frame_)));
  for (const char* name : {u8"\u043f\u0430\u043f\u043a\u0430", u8"\u6587\u4ef6\u5939"}) {
    const std::wstring folder = Wide(directory_ + "\\" + name, CP_UTF8);
    SCOPED_TRACE(name);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring inside = folder + L"\\inside.txt";
    CloseHandle(CreateFileW(inside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    HWND first = fmhost::OpenTree(frame_, folder);
    ASSERT_NE(first, nullptr);
    SendMessageA(frame_, WM_COMMAND, fmhost::kNewWindow, 0);
    HWND second = Tree();
    ASSERT_NE(second, first);
    wchar_t title[MAX_PATH] = L"";
    GetWindowTextW(second, title, MAX_PATH);
    EXPECT_EQ(std::wstring(title), folder + L"\\*.*:2");
    EXPECT_EQ(fmhost::TreeDirectoryW(second), folder);
    EXPECT_EQ(fmhost::ListedNames(second), Names{"inside.txt"});
  }
}

}  // namespace
}  // namespace barhost
