// The list of File Manager's menu commands: filling it from a real menu bar,
// looking texts up in the sorted list box, and resolving menu buttons through
// the hidden list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "bar/bar_test_window.h"
#include "dialogs/menu_list.h"
#include "support/msgbox_catcher.h"

namespace {

using Entry = std::pair<std::string, int>;  // cleaned text, command ID

// One item of a test menu: a command, a separator (id 0, no text) or a
// further menu (children given).
struct Item {
  const char* text;
  UINT id;
  std::vector<Item> children;
};

HMENU BuildPullDown(const std::vector<Item>& items) {
  HMENU menu = CreatePopupMenu();
  for (const Item& item : items) {
    if (!item.children.empty()) {
      AppendMenuA(menu, MF_POPUP | MF_STRING,
                  reinterpret_cast<UINT_PTR>(BuildPullDown(item.children)), item.text);
    } else if (item.id == 0) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuA(menu, MF_STRING, item.id, item.text);
    }
  }
  return menu;
}

// A menu bar shaped like File Manager's, with the awkward cases in it.
HMENU BuildFileManagerMenuBar() {
  HMENU bar = CreateMenu();
  AppendMenuA(bar, MF_POPUP,
              reinterpret_cast<UINT_PTR>(BuildPullDown({
                  {"&Open\tEnter", 101, {}},
                  {"&Move...\tF7", 102, {}},
                  {"&Copy...\tF8", 103, {}},
                  {nullptr, 0, {}},
                  {"&Delete...\tDel", 104, {}},
                  {"Re&name...", 105, {}},
                  {nullptr, 0, {}},
                  {"Pro&perties...\tAlt+Enter", 106, {}},
                  {"Re-&read", 107, {}},
              })),
              "&File");
  // A pull-right in the middle: what follows it is not walked.
  AppendMenuA(bar, MF_POPUP,
              reinterpret_cast<UINT_PTR>(BuildPullDown({
                  {"&Copy Disk...", 201, {}},
                  {"&Label Disk...", 202, {}},
                  {"&Network",
                   1,
                   {{"&Connect...", 210, {}}, {nullptr, 0, {}}, {"&Disconnect...", 211, {}}}},
                  {"&Format Disk...", 203, {}},
                  {"Select &Drive...", 204, {}},
              })),
              "&Disk");
  AppendMenuA(bar, MF_POPUP,
              reinterpret_cast<UINT_PTR>(BuildPullDown({
                  {"E&xpand One Level\t+", 301, {}},
                  {"&Move", 302, {}},
                  {"&Collapse Branch\t-", 303, {}},
                  {"&Save && Exit", 304, {}},
                  {"Tom & &Jerry", 305, {}},
              })),
              "&Tree");
  // The extension's own menu opens with its further menu.
  AppendMenuA(
      bar, MF_POPUP,
      reinterpret_cast<UINT_PTR>(BuildPullDown({
          {"&New Icon Button ...", 1, {{"&Program Button", 390, {}}, {"&Menu Button", 391, {}}}},
          {"Bar &Off", 339, {}},
          {"&Save Now", 343, {}},
      })),
      "&QX's Extension");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), "&Empty");
  AppendMenuA(bar, MF_STRING, 999, "&Window!");
  return bar;
}

const std::vector<Entry> kExpectedEntries = {
    {"Open", 101},           {"Move", 102},
    {"Copy", 103},           {"Delete", 104},
    {"Rename", 105},         {"Properties", 106},
    {"Re-read", 107},        {"Copy Disk", 201},
    {"Label Disk", 202},     {"Connect", 210},
    {"Disconnect", 211},     {"Expand One Level", 301},
    {"Move", 302},           {"Collapse Branch", 303},
    {"Save && Exit", 304},   {"Tom  &Jerry", 305},
    {"Program Button", 390}, {"Menu Button", 391},
};

std::vector<Entry> ListEntries(HWND list) {
  std::vector<Entry> entries;
  LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT n = 0; n < count; ++n) {
    char text[300] = "";
    SendMessageA(list, LB_GETTEXT, n, reinterpret_cast<LPARAM>(text));
    entries.emplace_back(text, static_cast<int>(SendMessageA(list, LB_GETITEMDATA, n, 0)));
  }
  return entries;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return text;
}
std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

