// The real extension in the stand-in File Manager: the bar on the screen
// under the menu bar, File Manager's windows made room for it, and clicks on
// its buttons running File Manager's commands, its Delete dialog and real
// programs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "bar_host_fixture.h"
#include "support/msgbox_catcher.h"

namespace barhost {
namespace {

constexpr COLORREF kBarColour = RGB(32, 160, 64);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);

Keys MenuButton(const std::string& item) {
  return {{"Program Name or Menu Item", item}, {"Type", "0"}};
}

// ---------------------------------------------------------------- on screen

class BarOnScreenTest : public BarInHostTest {
 protected:
  // Three buttons: a menu button with its built-in icon on blue, a program
  // button without any icon on yellow, an unframed menu button on white.
  void StartThreeButtons(bool barFramed = false) {
    geometry_.barFramed = barFramed;
    geometry_.buttonCount = 3;
    Keys first = MenuButton("Sort by Type");
    first.insert(first.end(), {{"Icon Background Color Red", "0"},
                               {"Icon Background Color Green", "0"},
                               {"Icon Background Color Blue", "255"}});
    Keys second = {{"Program Name or Menu Item", "notepad.exe"},
                   {"Icon Name", directory_ + "\\missing.ico"},
                   {"Icon Background Color Red", "255"},
                   {"Icon Background Color Green", "255"},
                   {"Icon Background Color Blue", "0"}};
    Keys third = MenuButton("Sort by Name");
    third.push_back({"Icon Frame", "0"});
    WriteBarSettings(geometry_,
                     {{"Bar Background Color Red", "32"},
                      {"Bar Background Color Green", "160"},
                      {"Bar Background Color Blue", "64"}},
                     {first, second, third});
    Start();
  }
  BarGeometry geometry_;
};

TEST_F(BarOnScreenTest, IsAChildOfTheFrameWithItsClassIdAndStyles) {
  StartThreeButtons();
  HWND bar = Bar();
  char className[64] = "";
  GetClassNameA(bar, className, sizeof className);
  EXPECT_STREQ(className, "QX Iconbar");
  EXPECT_EQ(GetParent(bar), frame_);
  EXPECT_EQ(GetDlgCtrlID(bar), kBarWindowId);
  EXPECT_TRUE(IsWindowVisible(bar));
  // Asked for with both; the system may drop WS_EX_TOPMOST, which means
  // nothing for a child window (Wine does).
  ASSERT_EQ(startWindows_.size(), 1u);
  EXPECT_EQ(startWindows_[0].window, bar);
  EXPECT_EQ(startWindows_[0].exStyle, DWORD(WS_EX_NOPARENTNOTIFY | WS_EX_TOPMOST));
  EXPECT_EQ(startWindows_[0].style, 0x54000000u);
  EXPECT_EQ(startWindows_[0].parent, frame_);
  EXPECT_EQ(startWindows_[0].id, UINT_PTR(kBarWindowId));
  EXPECT_TRUE(GetWindowLongPtrA(bar, GWL_EXSTYLE) & WS_EX_NOPARENTNOTIFY);
  EXPECT_EQ(GetWindowLongPtrA(bar, GWL_STYLE) & 0xFFFFFFFF, 0x54000000);
  char title[64] = "";
  GetWindowTextA(bar, title, sizeof title);
  EXPECT_STREQ(title, "QX Iconbar");
}

TEST_F(BarOnScreenTest, AFramedBarHasASizingBorder) {
  StartThreeButtons(true);
  ASSERT_EQ(startWindows_.size(), 1u);
  EXPECT_EQ(startWindows_[0].style, 0x54040000u);
  EXPECT_EQ(GetWindowLongPtrA(Bar(), GWL_STYLE) & 0xFFFFFFFF, 0x54040000);
}

TEST_F(BarOnScreenTest, SitsUnderTheMenuBarAndTheMdiClientMakesRoom) {
  StartThreeButtons();
  RECT client;
  GetClientRect(frame_, &client);
  RECT bar = WindowRectIn(Bar(), frame_);
  // The stand-in proposes the whole client area for its MDI client.
  EXPECT_EQ(bar.left, 0);
  EXPECT_EQ(bar.top, 0);
  EXPECT_EQ(bar.right - bar.left, geometry_.length);
  EXPECT_EQ(bar.bottom - bar.top, geometry_.height);
  RECT mdi = WindowRectIn(fmhost::MdiClient(frame_), frame_);
  EXPECT_EQ(mdi.left, 0);
  EXPECT_EQ(mdi.top, geometry_.height + 1);
  EXPECT_EQ(mdi.right, client.right);
  EXPECT_EQ(mdi.bottom, client.bottom);
}

TEST_F(BarOnScreenTest, TheTreeWindowIsFittedIntoTheShortenedMdiClient) {
  StartThreeButtons();
  HWND mdiClient = fmhost::MdiClient(frame_);
  RECT mdi = WindowRectIn(mdiClient, nullptr);
  RECT tree = WindowRectIn(Tree(), mdiClient);
  // Laid out across the whole MDI client before the bar came, it kept its top
  // and now ends at the bottom of the MDI client's smaller client area.
  RECT inside;
  GetClientRect(mdiClient, &inside);
  EXPECT_LT(inside.bottom, mdi.bottom - mdi.top);
  EXPECT_EQ(tree.top, 0);
  EXPECT_EQ(tree.bottom, inside.bottom);
}

TEST_F(BarOnScreenTest, AfterBarOffTheNextPlacementGivesTheMdiClientItsFullPlace) {
  StartThreeButtons();
  Command(kBarOff);
  SetWindowPos(frame_, nullptr, 0, 0, 820, 600, SWP_NOMOVE | SWP_NOZORDER);
  fmhost::Pump(50);
  RECT client;
  GetClientRect(frame_, &client);
  RECT mdi = WindowRectIn(fmhost::MdiClient(frame_), frame_);
  EXPECT_EQ(mdi.left, 0);
  EXPECT_EQ(mdi.top, 0);
  EXPECT_EQ(mdi.right, client.right);
  EXPECT_EQ(mdi.bottom, client.bottom);

  Command(kBarOn);
  SetWindowPos(frame_, nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER);
  fmhost::Pump(50);
  mdi = WindowRectIn(fmhost::MdiClient(frame_), frame_);
  EXPECT_EQ(mdi.top, geometry_.height + 1);
}

TEST_F(BarOnScreenTest, ShowsTheBarColourTheButtonSquaresAndTheIcons) {
  StartThreeButtons();
  BarPicture picture(Bar());
  ASSERT_EQ(picture.width(), geometry_.length);
  ASSERT_EQ(picture.height(), geometry_.height);
  const RECT first = geometry_.Button(0);
  const RECT second = geometry_.Button(1);
  const RECT third = geometry_.Button(2);
  const int middle = (first.top + first.bottom) / 2;

  // The bar colour around and between the buttons.
  EXPECT_EQ(picture.At(1, 1), kBarColour);
  EXPECT_EQ(picture.At(geometry_.length - 2, geometry_.height - 2), kBarColour);
  EXPECT_EQ(picture.At((first.right + second.left) / 2, middle), kBarColour);
  EXPECT_EQ(picture.At((second.right + third.left) / 2, middle), kBarColour);

  // The program button has no icon: its whole square is its colour.
  const int area = (second.right - second.left) * (second.bottom - second.top);
  EXPECT_EQ(picture.CountInside(second, kYellow), area);

  // The built-in icon covers part of the blue square of the first button.
  const int blue = picture.CountInside(first, kBlue);
  EXPECT_GT(blue, 0);
  EXPECT_LT(blue, area);
  // The third one's icon on white.
  EXPECT_LT(picture.CountInside(third, RGB(255, 255, 255)), area);

  // Frames: black, grey and white rings outside a framed square; none around
  // the third button.
  EXPECT_EQ(picture.At(first.left - 3, middle), RGB(0, 0, 0));
  EXPECT_EQ(picture.At(first.left - 2, middle), RGB(128, 128, 128));
  EXPECT_EQ(picture.At(first.left - 1, middle), RGB(255, 255, 255));
  EXPECT_EQ(picture.At(first.right + 2, middle), RGB(0, 0, 0));
  EXPECT_EQ(picture.At(third.left - 3, middle), kBarColour);
  EXPECT_EQ(picture.At(third.left - 1, middle), kBarColour);
}

// A row across the bar finds exactly the three buttons where the layout puts
// them: each run of other colours than the bar's is one button with its frame.
TEST_F(BarOnScreenTest, TheButtonsStandWhereTheLayoutPutsThem) {
  StartThreeButtons();
  BarPicture picture(Bar());
  const RECT first = geometry_.Button(0);
  const int middle = (first.top + first.bottom) / 2;
  std::vector<std::pair<int, int>> runs;
  for (int x = 0; x < picture.width(); ++x) {
    if (picture.At(x, middle) == kBarColour) continue;
    if (runs.empty() || runs.back().second != x - 1)
      runs.push_back({x, x});
    else
      runs.back().second = x;
  }
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].first, first.left - 3);
  EXPECT_EQ(runs[0].second, first.right + 2);
  EXPECT_EQ(runs[1].first, geometry_.Button(1).left - 3);
  EXPECT_EQ(runs[1].second, geometry_.Button(1).right + 2);
  // Unframed: only the square itself.
  EXPECT_EQ(runs[2].first, geometry_.Button(2).left);
  EXPECT_EQ(runs[2].second, geometry_.Button(2).right - 1);
  // The gaps between the framed rows are equal, and the row is centred.
  const int leftMargin = runs[0].first;
  const int rightMargin = picture.width() - 1 - (geometry_.Button(2).right + 2);
  EXPECT_LE(std::abs(leftMargin - rightMargin), 1);
}

