// The real extension in the stand-in File Manager: the bar on the screen
// under the menu bar, and clicks on its buttons running File Manager's
// commands, its Delete dialog and real programs.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "bar/buttons.h"
#include "bar_host_fixture.h"
#include "support/msgbox_catcher.h"

namespace barhost {
namespace {

using fmhost::SortOrder;
using Names = std::vector<std::string>;

Keys MenuButton(const std::string& item, Keys more = {}) {
  more.insert(more.begin(), {{"Program Name or Menu Item", item}, {"Type", "0"}});
  return more;
}
Keys Colour(const std::string& prefix, COLORREF colour, Keys more = {}) {
  more.insert(more.end(), {{prefix + " Red", std::to_string(GetRValue(colour))},
                           {prefix + " Green", std::to_string(GetGValue(colour))},
                           {prefix + " Blue", std::to_string(GetBValue(colour))}});
  return more;
}
std::vector<LONG> Sides(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

class BarClickTest : public BarInHostTest {
 protected:
  void StartWith(const std::vector<Keys>& buttons, const Keys& extraBar = {}) {
    if (frame_) fmhost::Destroy(frame_);
    geometry_.buttonCount = static_cast<int>(buttons.size());
    WriteBarSettings(geometry_, extraBar, buttons);
    log_ = directory_ + "\\cmdline.log";
    SetEnvironmentVariableA("QX_CMDLINE_LOG", log_.c_str());
    Start();
  }
  void ClickButton(int index) {
    POINT centre = geometry_.Centre(index);
    SetCursorPos(centre.x, centre.y);
    Click(centre);
  }
  Keys Logger(const std::string& program, Keys more = {}) {
    more.insert(more.begin(),
                {{"Program Name or Menu Item", program}, {"Pass Selected Files", "1"}});
    return more;
  }
  // The logger's runs (command line, then the arguments after the program's
  // name) once `count` have ended or at the timeout; the log is gone after.
  std::vector<Names> WaitForRuns(size_t count, DWORD timeout = 20000) {
    std::vector<Names> runs;
    for (DWORD start = GetTickCount(); runs.size() < count && GetTickCount() - start < timeout;) {
      fmhost::Pump(50);
      runs.clear();
      std::ifstream log(log_, std::ios::binary);
      Names run;
      for (std::string line; std::getline(log, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("cmdline: ", 0) == 0) {
          // Wine quotes a program path with blanks that it was given unquoted.
          run = {line.substr(9)};
          if (run[0].rfind('"' + logger_ + '"', 0) == 0)
            run[0].replace(0, logger_.size() + 2, logger_);
        } else if (line.rfind("argv[", 0) == 0 && line.rfind("argv[0]", 0) != 0) {
          run.push_back(line.substr(line.find("]: ") + 3));
        } else if (line == "end") {
          runs.push_back(run);
        }
      }
    }
    DeleteFileA(log_.c_str());
    return runs;
  }
  BarGeometry geometry_;
  std::string logger_ = ProgramDirectory() + "\\cmdline_logger.exe";
  std::string log_;
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
             {{"Program Name or Menu Item", missing}, {"Pass Selected Files", "0"}}});
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
  } cases[] = {{0, {}, "Please select a file!", 0},
               {1, {}, notFound, MB_ICONEXCLAMATION},
               {2, {"one.txt", "two.txt"}, "Please select only 1 file!", 0},
               {3, {}, cannot, MB_ICONHAND},
               {0, {"one.txt"}, "", 0}};
  MessageBoxCatcher catcher(Module());
  ASSERT_TRUE(catcher.watching());
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
  EXPECT_TRUE(WaitForRuns(1, 1000).empty());
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
    DialogWatcher watcher({{"Delete", IDCANCEL}, {"Confirm File Delete", IDYES}});
    ClickButton(0);
    EXPECT_EQ(watcher.captions, c.seen) << c.warning << c.confirm << c.confirmInside;
    EXPECT_TRUE(c.seen.empty() || watcher.texts[0].find("victim.txt") != std::string::npos);
    EXPECT_EQ(fmhost::LastCommand(), fmhost::kDelete);
    EXPECT_EQ(FileExists("victim.txt"), c.seen == Names{"Delete"});
    EXPECT_TRUE(FileExists("bystander.txt"));
    for (std::string caption : {"Delete", "DELETE", "delete", "Delete File", "Copy"})
      EXPECT_EQ(fmhost::ShowCaptionedDialog(frame_, caption),
                c.warning[0] == '0' && caption.size() == 6 ? IDOK : IDCANCEL);
  }
}

// Names with a blank are quoted, others arrive whole from today's File
// Manager; an empty file is passed like any other, and a dozen long names make
// a command line far beyond the old 259 characters.
TEST_F(ProgramButtonTest, PassesTheSelectedFilesToTheProgram) {
  config_.names = fmhost::SelectionNames::kAnsiAndUnicode;
  StartWith({Logger(logger_), Logger(logger_, {{"Allow Multiple Files", "0"}})});
  Names many = {"empty.txt", u8"\u03b1\u03b2\u03b3.txt", u8"\u6587\u4ef6 \u540d.txt"},
        manyPaths = {""};
  for (const std::string& name : many)
    manyPaths.push_back(MakeFile(name, name == "empty.txt" ? 0 : 16));
  for (char c = 'a'; c < 'm'; ++c) {
    many.push_back(std::string(110, c) + " x.txt");
    manyPaths.push_back(MakeFile(many.back()));
  }
  const std::string one = MakeFile("one.txt"), two = MakeFile("two words.txt");
  const struct {
    int button;
    Names selection, run;  // the command line (empty: not looked at), the arguments
  } cases[] = {
      {0, {}, {logger_}},
      {0, {"one.txt", "two words.txt"}, {logger_ + " " + one + " \"" + two + "\"", one, two}},
      {1, {"one.txt"}, {logger_ + " " + one, one}},
      {0, many, manyPaths},
  };
  for (const auto& c : cases) {
    std::vector<std::wstring> selection;
    for (const std::string& name : c.selection) selection.push_back(Wide(name, CP_UTF8));
    fmhost::Refresh(Tree());
    ASSERT_TRUE(fmhost::SelectWideNames(Tree(), selection));
    ClickButton(c.button);
    auto runs = WaitForRuns(1);
    ASSERT_EQ(runs.size(), 1u) << c.selection.size();
    Names expected = c.run;
    if (expected[0].empty()) expected[0] = runs[0][0];
    std::sort(runs[0].begin() + 1, runs[0].end());
    std::sort(expected.begin() + 1, expected.end());
    EXPECT_EQ(runs[0], expected);
  }
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