// Top-level list boxes of this process: the hidden list must not outlive its use.
BOOL CALLBACK CountListBoxes(HWND window, LPARAM data) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[32] = "";
  GetClassNameA(window, className, sizeof className);
  if (process == GetCurrentProcessId() && lstrcmpiA(className, "listbox") == 0)
    ++*reinterpret_cast<int*>(data);
  return TRUE;
}
int TopLevelListBoxes() {
  int count = 0;
  EnumWindows(CountListBoxes, reinterpret_cast<LPARAM>(&count));
  return count;
}

// The windows created while it lives: class, style, owner, place.
struct CreatedWindow {
  std::string className;
  LONG style;
  HWND owner;
  RECT place;
  HINSTANCE instance;
};
std::vector<CreatedWindow>* createdWindows = nullptr;
LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && createdWindows) {
    const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    char className[64] = "";
    GetClassNameA(reinterpret_cast<HWND>(wParam), className, sizeof className);
    createdWindows->push_back(
        {className,
         create->style,
         create->hwndParent,
         {create->x, create->y, create->x + create->cx, create->y + create->cy},
         create->hInstance});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

class MenuListTest : public BarWindowTest {
 protected:
  void SetUp() override {
    BarWindowTest::SetUp();
    WNDCLASSA frameClass{};
    frameClass.lpfnWndProc = DefWindowProcA;
    frameClass.hInstance = extState.instance;
    frameClass.lpszClassName = "QX test menu frame";
    RegisterClassA(&frameClass);
    frame_ =
        CreateWindowExA(0, "QX test menu frame", "File Manager", WS_OVERLAPPEDWINDOW, 0, 0, 600,
                        400, nullptr, BuildFileManagerMenuBar(), extState.instance, nullptr);
    ASSERT_NE(frame_, nullptr);
    extState.frameWindow = frame_;
    list_ = CreateWindowExA(0, "listbox", "", WS_POPUP | LBS_SORT | LBS_HASSTRINGS, 0, 0, 200, 300,
                            frame_, nullptr, extState.instance, nullptr);
    ASSERT_NE(list_, nullptr);
  }
  void TearDown() override {
    if (list_) DestroyWindow(list_);
    DestroyWindow(frame_);  // destroys its menu bar with it
    UnregisterClassA("QX test menu frame", extState.instance);
    extState.frameWindow = nullptr;
    BarWindowTest::TearDown();
  }
  HLOCAL AddRecord(const char* text, int isProgram) {
    ButtonRecord* after = lastButton ? static_cast<ButtonRecord*>(LocalLock(lastButton)) : nullptr;
    HLOCAL afterHandle = lastButton;
    ButtonRecord* record = CreateButton(text, "", "", isProgram, 1, after);
    if (afterHandle) LocalUnlock(afterHandle);
    if (!record) return nullptr;
    HLOCAL handle = LocalHandle(record);
    LocalUnlock(handle);
    return handle;
  }
  HWND frame_ = nullptr;
  HWND list_ = nullptr;
};

TEST_F(MenuListTest, FillListsEveryCommandCleanedAndSkipsSeparatorsAndWhatFollowsAPullRight) {
  MessageBoxCatcher catcher;
  FillMenuList(list_);
  EXPECT_TRUE(catcher.boxes().empty());

  std::vector<Entry> listed = ListEntries(list_);
  std::vector<Entry> expected = kExpectedEntries;
  std::sort(listed.begin(), listed.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);

  // Neither the pull-right's own text, nor the items after it, nor the items
  // after the extension menu's further menu.
  for (const char* absent : {"Network", "Format Disk", "Select Drive", "New Icon Button ",
                             "Bar Off", "Save Now", "Window!"})
    EXPECT_EQ(SendMessageA(list_, LB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(absent)), LB_ERR)
        << absent;
}

TEST_F(MenuListTest, FindAnswersEveryListedTextInAnyCaseAndMinusOneOtherwise) {
  FillMenuList(list_);
  MessageBoxCatcher catcher;
  for (const Entry& entry : kExpectedEntries) {
    for (const std::string& text : {entry.first, Upper(entry.first), Lower(entry.first)}) {
      int command = FindMenuCommand(list_, text.c_str());
      if (entry.first == "Move") {
        EXPECT_TRUE(command == 102 || command == 302) << text << " -> " << command;
      } else {
        EXPECT_EQ(command, entry.second) << text;
      }
    }
  }
  for (const char* missing : {"Format Disk", "Network", "Mov", "Move ", "Moves", "", "&Move",
                              "Move...", "zzz", "AAA", "Save & Exit"})
    EXPECT_EQ(FindMenuCommand(list_, missing), -1) << missing;
  EXPECT_TRUE(catcher.boxes().empty()) << "a text not found is no failure";
}

TEST_F(MenuListTest, FindOnAnEmptyListAnswersMinusOneWithoutABox) {
  MessageBoxCatcher catcher;
  EXPECT_EQ(FindMenuCommand(list_, "Move"), -1);
  EXPECT_EQ(FindMenuCommand(list_, ""), -1);
  EXPECT_TRUE(catcher.boxes().empty());
}

// A big menu bar of texts whose case-blind order differs from a plain byte
// order (hyphens, apostrophes, accents, digits, underscores): the search must
// follow the list's own order to find every one of them.
TEST_F(MenuListTest, FindAgreesWithTheListsOwnOrderOverTwoHundredItems) {
  const char* stems[] = {"Co-op",  "Coop",    "Cob",    "co_z",      "Caf\xe9", "Cafe",  "O'Neil",
                         "Oneida", "Item 10", "Item 9", "item2",     "ZETA",    "zeta2", "-dash",
                         "a-b",    "ab",      "A_B",    "\xc9t\xe9", "Etre",    "x"};
  HMENU bar = CreateMenu();
  std::vector<Entry> expected;
  for (int menu = 0; menu < 10; ++menu) {
    HMENU pullDown = CreatePopupMenu();
    for (int item = 0; item < 20; ++item) {
      std::string text = std::string(stems[(item + menu) % 20]) + " " + std::to_string(menu) +
                         (item % 3 ? "..." : "\tCtrl+" + std::to_string(item));
      UINT id = 1000 + menu * 20 + item;
      AppendMenuA(pullDown, MF_STRING, id, text.c_str());
      expected.emplace_back(text.substr(0, text.find_first_of(".\t")), static_cast<int>(id));
    }
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(pullDown), "M");
  }
  HMENU old = GetMenu(frame_);
  ASSERT_TRUE(SetMenu(frame_, bar));
  DestroyMenu(old);

  FillMenuList(list_);
  ASSERT_EQ(SendMessageA(list_, LB_GETCOUNT, 0, 0), 200);
  MessageBoxCatcher catcher;
  for (const Entry& entry : expected) {
    EXPECT_EQ(FindMenuCommand(list_, entry.first.c_str()), entry.second) << entry.first;
    EXPECT_EQ(FindMenuCommand(list_, Upper(entry.first).c_str()), entry.second) << entry.first;
  }
  EXPECT_EQ(FindMenuCommand(list_, "Coo 3"), -1);
  EXPECT_TRUE(catcher.boxes().empty());
}