// ---------------------------------------------------------------- clicks

class BarClickTest : public BarInHostTest {
 protected:
  void StartWith(const std::vector<Keys>& buttons, const Keys& extraBar = {}) {
    geometry_.buttonCount = static_cast<int>(buttons.size());
    WriteBarSettings(geometry_, extraBar, buttons);
    Start();
  }
  void ClickButton(int index) {
    POINT centre = geometry_.Centre(index);
    SetCursorPos(centre.x, centre.y);
    Click(centre);
  }
  BarGeometry geometry_;
};

TEST_F(BarClickTest, MenuButtonsChangeFileManagersSortOrder) {
  StartWith({MenuButton("Sort by Type"), MenuButton("Sort by Name")});
  ASSERT_EQ(fmhost::CurrentSortOrder(), fmhost::SortOrder::kName);
  ClickButton(0);
  EXPECT_EQ(fmhost::CurrentSortOrder(), fmhost::SortOrder::kType);
  EXPECT_EQ(fmhost::LastCommand(), fmhost::kSortByType);
  ClickButton(1);
  EXPECT_EQ(fmhost::CurrentSortOrder(), fmhost::SortOrder::kName);
  ClickButton(0);
  EXPECT_EQ(fmhost::CurrentSortOrder(), fmhost::SortOrder::kType);
}

TEST_F(BarClickTest, APressOnAButtonsEdgeOrBesideTheButtonsRunsNothing) {
  StartWith({MenuButton("Sort by Type")});
  const RECT square = geometry_.Button(0);
  Click({square.left, (square.top + square.bottom) / 2});
  Click({square.right + 20, (square.top + square.bottom) / 2});
  EXPECT_EQ(fmhost::CurrentSortOrder(), fmhost::SortOrder::kName);
  Click({square.left + 1, square.top + 1});
  EXPECT_EQ(fmhost::CurrentSortOrder(), fmhost::SortOrder::kType);
}

TEST_F(BarClickTest, AReleaseOffTheButtonStillRunsIt) {
  StartWith({MenuButton("Sort by Type")});
  const POINT centre = geometry_.Centre(0);
  SendMessageA(Bar(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
  SendMessageA(Bar(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(centre.x + 200, centre.y));
  SendMessageA(Bar(), WM_LBUTTONUP, 0, MAKELPARAM(centre.x + 200, centre.y));
  fmhost::Pump(20);
  EXPECT_EQ(fmhost::CurrentSortOrder(), fmhost::SortOrder::kType);
  // The press is over: the capture is given back.
  EXPECT_NE(GetCapture(), Bar());
}

TEST_F(BarClickTest, AButtonThatRequiresAFileAsksForOneAndSendsNothing) {
  Keys button = MenuButton("Sort by Type");
  button.push_back({"Requires File", "1"});
  StartWith({button});
  MakeFile("one.txt");
  ASSERT_TRUE(Select({}));
  const WORD before = fmhost::LastCommand();
  MessageBoxCatcher catcher(Module());
  ASSERT_TRUE(catcher.watching());
  ClickButton(0);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
  EXPECT_EQ(catcher.boxes()[0].text, "Please select a file!");
  EXPECT_EQ(fmhost::CurrentSortOrder(), fmhost::SortOrder::kName);
  EXPECT_EQ(fmhost::LastCommand(), before);
  catcher.clear();
  ASSERT_TRUE(Select({"one.txt"}));
  ClickButton(0);
  EXPECT_TRUE(catcher.boxes().empty());
  EXPECT_EQ(fmhost::CurrentSortOrder(), fmhost::SortOrder::kType);
}

TEST_F(BarClickTest, AMenuItemFileManagerDoesNotHaveIsToldAndNothingIsSent) {
  StartWith({MenuButton("Format Hard Disk")});
  const WORD before = fmhost::LastCommand();
  MessageBoxCatcher catcher(Module());
  ASSERT_TRUE(catcher.watching());
  ClickButton(0);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
  EXPECT_EQ(catcher.boxes()[0].text,
            "The menu item \"Format Hard Disk\" was not found in File Manager's menus.");
  EXPECT_EQ(fmhost::LastCommand(), before);
}

TEST_F(BarClickTest, TheDeleteButtonShowsFileManagersDeleteDialog) {
  StartWith({MenuButton("Delete")});
  MakeFile("victim.txt");
  ASSERT_TRUE(Select({"victim.txt"}));
  DialogWatcher watcher({{"Delete", IDCANCEL}});
  ClickButton(0);
  ASSERT_EQ(watcher.SeenCount("Delete"), 1);
  EXPECT_NE(watcher.seen()[0].texts.find("victim.txt"), std::string::npos)
      << watcher.seen()[0].texts;
  EXPECT_EQ(fmhost::LastCommand(), fmhost::kDelete);
  EXPECT_TRUE(FileExists("victim.txt"));
}

TEST_F(BarClickTest, WithoutTheDeleteWarningTheFileGoesWithoutTheDialog) {
  StartWith({MenuButton("Delete")}, {{"Delete Warning", "0"}});
  fmhost::SetConfirmFileDelete(false);
  MakeFile("victim.txt");
  MakeFile("bystander.txt");
  ASSERT_TRUE(Select({"victim.txt"}));
  DialogWatcher watcher({});
  ClickButton(0);
  EXPECT_TRUE(watcher.seen().empty()) << watcher.seen()[0].caption;
  EXPECT_EQ(fmhost::LastCommand(), fmhost::kDelete);
  EXPECT_FALSE(FileExists("victim.txt"));
  EXPECT_TRUE(FileExists("bystander.txt"));
}

// Today's File Manager asks from inside the answered dialog's OK: that dialog
// must not show behind the question.
TEST_F(BarClickTest, WithoutTheDeleteWarningFileManagersOwnConfirmationAloneAsks) {
  for (bool askedInside : {false, true}) {
    config_.confirmInsideDeleteDialog = askedInside;
    StartWith({MenuButton("Delete")}, {{"Delete Warning", "0"}});
    fmhost::SetConfirmFileDelete(true);
    MakeFile("victim.txt");
    ASSERT_TRUE(Select({"victim.txt"}));
    DialogWatcher watcher({{"Confirm File Delete", IDYES}});
    ClickButton(0);
    ASSERT_EQ(watcher.seen().size(), 1u) << watcher.seen().back().caption;
    EXPECT_EQ(watcher.seen()[0].caption, "Confirm File Delete");
    EXPECT_FALSE(FileExists("victim.txt"));
    fmhost::Destroy(frame_);
  }
}

TEST_F(BarClickTest, OnlyADialogCaptionedDeleteInAnyCaseIsAnswered) {
  StartWith({}, {{"Delete Warning", "0"}});
  DialogWatcher watcher({});
  EXPECT_EQ(fmhost::ShowCaptionedDialog(frame_, "DELETE"), IDOK);
  EXPECT_EQ(fmhost::ShowCaptionedDialog(frame_, "delete"), IDOK);
  EXPECT_TRUE(watcher.seen().empty());
  EXPECT_EQ(fmhost::ShowCaptionedDialog(frame_, "Delete File"), IDCANCEL);
  EXPECT_EQ(fmhost::ShowCaptionedDialog(frame_, "Copy"), IDCANCEL);
  EXPECT_EQ(watcher.SeenCount("Delete File"), 1);
  EXPECT_EQ(watcher.SeenCount("Copy"), 1);
}

TEST_F(BarClickTest, WithTheDeleteWarningNoDialogIsAnswered) {
  StartWith({}, {{"Delete Warning", "1"}});
  DialogWatcher watcher({});
  EXPECT_EQ(fmhost::ShowCaptionedDialog(frame_, "Delete"), IDCANCEL);
  EXPECT_EQ(fmhost::ShowCaptionedDialog(frame_, "DELETE"), IDCANCEL);
  EXPECT_EQ(watcher.SeenCount("Delete"), 1);
  EXPECT_EQ(watcher.SeenCount("DELETE"), 1);
}

TEST_F(BarClickTest, AfterUnloadFileManagersDeleteAsksAgain) {
  StartWith({MenuButton("Delete")}, {{"Delete Warning", "0"}});
  MakeFile("victim.txt");
  ASSERT_TRUE(Select({"victim.txt"}));
  fmhost::UnloadExtensions(frame_);
  DialogWatcher watcher({{"Delete", IDCANCEL}});
  SendMessageA(frame_, WM_COMMAND, fmhost::kDelete, 0);
  EXPECT_EQ(watcher.SeenCount("Delete"), 1);
  EXPECT_TRUE(FileExists("victim.txt"));
  EXPECT_EQ(fmhost::ShowCaptionedDialog(frame_, "DELETE"), IDCANCEL);
  EXPECT_EQ(watcher.SeenCount("DELETE"), 1);
}

// ---------------------------------------------------------------- programs

// One run of the command-line logger, as it wrote it.
struct LoggedRun {
  std::string commandLine;
  std::vector<std::string> arguments;
};

class ProgramButtonTest : public BarClickTest {
 protected:
  void SetUp() override {
    BarClickTest::SetUp();
    logger_ = ProgramDirectory() + "\\cmdline_logger.exe";
    log_ = directory_ + "\\..\\qxbar_cmdline_" + std::to_string(GetCurrentProcessId()) + ".log";
    DeleteFileA(log_.c_str());
    SetEnvironmentVariableA("QX_CMDLINE_LOG", log_.c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableA("QX_CMDLINE_LOG", nullptr);
    DeleteFileA(log_.c_str());
    BarClickTest::TearDown();
  }
  void StartLoggerButton(const Keys& more = {}) {
    Keys button = {{"Program Name or Menu Item", logger_}, {"Pass Selected Files", "1"}};
    button.insert(button.end(), more.begin(), more.end());
    StartWith({button});
  }
  // Waits for the logger's runs; a run is complete once its "end" is there.
  std::vector<LoggedRun> WaitForRuns(size_t count, DWORD timeout = 20000) {
    std::vector<LoggedRun> runs;
    DWORD start = GetTickCount();
    do {
      runs.clear();
      std::ifstream log(log_, std::ios::binary);
      std::string line;
      LoggedRun run;
      while (std::getline(log, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("cmdline: ", 0) == 0) {
          run = LoggedRun{line.substr(9), {}};
          // Wine quotes a program path with blanks that it was given unquoted.
          const std::string quoted = '"' + logger_ + '"';
          if (run.commandLine.rfind(quoted, 0) == 0)
            run.commandLine.replace(0, quoted.size(), logger_);
        } else if (line.rfind("argv[", 0) == 0) {
          run.arguments.push_back(line.substr(line.find("]: ") + 3));
        } else if (line == "end") {
          runs.push_back(run);
        }
      }
      if (runs.size() >= count) return runs;
      fmhost::Pump(100);
    } while (GetTickCount() - start < timeout);
    return runs;
  }
  std::string Path(const std::string& name) const { return directory_ + "\\" + name; }
  std::string logger_;
  std::string log_;
};

TEST_F(ProgramButtonTest, StartsTheProgramAloneWhenNothingIsSelected) {
  StartLoggerButton();
  MakeFile("one.txt");
  ASSERT_TRUE(Select({}));
  ClickButton(0);
  auto runs = WaitForRuns(1);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].commandLine, logger_);
  ASSERT_EQ(runs[0].arguments.size(), 1u);
}

TEST_F(ProgramButtonTest, PassesTwoFilesQuotingTheNameWithABlank) {
  StartLoggerButton();
  MakeFile("one.txt");
  MakeFile("two words.txt");
  ASSERT_TRUE(Select({"one.txt", "two words.txt"}));
  ClickButton(0);
  auto runs = WaitForRuns(1);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].commandLine,
            logger_ + " " + Path("one.txt") + " \"" + Path("two words.txt") + "\"");
  ASSERT_EQ(runs[0].arguments.size(), 3u);
  EXPECT_EQ(runs[0].arguments[1], Path("one.txt"));
  EXPECT_EQ(runs[0].arguments[2], Path("two words.txt"));
}