TEST_F(MenuListTest, FillWithoutAMenuBarReportsGetMenu) {
  HMENU old = GetMenu(frame_);
  ASSERT_TRUE(SetMenu(frame_, nullptr));
  DestroyMenu(old);
  MessageBoxCatcher catcher;
  FillMenuList(list_);
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].caption, "QX IconBar");
  EXPECT_EQ(catcher.boxes()[0].text, "QXFILLLB :1 - GetMenu failed.");
  EXPECT_EQ(SendMessageA(list_, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(MenuListTest, AddMenuItemsWalksOnePullDownOnly) {
  AddMenuItems(GetMenu(frame_), 1, list_);
  std::vector<Entry> listed = ListEntries(list_);
  std::sort(listed.begin(), listed.end());
  std::vector<Entry> expected = {
      {"Connect", 210}, {"Copy Disk", 201}, {"Disconnect", 211}, {"Label Disk", 202}};
  EXPECT_EQ(listed, expected);
  // Positions without a pull-down (a plain item, none at all) add nothing.
  AddMenuItems(GetMenu(frame_), 5, list_);
  AddMenuItems(GetMenu(frame_), 40, list_);
  AddMenuItems(GetMenu(frame_), 4, list_);
  EXPECT_EQ(SendMessageA(list_, LB_GETCOUNT, 0, 0), 4);
}

TEST_F(MenuListTest, ResolveSetsMenuButtonsLeavesProgramButtonsAndDestroysTheHiddenList) {
  HLOCAL program = AddRecord("C:\\TOOLS\\Move.EXE", 1);
  HLOCAL copyDisk = AddRecord("copy disk", 0);
  HLOCAL unknown = AddRecord("Format Disk", 0);
  HLOCAL rename = AddRecord("Rename", 0);
  HLOCAL connect = AddRecord("CONNECT", 0);
  HLOCAL menuButton = AddRecord("Menu Button", 0);
  ASSERT_TRUE(program && copyDisk && unknown && rename && connect && menuButton);
  auto* programRecord = static_cast<ButtonRecord*>(LocalLock(program));
  programRecord->menuCommand = 77;
  LocalUnlock(program);
  int listBoxesBefore = TopLevelListBoxes();

  std::vector<CreatedWindow> created;
  createdWindows = &created;
  HHOOK hook = SetWindowsHookExA(WH_CBT, WatchCreation, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  MessageBoxCatcher catcher;
  ResolveMenuCommands();
  UnhookWindowsHookEx(hook);
  createdWindows = nullptr;

  EXPECT_TRUE(catcher.boxes().empty());
  EXPECT_EQ(PeekRecord(program).menuCommand, 77);
  EXPECT_EQ(PeekRecord(copyDisk).menuCommand, 201);
  EXPECT_EQ(PeekRecord(unknown).menuCommand, -1);
  EXPECT_EQ(PeekRecord(rename).menuCommand, 105);
  EXPECT_EQ(PeekRecord(connect).menuCommand, 210);
  EXPECT_EQ(PeekRecord(menuButton).menuCommand, 391);
  for (HLOCAL handle : {program, copyDisk, unknown, rename, connect, menuButton}) {
    EXPECT_EQ(LockCount(handle), 0u);
    EXPECT_EQ(LockCount(PeekRecord(handle).programName.handle), 0u);
    EXPECT_EQ(PeekRecord(handle).programName.handle != nullptr, true);
  }

  ASSERT_EQ(created.size(), 1u);
  EXPECT_EQ(Lower(created[0].className), "listbox");
  EXPECT_EQ(created[0].style & ~WS_CLIPSIBLINGS & ~WS_CAPTION, LBS_SORT | LBS_NOINTEGRALHEIGHT);
  EXPECT_EQ(created[0].style & (WS_VISIBLE | WS_CHILD), 0);
  EXPECT_EQ(created[0].owner, frame_);
  EXPECT_EQ(created[0].instance, extState.instance);
  EXPECT_EQ(created[0].place.left, 0);
  EXPECT_EQ(created[0].place.top, 0);
  EXPECT_EQ(created[0].place.right, 1);
  EXPECT_EQ(created[0].place.bottom, 1);
  EXPECT_EQ(TopLevelListBoxes(), listBoxesBefore);
}

TEST_F(MenuListTest, ResolveStopsAtATextThatIsStillLockedElsewhere) {
  HLOCAL move = AddRecord("Move...", 0);  // the raw menu text is not listed
  HLOCAL held = AddRecord("Copy", 0);
  HLOCAL after = AddRecord("Open", 0);
  ASSERT_TRUE(move && held && after);
  HLOCAL heldText = PeekRecord(held).programName.handle;
  ASSERT_NE(LocalLock(heldText), nullptr);

  MessageBoxCatcher catcher;
  ResolveMenuCommands();
  EXPECT_TRUE(catcher.boxes().empty());
  EXPECT_EQ(PeekRecord(move).menuCommand, -1);
  EXPECT_EQ(PeekRecord(held).menuCommand, 103);
  EXPECT_EQ(PeekRecord(after).menuCommand, -1) << "the walk ends at the held text";
  EXPECT_EQ(LockCount(heldText), 1u);
  LocalUnlock(heldText);
  EXPECT_EQ(LockCount(held), 0u);
}

TEST_F(MenuListTest, ResolveWithAnEmptyListOrNoMenuBarChangesNothing) {
  MessageBoxCatcher catcher;
  ResolveMenuCommands();  // no buttons at all
  EXPECT_TRUE(catcher.boxes().empty());

  HLOCAL move = AddRecord("Move", 0);
  HMENU old = GetMenu(frame_);
  ASSERT_TRUE(SetMenu(frame_, nullptr));
  DestroyMenu(old);
  ResolveMenuCommands();
  ASSERT_EQ(catcher.boxes().size(), 1u);
  EXPECT_EQ(catcher.boxes()[0].text, "QXFILLLB :1 - GetMenu failed.");
  EXPECT_EQ(PeekRecord(move).menuCommand, -1);
  EXPECT_EQ(TopLevelListBoxes(), 1) << "only the test's own list";
}

}  // namespace