// Started by its bare name, found next to the test program, so that the
// long names below fit into the command line two at a time.
constexpr char kLoggerName[] = "cmdline_logger.exe";

// Today's File Manager gives every name whole; one that speaks only ANSI
// (OEM names from the old one) can give only what the ANSI code page holds,
// and that arrives unchanged.
TEST_F(ProgramButtonTest, SelectedNamesArriveAsFileManagerKnowsThem) {
  const std::vector<std::wstring> pairs[] = {
      {L"caf\u00e9 \u00fcber.txt", L"\u041f\u0440\u0438\u0432\u0435\u0442.txt"},
      {L"\u03b1\u03b2\u03b3.txt", L"\u6587\u4ef6 \u540d.txt"}};
  using fmhost::SelectionNames;
  for (SelectionNames host :
       {SelectionNames::kOem, SelectionNames::kAnsi, SelectionNames::kAnsiAndUnicode}) {
    config_.names = host;
    StartWith({{{"Program Name or Menu Item", kLoggerName}, {"Pass Selected Files", "1"}}});
    for (const std::vector<std::wstring>& pair : pairs) {
      std::vector<std::string> expected = {Utf8(MakeWideFile(pair[0])),
                                           Utf8(MakeWideFile(pair[1]))};
      fmhost::Refresh(Tree());
      ASSERT_TRUE(fmhost::SelectWideNames(Tree(), pair));
      DeleteFileA(log_.c_str());
      ClickButton(0);
      auto runs = WaitForRuns(1);
      ASSERT_EQ(runs.size(), 1u);
      ASSERT_EQ(runs[0].arguments.size(), 3u) << runs[0].commandLine;
      std::vector<std::string> passed(runs[0].arguments.begin() + 1, runs[0].arguments.end());
      if (host != SelectionNames::kAnsiAndUnicode) {
        if (&pair == &pairs[0]) {
          EXPECT_EQ(std::count(passed.begin(), passed.end(), expected[0]), 1);
        }
        continue;
      }
      std::sort(passed.begin(), passed.end());
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(passed, expected);
    }
    fmhost::Destroy(frame_);
  }
}

// A real drop: the bar takes files only while it is on, and only a program
// button does something with them, under the selection's rules.
TEST_F(ProgramButtonTest, FilesDroppedOnAProgramButtonRunItInPlaceOfTheSelection) {
  Keys onlyOne = {{"Program Name or Menu Item", logger_}, {"Allow Multiple Files", "0"}};
  StartWith({{{"Program Name or Menu Item", logger_}, {"Pass Selected Files", "1"}},
             onlyOne,
             MenuButton("Sort by Type")});
  const std::vector<std::wstring> dropped = {
      MakeWideFile(L"\u041f\u0440\u0438\u0432\u0435\u0442.txt"), Wide(MakeFile("two words.txt"))};
  ASSERT_TRUE(Select({}));
  auto dropAt = [&](POINT point) {
    ClientToScreen(Bar(), &point);
    bool taken = fmhost::DropFiles(point, dropped);
    fmhost::Pump(50);
    return taken;
  };
  MessageBoxCatcher catcher(Module());
  ASSERT_TRUE(dropAt(geometry_.Centre(0)));
  auto runs = WaitForRuns(1);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(std::vector<std::string>(runs[0].arguments.begin() + 1, runs[0].arguments.end()),
            (std::vector<std::string>{Utf8(dropped[0]), Utf8(dropped[1])}));
  EXPECT_TRUE(dropAt(geometry_.Centre(1)));
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text, "Please select only 1 file!");
  EXPECT_TRUE(dropAt(geometry_.Centre(2)));
  EXPECT_TRUE(dropAt({geometry_.length - 2, 2}));  // the bar's empty part
  EXPECT_EQ(fmhost::CurrentSortOrder(), fmhost::SortOrder::kName);

  Command(kBarOff);
  EXPECT_FALSE(dropAt(geometry_.Centre(0)));
  Command(kBarOn);
  EXPECT_TRUE(GetWindowLongPtrA(Bar(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  EXPECT_EQ(WaitForRuns(2, 1000).size(), 1u);
  EXPECT_EQ(catcher.boxes().size(), 1u);
}

// An empty file has a size of 0 and is passed like any other; a dozen long
// names make a command line far beyond the old 259 characters.
TEST_F(ProgramButtonTest, AnEmptyFileAndManyLongNamesArePassed) {
  StartLoggerButton();
  std::vector<std::string> names = {"empty.txt"}, expected = {MakeFile("empty.txt", 0)};
  for (char c = 'a'; c < 'm'; ++c) {
    names.push_back(std::string(110, c) + " x.txt");
    expected.push_back(MakeFile(names.back()));
  }
  ASSERT_TRUE(Select(names));
  ClickButton(0);
  auto runs = WaitForRuns(1);
  ASSERT_EQ(runs.size(), 1u);
  std::vector<std::string> passed(runs[0].arguments.begin() + 1, runs[0].arguments.end());
  std::sort(passed.begin(), passed.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(passed, expected);
}

TEST_F(ProgramButtonTest, RefusesSeveralFilesWhenOnlyOneIsAllowed) {
  StartLoggerButton({{"Allow Multiple Files", "0"}});
  MakeFile("one.txt");
  MakeFile("two.txt");
  ASSERT_TRUE(Select({"one.txt", "two.txt"}));
  MessageBoxCatcher catcher(Module());
  ASSERT_TRUE(catcher.watching());
  ClickButton(0);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
  EXPECT_EQ(catcher.boxes()[0].text, "Please select only 1 file!");
  EXPECT_EQ(catcher.boxes()[0].owner, frame_);
  EXPECT_TRUE(WaitForRuns(1, 1500).empty());
}

TEST_F(ProgramButtonTest, AProgramThatIsNotThereIsExplained) {
  const std::string missing = ProgramDirectory() + "\\no_such_program.exe";
  StartWith({{{"Program Name or Menu Item", missing}, {"Pass Selected Files", "0"}}});
  MessageBoxCatcher catcher(Module());
  ASSERT_TRUE(catcher.watching());
  ClickButton(0);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  const CaughtBox& box = catcher.boxes()[0];
  EXPECT_TRUE(box.shown);
  EXPECT_EQ(box.caption, "QX IconBar");
  EXPECT_EQ(box.style & MB_ICONMASK, UINT(MB_ICONHAND));
  EXPECT_EQ(box.owner, frame_);
  EXPECT_EQ(box.text, "Windows is unable to execute the specified program: \n\r" + missing +
                          "\nThe specified program can not be found.");
}

}  // namespace
}  // namespace barhost
